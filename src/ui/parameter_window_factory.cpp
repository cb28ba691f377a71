#include "ui/parameter_window_factory.h"

#include <QTimer>

#include "ui/parameter_window.h"

namespace vorel {

std::unique_ptr<SiteWindow> MakeParameterWindow(Connection& connection, int site,
                                                SiteCommands& commands) {
  auto window = std::make_unique<ParameterWindow>(connection.Images(), connection.Slots(), site);
  // Site windows never end the program; the main window does.
  window->setAttribute(Qt::WA_QuitOnClose, false);
  ParameterWindowHooks& hooks = window->hooks;
  hooks.onRead = [&commands](int s) { commands.ReadParameters(s); };
  hooks.onWrite = [&commands](int s) { commands.WriteParameters(s); };
  // The connection takes the password texts from the window itself.
  hooks.onUnlock = [&commands](int s, const std::string&) { commands.UnlockParameters(s); };
  hooks.onChangePassword = [&commands](int s, const std::string&) { commands.ChangePassword(s); };
  // The connection destroys the window, frees the slot and disconnects after the last one:
  // only once the close event has been handled.
  hooks.onClosed = [&commands](int s) {
    QTimer::singleShot(0, [&commands, s] { commands.WindowClosed(s); });
  };
  return window;
}

}  // namespace vorel

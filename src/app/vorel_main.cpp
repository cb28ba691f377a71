// vorel: the desktop tool. Creates the main window with its hidden auxiliary windows and runs
// the event loop until the main window closes.
#include <QApplication>

#include "link/named_port.h"
#include "link/posix_serial_port.h"
#include "ui/main_window.h"
#include "ui/parameter_window_factory.h"
#include "ui/widget_host.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Parvex");

  vorel::WidgetHost host;
  vorel::MainWindowServices services;
  services.makePort = []() -> std::unique_ptr<vorel::SerialPort> {
    return std::make_unique<vorel::NamedPort>();
  };
  services.portNames = [] { return vorel::ListSerialPortNames(); };
  vorel::MainWindow* mainWindow = nullptr;
  services.makeWindow = [&mainWindow](int site, vorel::SiteCommands& commands) {
    return vorel::MakeParameterWindow(mainWindow->session(), site, commands);
  };
  vorel::MainWindow main(host, services);
  mainWindow = &main;
  host.Attach(&main);
  host.siteWindow = [&main](int site) -> QWidget* {
    return dynamic_cast<QWidget*>(main.session().Window(site));
  };
  host.siteStatusSink = [&main](int site, int panel, const std::string& text) {
    if (!main.IsOnline(site)) return;
    if (vorel::SiteWindow* w = main.session().Window(site)) w->SetStatusPanel(panel, text);
  };
  main.show();
  return app.exec();
}

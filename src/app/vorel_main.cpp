// vorel: the desktop tool. Creates the main window with its hidden auxiliary windows and runs
// the event loop until the main window closes.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "control/history_settings.h"
#include "link/named_port.h"
#include "link/posix_serial_port.h"
#include "ui/desktop.h"
#include "ui/widget_host.h"

namespace {

// Laid out for help2man, which makes the manual page of it (see vorel-cli's usage text).
constexpr const char* kUsage =
    "Usage: vorel [Qt options]\n"
    "The desktop service tool for generating-set controllers on a serial line, through a\n"
    "dial-up modem or over TCP: identify the controllers, read, edit, write, back up and\n"
    "restore their parameters, watch and command the sets, read their event logs, edit sensor\n"
    "curves, set passwords and clocks, in Chinese or English.\n"
    "The user guide opens from Help (F1); vorel-cli(1) does the same work without windows,\n"
    "vorel-sim(1) stands in for controllers when there is no hardware.\n"
    "\n"
    "Options:\n"
    "  -h, --help                 print this text and exit\n"
    "  --version                  print the version and exit\n"
    "Other options are Qt's own (for example -platform offscreen).\n"
    "\n"
    "Files:\n"
    "  $XDG_CONFIG_HOME/vorel/vport.ini\n"
    "                             the port and its line settings, the site addresses, the\n"
    "                             modem option and the language (by default\n"
    "                             ~/.config/vorel/vport.ini); [History] Database names the\n"
    "                             history database (default\n"
    "                             $XDG_DATA_HOME/vorel/history.sqlite)\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("vorel %s\n", VOREL_VERSION);
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Parvex");

  vorel::WidgetHost host;
  vorel::MainWindowServices services;
  services.makePort = []() -> std::unique_ptr<vorel::SerialPort> {
    return std::make_unique<vorel::NamedPort>();
  };
  services.portNames = [] { return vorel::ListSerialPortNames(); };
  const std::unique_ptr<vorel::MainWindow> main = vorel::OpenDesktop(host, std::move(services));
  main->show();
  // What happens on the line goes to the history ([History] of vport.ini); a database that
  // cannot be kept is told once while the tool runs, never while it closes.
  static bool running = true;
  const vorel::HistorySettings history = vorel::LoadHistorySettings();
  std::string historyError;
  if (const auto location = vorel::HistoryLocationOf(history.database, &historyError)) {
    main->session().History().Start(*location, history.keepSamplesDays,
                                    [&host](const std::string& message) {
                                      if (running) host.ShowMessage(message);
                                    });
  } else {
    host.ShowMessage("[History] Database: " + historyError);
  }
  const int status = app.exec();
  running = false;
  return status;
}

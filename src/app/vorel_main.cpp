// vorel: the desktop tool. Creates the main window with its hidden auxiliary windows and runs
// the event loop until the main window closes.
#include <QApplication>

#include "ui/tfm_main.h"
#include "ui/widget_host.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Parvex");

  vorel::WidgetHost host;
  vorel::MainWindowServices services;
  // The serial port facility and the list of the machine's ports (wired at merge with the
  // link layer's POSIX port).
  services.makePort = []() -> std::unique_ptr<vorel::SerialPort> { return nullptr; };
  services.portNames = [] { return std::vector<std::string>{}; };
  vorel::TfmMain main(host, services);
  host.Attach(&main);
  main.show();
  return app.exec();
}

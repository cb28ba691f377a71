// vorel: the desktop tool. Creates the main window with its hidden auxiliary windows and runs
// the event loop until the main window closes.
#include <QApplication>

#include "link/posix_serial_port.h"
#include "ui/tfm_main.h"
#include "ui/widget_host.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Parvex");

  vorel::WidgetHost host;
  vorel::MainWindowServices services;
  services.makePort = []() -> std::unique_ptr<vorel::SerialPort> {
    return std::make_unique<vorel::PosixSerialPort>();
  };
  services.portNames = [] { return vorel::ListSerialPortNames(); };
  vorel::TfmMain main(host, services);
  host.Attach(&main);
  main.show();
  return app.exec();
}

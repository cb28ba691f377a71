// vorel-guide-shots: makes the user guide's screenshots from the real windows. It runs the
// desktop tool's windows (offscreen or on any display) against the controller named in
// vport.ini of $XDG_CONFIG_HOME/vorel, connects, walks through the windows the guide shows
// and saves each as a PNG file. scripts/guide-screenshots.sh prepares the settings, starts
// vorel-sim and runs it once per language. Not installed: it is a tool for the guide's
// authors.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <cstdio>
#include <map>
#include <string>

#include "core/remote_commands.h"
#include "link/posix_serial_port.h"
#include "ui/desktop.h"
#include "ui/event_log_page.h"
#include "ui/parameter_window.h"
#include "ui/widget_host.h"

namespace {

// A host whose messages go to standard error, so that nothing waits for a click.
class PrintingHost : public vorel::WidgetHost {
 public:
  void ShowMessage(const std::string& text) override {
    std::fprintf(stderr, "vorel-guide-shots: message: %s\n", text.c_str());
    ++messages;
  }
  // The start of the engine for the monitor's picture is confirmed.
  vorel::Answer AskQuestion(int, const std::string&, const std::string&) override {
    return vorel::Answer::Yes;
  }
  // START asks through the Yes/No confirmation: answered here, not by a box nobody can click.
  vorel::Answer AskConfirmation(int, const std::string&, const std::string&) override {
    return vorel::Answer::Yes;
  }
  int messages = 0;
};

void Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

QString outDir;
int saved = 0;

void Save(QWidget& w, const char* name) {
  Wait(150);
  const QString path = QDir(outDir).filePath(QString(name) + ".png");
  if (!w.grab().save(path)) {
    std::fprintf(stderr, "vorel-guide-shots: cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
  ++saved;
  std::printf("%s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Parvex");
  const QStringList args = app.arguments();
  if (args.size() != 3 || args[1] != "--out") {
    std::fprintf(stderr, "usage: vorel-guide-shots --out DIR\n");
    return 2;
  }
  outDir = args[2];
  QDir().mkpath(outDir);
  // Whatever happens, the program does not hang a script.
  QTimer::singleShot(120000, [] {
    std::fprintf(stderr, "vorel-guide-shots: timed out\n");
    std::exit(1);
  });

  PrintingHost host;
  vorel::MainWindowServices services;
  services.makePort = []() -> std::unique_ptr<vorel::SerialPort> {
    return std::make_unique<vorel::PosixSerialPort>();
  };
  services.portNames = [] { return vorel::ListSerialPortNames(); };
  // The dialogs of the main window are shown, saved and closed.
  const std::map<QString, const char*> dialogImages = {{"fmProperties", "port-settings"},
                                                       {"fmSiteAddr", "site-list"}};
  services.runModal = [&dialogImages](QDialog& dialog) {
    dialog.show();
    const auto image = dialogImages.find(dialog.objectName());
    if (image != dialogImages.end()) Save(dialog, image->second);
    dialog.hide();
    return static_cast<int>(QDialog::Rejected);
  };
  const std::unique_ptr<vorel::MainWindow> desktop = vorel::OpenDesktop(host, std::move(services));
  vorel::MainWindow& main = *desktop;
  main.show();
  Save(main, "main-window");
  main.ShowSiteAddresses();
  main.ChoosePort();

  main.Connect();
  auto* window = dynamic_cast<vorel::ParameterWindow*>(main.session().Window(1));
  if (!window) {
    std::fprintf(stderr, "vorel-guide-shots: site 1 did not connect\n");
    return 1;
  }
  window->resize(window->sizeHint().expandedTo(QSize(980, 640)));
  Wait(1500);  // a few poll rounds fill the status bar and the monitor
  auto* pages = window->findChild<QTabWidget*>("pcParameter");
  auto* sub = window->findChild<QTabWidget*>("pcConfiguration");
  // clang-format off
  const std::pair<const char*, const char*> configurationPages[] = {
      {"tbBasic",         "parameters-system"},
      {"tbEngine",        "parameters-engine"},
      {"tbGenProtection", "parameters-protection"},
      {"tbSensor",        "inputs-outputs"},
  };
  // clang-format on
  pages->setCurrentIndex(0);
  for (const auto& [page, image] : configurationPages) {
    sub->setCurrentWidget(window->findChild<QWidget*>(page));
    Save(*window, image);
  }
  // The monitor of a running set: MANU, then START (the simulator runs its sequence fast).
  pages->setCurrentWidget(window->findChild<QWidget*>("tsStatusDisplay"));
  main.session().SendCommand(1, vorel::RemoteCommand::Manual);
  main.session().SendCommand(1, vorel::RemoteCommand::Start);
  Wait(4000);
  Save(*window, "monitor");
  // The event log with the records of that start, newest at the bottom.
  pages->setCurrentWidget(window->findChild<QWidget*>("tsHistoryDisplay"));
  window->EventLog()->ReadButton()->click();
  Wait(300);
  for (QTableWidget* table : window->EventLog()->findChildren<QTableWidget*>()) {
    table->scrollToBottom();
    // The event, date and time columns wide enough to read, as a user would drag them.
    for (int column = 0; column < 4; ++column) table->resizeColumnToContents(column);
  }
  Save(*window, "event-log");

  // The sensor curve editor of the first analogue input.
  window->SetModalRunner([](QDialog& dialog) {
    dialog.show();
    Save(dialog, "sensor-curve");
    dialog.hide();
    return static_cast<int>(QDialog::Rejected);
  });
  pages->setCurrentIndex(0);
  sub->setCurrentWidget(window->findChild<QWidget*>("tbSensor"));
  emit window->curveEditorRequested(0);

  main.close();
  std::fprintf(stderr, "vorel-guide-shots: %d images, %d messages\n", saved, host.messages);
  return host.messages == 0 ? 0 : 1;
}

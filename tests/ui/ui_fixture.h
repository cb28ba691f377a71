// Shared set-up of the window tests: a fresh settings folder per test, a scripted host, a
// port that records how it was opened, and dialogs driven by a script instead of exec().
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "control/settings.h"
#include "core/language.h"
#include "files/ini_document.h"
#include "link/fake_event_pump.h"
#include "link/posix_serial_port.h"
#include "support/scripted_host.h"
#include "support/sim_process.h"
#include "ui/about_dialog.h"
#include "ui/desktop.h"
#include "ui/main_window.h"
#include "ui/port_settings_dialog.h"
#include "ui/progress_window.h"
#include "ui/site_list_dialog.h"

namespace vorel::test {

class RecordingPort : public SerialPort {
 public:
  struct Record {
    bool opened = false;
    bool closed = false;
    PortSettings settings;
  };
  RecordingPort(std::shared_ptr<Record> record, bool succeed)
      : record_(std::move(record)), succeed_(succeed) {}
  bool Open(const PortSettings& settings, std::string* error) override {
    record_->settings = settings;
    if (!succeed_) {
      *error = "no such port";
      return false;
    }
    open_ = record_->opened = true;
    return true;
  }
  void Close() override {
    open_ = false;
    record_->closed = true;
  }
  bool IsOpen() const override { return open_; }
  void PurgeInput() override {}
  void PurgeOutput() override {}
  bool Write(std::span<const std::uint8_t>) override { return open_; }
  bool WriteText(std::string_view) override { return open_; }
  int InputCount() override { return 0; }
  int Read(std::span<std::uint8_t>) override { return 0; }
  std::string ReadText(int) override { return {}; }
  bool WaitForInput(int) override { return false; }
  bool SetDtr(bool) override { return false; }
  bool SetRts(bool) override { return false; }
  bool CarrierDetect() override { return false; }
  bool Gone() const override { return false; }

 private:
  std::shared_ptr<Record> record_;
  bool succeed_;
  bool open_ = false;
};

// The main window with IdentifySite answered by the test.
class TestMain : public MainWindow {
 public:
  TestMain(Host& host, MainWindowServices services) : MainWindow(host, std::move(services)) {
    session().Connector().SetIdentifier([this](int site) {
      tried.push_back(site);
      bool ok = identify(site);
      if (ok) Slots().SetWindowState(site, kWindowOnline);
      return ok;
    });
  }
  std::function<bool(int)> identify = [](int) { return false; };
  std::vector<int> tried;
};

template <typename T>
T* Child(QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

inline void Click(QDialog& dialog, const char* button) {
  QTest::mouseClick(Child<QWidget>(dialog, button), Qt::LeftButton);
}

class UiTest : public ::testing::Test {
 protected:
  using DialogScript = std::function<void(QDialog&)>;

  void SetUp() override {
    std::string t = (std::filesystem::temp_directory_path() / "vorel-ui-XXXXXX").string();
    dir_ = ::mkdtemp(t.data());
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    ::setenv("XDG_DATA_HOME", dir_.c_str(), 1);  // the audit trail
    SetLanguageSetting("chinese");
  }
  void TearDown() override {
    main_.reset();
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
    std::filesystem::remove_all(dir_);
    EXPECT_TRUE(scripts.empty()) << "dialog scripts left unused";
  }

  std::filesystem::path Vport() const { return dir_ / "vorel" / "vport.ini"; }

  void WriteVport(const std::string& text) {
    std::filesystem::create_directories(dir_ / "vorel");
    std::ofstream(Vport(), std::ios::binary) << text;
  }
  std::string ReadVportBytes() const {
    std::ifstream in(Vport(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string VportValue(const char* section, const char* key) const {
    IniDocument doc;
    doc.Load(Vport(), nullptr);
    return doc.ReadString(section, key, "<missing>");
  }

  TestMain& Main() {
    if (!main_) {
      MainWindowServices services;
      services.makePort = [this]() -> std::unique_ptr<SerialPort> {
        port = std::make_shared<RecordingPort::Record>();
        return std::make_unique<RecordingPort>(port, portOpens);
      };
      services.portNames = [this] { return portNames; };
      services.pump = pump;
      services.runModal = [this](QDialog& dialog) {
        EXPECT_FALSE(scripts.empty()) << "a dialog was shown without a script";
        if (scripts.empty()) return static_cast<int>(QDialog::Rejected);
        DialogScript script = std::move(scripts.front());
        scripts.pop_front();
        dialog.setResult(QDialog::Rejected);
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        script(dialog);
        dialog.hide();
        return dialog.result();
      };
      main_ = std::make_unique<TestMain>(host, services);
      main_->show();
      EXPECT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
    }
    return *main_;
  }

  // The desktop tool as vorel opens it, on the scripted host, shown and connected to `sim`:
  // vport.ini selects `sites` on the simulator's line in English, with `view` settings before
  // them; the main window runs on the machine's serial ports and Qt's event loop.
  std::unique_ptr<MainWindow> ConnectedToSim(const SimProcess& sim,
                                             std::initializer_list<int> sites,
                                             const std::string& view = "") {
    std::string settings = "[System]\r\nLanguage=english\r\n" + view + "[Device]\r\n";
    for (int site : sites) settings += "ControlerAddr" + std::to_string(site) + "=-1\r\n";
    WriteVport(settings + "[ComPort1]\r\nPort=" + sim.LinkPath() + "\r\n");
    MainWindowServices services;
    services.makePort = [] { return std::make_unique<PosixSerialPort>(); };
    std::unique_ptr<MainWindow> desktop = OpenDesktop(host, std::move(services));
    desktop->show();
    desktop->Connect();
    return desktop;
  }

  ScriptedHost host;
  std::deque<DialogScript> scripts;
  std::vector<std::string> portNames;
  bool portOpens = true;
  std::shared_ptr<RecordingPort::Record> port;
  // The main window's clock: pauses cost no real time and can be measured.
  std::shared_ptr<FakeEventPump> pump = std::make_shared<FakeEventPump>();

 private:
  std::filesystem::path dir_;
  std::unique_ptr<TestMain> main_;
};

}  // namespace vorel::test

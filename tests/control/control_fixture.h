// A Connection on the in-memory port and fake time, answered by a FakeController, with a
// scripted host, a recording main-window view and recording parameter windows.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "control/session.h"
#include "core/language.h"
#include "link/fake_event_pump.h"
#include "link/fake_serial_port.h"
#include "support/fake_controller.h"
#include "support/recording_windows.h"
#include "support/scripted_host.h"

namespace vorel::test {

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLanguageSetting("english");
    // The audit trail of the writes goes to a folder of this test run.
    dataDir = std::filesystem::temp_directory_path() / ("vorel-data-" + std::to_string(::getpid()));
    ::setenv("XDG_DATA_HOME", dataDir.c_str(), 1);
    // So do the settings a use case keeps (the report's fields, for one), unless the test
    // chose a folder of its own.
    ::setenv("XDG_CONFIG_HOME", (dataDir / "config").c_str(), 0);
    view.pump = &pump;
    auto p = std::make_unique<FakeSerialPort>(pump);
    port = p.get();
    port->responder = [this](std::span<const std::uint8_t> frame) {
      return controller.Answer(frame);
    };
    session = std::make_unique<Session>(host, pump, view);
    pump.beforeTimeMoves = [this] { session->Link().WaitForWorkers(); };
    session->SetWindowFactory([this](int site, SiteCommands&) {
      auto w = std::make_unique<RecordingWindow>();
      windows[site] = w.get();
      return w;
    });
    session->SetPortFactory([&p] { return std::move(p); });
    ASSERT_TRUE(session->Connector().OpenPort(Line()));
  }
  // The port settings the session opens with.
  virtual PortSettings Line() const { return PortSettings{}; }
  void TearDown() override {
    pump.beforeTimeMoves = nullptr;
    SetLanguageSetting("chinese");
    std::error_code ec;
    std::filesystem::remove_all(dataDir, ec);
    ::unsetenv("XDG_CONFIG_HOME");
  }

  std::array<bool, kSiteCount> Selected(std::initializer_list<int> sites) {
    std::array<bool, kSiteCount> s{};
    for (int n : sites) s[static_cast<std::size_t>(n - 1)] = true;
    return s;
  }
  // Identifies the sites and leaves them polled.
  void ConnectAll(std::initializer_list<int> sites) {
    session->Connector().ConnectSites(Selected(sites));
  }
  // The time from the main status text `text` to the next one.
  std::uint64_t PauseAfter(const std::string& text) const {
    for (std::size_t i = 0; i + 1 < view.status.size(); ++i) {
      if (view.status[i] == text) return view.statusTimes[i + 1] - view.statusTimes[i];
    }
    ADD_FAILURE() << "no status " << text;
    return 0;
  }
  // Runs the event loop on fake time.
  void Run(std::uint64_t ms) { pump.Advance(ms); }

  std::filesystem::path dataDir;
  FakeEventPump pump;
  FakeSerialPort* port = nullptr;
  FakeController controller;
  ScriptedHost host;
  RecordingView view;
  std::map<int, RecordingWindow*> windows;
  std::unique_ptr<Session> session;
};

}  // namespace vorel::test

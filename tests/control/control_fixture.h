// A Connection on the in-memory port and fake time, answered by a FakeController, with a
// scripted host, a recording main-window view and recording parameter windows.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "control/connection.h"
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
    view.pump = &pump;
    auto p = std::make_unique<FakeSerialPort>(pump);
    port = p.get();
    port->responder = [this](std::span<const std::uint8_t> frame) {
      return controller.Answer(frame);
    };
    connection = std::make_unique<Connection>(host, pump, view);
    pump.beforeTimeMoves = [this] { connection->Link().WaitForWorkers(); };
    connection->SetWindowFactory([this](int site, SiteCommands&) {
      auto w = std::make_unique<RecordingWindow>();
      windows[site] = w.get();
      return w;
    });
    ASSERT_TRUE(connection->OpenPort(std::move(p), PortSettings{}, nullptr));
  }
  void TearDown() override {
    pump.beforeTimeMoves = nullptr;
    SetLanguageSetting("chinese");
  }

  std::array<bool, kSiteCount> Selected(std::initializer_list<int> sites) {
    std::array<bool, kSiteCount> s{};
    for (int n : sites) s[static_cast<std::size_t>(n - 1)] = true;
    return s;
  }
  // Identifies the sites and leaves them polled.
  void ConnectAll(std::initializer_list<int> sites) { connection->ConnectSites(Selected(sites)); }
  // Runs the event loop on fake time.
  void Run(std::uint64_t ms) { pump.Advance(ms); }

  FakeEventPump pump;
  FakeSerialPort* port = nullptr;
  FakeController controller;
  ScriptedHost host;
  RecordingView view;
  std::map<int, RecordingWindow*> windows;
  std::unique_ptr<Connection> connection;
};

}  // namespace vorel::test

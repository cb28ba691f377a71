// A ModbusLink on the in-memory port and fake time, with a scripted host.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/language.h"
#include "link/exception_meaning.h"
#include "link/fake_event_pump.h"
#include "link/fake_serial_port.h"
#include "link/modbus_frame.h"
#include "link/modbus_link.h"
#include "link/request_worker.h"
#include "support/frame_bytes.h"
#include "support/scripted_host.h"

namespace vorel::test {

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLanguageSetting("english");
    ASSERT_TRUE(port.Open(PortSettings{}, nullptr));
    link.StartTicking();
  }
  void TearDown() override {
    // The link shows nothing itself: what a failure tells the user is the caller's choice.
    EXPECT_TRUE(host.messages.empty());
    SetLanguageSetting("chinese");
  }

  // The synchronous pattern: worker, wait for it, free it, wait for the reply.
  template <class Worker>
  RequestResult Exchange(int site, const RegisterBlock& block, RegisterWords data = {}) {
    Worker(link, static_cast<std::uint8_t>(site), block, std::move(data)).WaitFor();
    return link.WaitForReply(site);
  }
  // The message a use case shows for the result (none for a success).
  static std::string Told(const RequestResult& result) {
    return result ? std::string() : FailureMessage(result);
  }

  FakeEventPump pump;
  FakeSerialPort port{pump};
  ScriptedHost host;
  std::unique_ptr<SiteImages> images = std::make_unique<SiteImages>();
  ModbusLink link{port, host, pump, *images};
};

}  // namespace vorel::test

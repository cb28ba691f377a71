// Connect and Disconnect with the modem option, on the in-memory port: the dial comes before
// any request, a lost carrier is dialled again, a failed dial closes the port.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <utility>

#include "control/settings.h"
#include "control_fixture.h"

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

class ModemConnect : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    std::string t = (fs::temp_directory_path() / "vorel-modem-XXXXXX").string();
    dir_ = ::mkdtemp(t.data());
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    fs::create_directories(VportIniPath().parent_path());
    std::ofstream(VportIniPath(), std::ios::binary)
        << "[Connect]\r\nModem=-1\r\n[Device]\r\nControlerAddr2=1\r\n";
    controller.AddSite(2, 3101);
    view.dialNumber = "777";
    // Connect opens its own port: the one the fixture opened goes.
    session->Port().Release();
    session->SetPortFactory([this] {
      auto p = std::make_unique<FakeSerialPort>(pump);
      port = p.get();
      p->responder = [this](std::span<const std::uint8_t> frame) { return Answer(frame); };
      return p;
    });
  }
  void TearDown() override {
    fs::remove_all(dir_);
    ControlTest::TearDown();
  }
  // A modem in front of the controller: text lines go to the modem, frames to the controller.
  FakeSerialPort::Reply Answer(std::span<const std::uint8_t> frame) {
    const std::string text(frame.begin(), frame.end());
    written.push_back(text);
    if (text.starts_with("ATDT")) {
      ++dials;
      if (!answerDial) return {};
      const std::string answer = dialAnswer;
      return {{1500, {answer.begin(), answer.end()}}};
    }
    if (text.starts_with("AT")) return {{0, {'O', 'K'}}};
    if (text.starts_with("+++")) return {};
    if (dropped) {
      // The call is gone: the modem says so once, in place of the reply, then nothing.
      if (std::exchange(saidNoCarrier, true)) return {};
      const std::string noCarrier = "\r\nNO CARRIER\r\n";
      return {{300, {noCarrier.begin(), noCarrier.end()}}};
    }
    return controller.Answer(frame);
  }

  fs::path dir_;
  bool answerDial = true;
  std::string dialAnswer = "CONNECT 9600";
  bool dropped = false;
  bool saidNoCarrier = false;
  int dials = 0;
  std::vector<std::string> written;  // everything written, across ports
};

TEST_F(ModemConnect, DialsBeforeAnyRequestAndHangsUpOnDisconnect) {
  session->Connector().Connect();
  ASSERT_TRUE(session->IsOnline(2));
  EXPECT_TRUE(session->Link().Modem());
  const auto& frames = written;
  const auto dial = std::ranges::find(frames, std::string("ATDT777\r\n"));
  ASSERT_NE(dial, frames.end());
  // Everything before the dial is modem text; the controller saw nothing before it.
  EXPECT_TRUE(std::all_of(frames.begin(), dial, [](const std::string& f) {
    return f.starts_with("AT") || f.starts_with("+++");
  }));
  EXPECT_EQ(controller.requests.size(), static_cast<std::size_t>(frames.end() - dial - 1));
  EXPECT_EQ(view.status1, "connected at 9600bps");
  EXPECT_TRUE(view.hangupEnabled);
  EXPECT_TRUE(port->dtr);

  written.clear();
  session->Connector().Disconnect();
  EXPECT_FALSE(session->PortOpen());
  EXPECT_EQ(written, (std::vector<std::string>{"+++\r\n", "ATH0\r\n"}));
  EXPECT_EQ(view.status.back(), "disconnected.");
  EXPECT_FALSE(view.hangupEnabled);
  EXPECT_EQ(view.status1, "");
}

TEST_F(ModemConnect, AFailedDialClosesThePortAndShowsDisconnected) {
  answerDial = false;
  session->Connector().Connect();
  EXPECT_FALSE(session->PortOpen());
  EXPECT_TRUE(controller.requests.empty());
  EXPECT_EQ(view.status.back(), "disconnected");
  EXPECT_TRUE(view.toolButtons);
  EXPECT_FALSE(view.hangupEnabled);
  EXPECT_EQ(view.status1, "") << "the lines were released";
  EXPECT_FALSE(session->Slots().AnyOnline());
}

TEST_F(ModemConnect, ABusyLineEndsTheDialAtOnceAndTheNextConnectDialsAgain) {
  dialAnswer = "\r\nBUSY\r\n";
  const std::uint64_t start = pump.NowMs();
  session->Connector().Connect();
  EXPECT_LT(pump.NowMs() - start, 10'000u) << "the dial waited out its minute";
  EXPECT_FALSE(session->PortOpen());
  EXPECT_TRUE(controller.requests.empty());
  EXPECT_EQ(view.status.back(), "disconnected");
  EXPECT_EQ(view.status1, "modem connect fail: The modem answered BUSY.");
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(view.hangupEnabled);

  dialAnswer = "CONNECT 9600";
  session->Connector().Connect();
  EXPECT_EQ(dials, 2);
  EXPECT_TRUE(session->IsOnline(2));
}

TEST_F(ModemConnect, ASecondConnectRedialsOnlyWhenTheCarrierIsLost) {
  session->Connector().Connect();
  ASSERT_TRUE(session->IsOnline(2));
  ASSERT_EQ(dials, 1);
  // Site 3 is selected too and answers from now on; the call is still up.
  std::ofstream(VportIniPath(), std::ios::binary)
      << "[Connect]\r\nModem=-1\r\n[Device]\r\nControlerAddr2=1\r\nControlerAddr3=1\r\n";
  controller.AddSite(3, 3101);
  port->carrier = true;
  session->Connector().Connect();
  EXPECT_EQ(dials, 1);
  EXPECT_TRUE(session->IsOnline(3));

  // The call dropped: the next Connect dials again on the open port.
  session->FreeSlot(3);
  port->carrier = false;
  session->Connector().Connect();
  EXPECT_EQ(dials, 2);
  EXPECT_TRUE(session->IsOnline(3));

  // A redial that fails releases the lines and stops; the connection stays.
  session->FreeSlot(3);
  answerDial = false;
  session->Connector().Connect();
  EXPECT_EQ(dials, 3);
  EXPECT_TRUE(session->PortOpen());
  EXPECT_FALSE(port->dtr);
  EXPECT_FALSE(session->IsOnline(3));
  EXPECT_TRUE(session->IsOnline(2));
}

TEST_F(ModemConnect, NoCarrierEndsTheCallAtOnceAndARedialResumesPolling) {
  std::ofstream(VportIniPath(), std::ios::binary)
      << "[Connect]\r\nModem=-1\r\n[Device]\r\nControlerAddr2=1\r\n"
      << "[Polling]\r\nRetryAfterFailure=0\r\n";
  session->Connector().Connect();
  ASSERT_TRUE(session->IsOnline(2));
  Run(1000);
  ASSERT_FALSE(controller.requests.empty());

  // The call drops while a poll waits: the modem's word ends it at once, without the
  // Retry/Cancel box, and nothing more is sent into the dead line.
  dropped = true;
  Run(1000);
  EXPECT_EQ(view.status1, "The modem answered NO CARRIER.");
  EXPECT_FALSE(view.hangupEnabled);
  EXPECT_TRUE(host.questions.empty());
  const std::size_t sent = controller.requests.size();
  const std::size_t frames = written.size();
  Run(20000);
  EXPECT_EQ(written.size(), frames) << written.back();
  EXPECT_TRUE(host.questions.empty());

  // A site whose polling a box had stopped while the call was down (state 299, no probes)...
  session->Link().SetCommState(2, kCommNoResult);
  // ...is polled again once the next Connect has dialled the call back.
  dropped = false;
  session->Connector().Connect();
  EXPECT_EQ(dials, 2);
  Run(2000);
  EXPECT_GT(controller.requests.size(), sent);
  EXPECT_EQ(view.status1, "connected at 9600bps");
}

}  // namespace
}  // namespace vorel::test

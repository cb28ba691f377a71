// Connect and Disconnect with the modem option, on the in-memory port: the dial comes before
// any request, a lost carrier is dialled again, a failed dial closes the port.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

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
      return {{1500, {'C', 'O', 'N', 'N', 'E', 'C', 'T', ' ', '9', '6', '0', '0'}}};
    }
    if (text.starts_with("AT")) return {{0, {'O', 'K'}}};
    if (text.starts_with("+++")) return {};
    return controller.Answer(frame);
  }

  fs::path dir_;
  bool answerDial = true;
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

}  // namespace
}  // namespace vorel::test

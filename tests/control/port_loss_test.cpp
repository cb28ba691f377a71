// The port goes away under a connection (adapter unplugged): the request ends by the timeout
// path, the user is told once, polling stops, the connection closes, and Connect brings the
// kept windows back when the device is there again.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "control/settings.h"
#include "control_fixture.h"

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

class PortLoss : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    std::string t = (fs::temp_directory_path() / "vorel-loss-XXXXXX").string();
    dir_ = ::mkdtemp(t.data());
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    fs::create_directories(VportIniPath().parent_path());
    std::ofstream(VportIniPath(), std::ios::binary)
        << "[ComPort1]\r\nPort=/dev/ttyUSB0\r\n[Device]\r\nControlerAddr2=1\r\n";
    controller.AddSite(2, 3101);
    // Connect opens its own port, a new one each time (the device plugged in again).
    session->Port().Release();
    session->SetPortFactory([this] {
      auto p = std::make_unique<FakeSerialPort>(pump);
      port = p.get();
      p->responder = [this](std::span<const std::uint8_t> frame) {
        return controller.Answer(frame);
      };
      return p;
    });
    session->Connector().Connect();
    ASSERT_TRUE(session->IsOnline(2));
    Run(200);
    ASSERT_TRUE(session->Poll().PollTimerRunning());
  }
  void TearDown() override {
    fs::remove_all(dir_);
    ControlTest::TearDown();
  }
  long Count(const std::string& text) const { return std::ranges::count(host.messages, text); }

  fs::path dir_;
};

TEST_F(PortLoss, PollRequestEndsOnceThenConnectResumes) {
  // A poll read is under way when the adapter is pulled.
  controller.silent = [](const FakeRequest&) { return true; };
  for (int i = 0; i < 100 && session->Link().LinkIdle(); ++i) Run(20);
  ASSERT_FALSE(session->Link().LinkIdle());
  Run(500);
  port->Unplug();
  Run(3000);

  EXPECT_EQ(host.messages, std::vector<std::string>{PortGoneText("/dev/ttyUSB0")});
  EXPECT_TRUE(host.questions.empty());  // no Retry/Cancel on a dead port
  EXPECT_TRUE(session->Link().LinkIdle());
  EXPECT_FALSE(session->PortOpen());
  EXPECT_FALSE(session->Poll().PollTimerRunning());
  EXPECT_FALSE(session->Poll().RefreshTimerRunning());
  EXPECT_EQ(view.status.back(), "disconnected.");
  EXPECT_TRUE(view.toolButtons);
  EXPECT_TRUE(view.menuItems);
  const std::pair<int, int> linkPanel{2, kLinkStatusPanel};
  EXPECT_EQ(host.siteStatus[linkPanel], "disconnected.");
  EXPECT_TRUE(session->IsOnline(2));  // the window stays
  EXPECT_TRUE(session->Connector().PortWasLost());
  const std::size_t before = controller.requests.size();
  Run(5000);
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(controller.requests.size(), before);

  // The device is back: Connect opens the port anew and polling resumes.
  controller.silent = nullptr;
  session->Connector().Connect();
  ASSERT_TRUE(session->PortOpen());
  EXPECT_FALSE(session->Connector().PortWasLost());
  Run(500);
  EXPECT_GT(controller.requests.size(), before);
  EXPECT_EQ(controller.requests.back().address, reg::kLiveValues.address);
  EXPECT_EQ(session->Link().CommState(2), kCommDone);
  EXPECT_EQ(view.status.back(), "Connected.");
  EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(PortLoss, ExchangeEndsByTimeoutThenOneMessageInChinese) {
  SetLanguageSetting("chinese");
  // The adapter is pulled while a request of the parameter read awaits its reply.
  controller.silent = [](const FakeRequest&) { return true; };
  // A repeating timer: stopped at its first firing, before the port it holds is released.
  int unplug = 0;
  unplug = pump.StartTimer(300, [this, &unplug] {
    pump.StopTimer(unplug);
    port->Unplug();
  });
  const std::uint64_t start = pump.NowMs();
  session->Parameters().Read(2);
  EXPECT_LT(pump.NowMs() - start, 1000u);  // ended at once, not after the full timeout
  Run(5000);

  EXPECT_EQ(host.messages, (std::vector<std::string>{"通讯超时!", PortGoneText("/dev/ttyUSB0")}));
  EXPECT_NE(host.messages.back().find("已断开"), std::string::npos);
  EXPECT_TRUE(host.questions.empty());
  EXPECT_FALSE(session->PortOpen());
  EXPECT_FALSE(session->Poll().PollTimerRunning());
  EXPECT_TRUE(view.enabled);
  EXPECT_EQ(view.status.back(), "未连接.");
}

}  // namespace
}  // namespace vorel::test

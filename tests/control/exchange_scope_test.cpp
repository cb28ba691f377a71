// An exchange undoes its pause on every way out: windows enabled, polling running, progress
// hidden and the exchange free again, after a failed transfer and after an exception.
#include <stdexcept>

#include "control/exchange_scope.h"
#include "control_fixture.h"
#include "link/exception_meaning.h"

namespace vorel::test {
namespace {

class Scope : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    controller.AddSite(2);
    ConnectAll({2});
    ASSERT_TRUE(session->IsOnline(2));
  }
  void ExpectRestored() {
    EXPECT_TRUE(windows.at(2)->enabled);
    EXPECT_TRUE(view.enabled);
    EXPECT_TRUE(session->Poll().PollTimerRunning());
    EXPECT_FALSE(host.progressShown);
    EXPECT_FALSE(session->ExchangeRunning());
  }
};

TEST_F(Scope, AFailedTransferLeavesNothingPaused) {
  controller.silent = [](const FakeRequest& r) { return r.address == reg::kParamValues2.address; };
  const TransferResult read = session->Parameters().Read(2);
  EXPECT_EQ(read.status, TransferStatus::Failed);
  EXPECT_EQ(read.answered,
            (std::vector<BlockSpan>{{reg::kParamValues1.address, reg::kParamValues1.count}}));
  ASSERT_TRUE(read.failed);
  EXPECT_EQ(read.failed->block, (BlockSpan{reg::kParamValues2.address, reg::kParamValues2.count}));
  EXPECT_EQ(read.failed->result.outcome, RequestOutcome::Timeout);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Communication timeout!"});
  ExpectRestored();
}

// The timeout's message is the same on every line; the status bar says where it happened.
TEST_F(Scope, ATimeoutNamesThePortAndTheSiteInTheStatusBar) {
  controller.silent = [](const FakeRequest& r) { return r.address == reg::kParamValues2.address; };
  EXPECT_FALSE(session->Parameters().Read(2));
  EXPECT_EQ(host.messages, std::vector<std::string>{"Communication timeout!"});
  EXPECT_EQ(view.status1, "No reply from site 2 on COM1.");
  SetLanguageSetting("chinese");
  EXPECT_EQ(TimeoutPlaceText("/dev/ttyUSB0", 3), "设备 3 在端口 /dev/ttyUSB0 上无应答。");
  EXPECT_EQ(TimeoutPlaceText("/dev/ttyUSB0", 0), "端口 /dev/ttyUSB0 无应答。");
}

TEST_F(Scope, AnExceptionInsideLeavesNothingPaused) {
  try {
    ExchangeScope scope(*session, ExchangeScope::Pause::Transfer);
    ASSERT_TRUE(scope.Taken());
    EXPECT_FALSE(windows.at(2)->enabled);
    EXPECT_FALSE(view.enabled);
    EXPECT_FALSE(session->Poll().PollTimerRunning());
    EXPECT_TRUE(host.progressShown);
    // A second exchange is not taken and undoes nothing of the first.
    {
      const ExchangeScope second(*session, ExchangeScope::Pause::Polling);
      EXPECT_FALSE(second.Taken());
    }
    EXPECT_TRUE(session->ExchangeRunning());
    EXPECT_FALSE(session->Poll().PollTimerRunning());
    throw std::runtime_error("inside the exchange");
  } catch (const std::runtime_error&) {
  }
  ExpectRestored();
  // And the next exchange runs.
  EXPECT_TRUE(session->Commands().Send(2, RemoteCommand::Stop).Completed());
  ExpectRestored();
}

}  // namespace
}  // namespace vorel::test

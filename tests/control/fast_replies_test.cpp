// The line setting that completes replies at their last byte, in the windows' exchanges: on,
// Connect and the event-log read make only their own pauses; off, every plain read still takes
// its two 100 ms collection steps.
#include "control_fixture.h"

namespace vorel::test {
namespace {

constexpr std::uint64_t kReplyDelayMs = 5;
// Identification: 4 ms before each of the last ten requests, 2000 ms after 0x8053.
constexpr std::uint64_t kIdentificationPausesMs = 10 * 4 + 2000;
constexpr std::uint64_t kEventLogPausesMs = 56 * 40;

class WindowReplies : public ControlTest, public ::testing::WithParamInterface<bool> {
 protected:
  PortSettings Line() const override {
    PortSettings line;
    line.fastReplies = GetParam();
    return line;
  }
};

TEST_P(WindowReplies, ConnectAndEventLogReadWaitForTheStepsOnlyWhenOff) {
  const bool fast = GetParam();
  EXPECT_EQ(session->Link().FastCollection(), fast);
  controller.AddSite(2, 3105, "Vorel2000 V5.10");
  controller.replyDelayMs = kReplyDelayMs;

  std::uint64_t start = pump.NowMs();
  ConnectAll({2});
  ASSERT_TRUE(session->IsOnline(2));
  const std::uint64_t connectMs = pump.NowMs() - start;
  session->Poll().StopPolling();
  start = pump.NowMs();
  EXPECT_TRUE(session->EventLog().Read(2));
  const std::uint64_t readMs = pump.NowMs() - start;
  EXPECT_TRUE(windows.at(2)->eventLogShown);
  EXPECT_TRUE(host.messages.empty());

  if (fast) {
    // Each reply is taken the moment it is in: 11 replies outside the 2000 ms pause.
    EXPECT_LE(connectMs, kIdentificationPausesMs + 11 * kReplyDelayMs + 10);
    EXPECT_LE(readMs, kEventLogPausesMs + 56 * kReplyDelayMs + 10);
  } else {
    // Two plain reads of two steps each; each event-log block two steps.
    EXPECT_GE(connectMs, kIdentificationPausesMs + 2 * 200);
    EXPECT_GE(readMs, kEventLogPausesMs + 56 * 200);
  }
}

INSTANTIATE_TEST_SUITE_P(Collection, WindowReplies, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "fast" : "paced"; });

}  // namespace
}  // namespace vorel::test

// The age of the live values on the fake clock: greyed once a poll failed or none came for
// three poll periods, live again at the next good poll; trend samples only from good polls,
// stamped with the reply's arrival, and one gap for a failure; a stopped site probed every 10 s.
#include <algorithm>
#include <fstream>

#include "control/live_data_age.h"
#include "control/settings.h"
#include "control_fixture.h"

namespace vorel::test {
namespace {

constexpr std::int64_t kWallBase = 1'700'000'000'000;

class DataAge : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    session->Poll().SetWallClock(
        [this] { return kWallBase + static_cast<std::int64_t>(pump.NowMs()); });
  }
  const LiveDataAge& Age() { return session->Poll().DataAge(); }
  // When the last good poll of the site arrived, on the pump's clock.
  std::uint64_t LastGoodMs(int site) {
    return static_cast<std::uint64_t>(Age().SinceWallMs(site) - kWallBase);
  }
  RecordingWindow& Window(int site) { return *windows.at(site); }
  std::vector<std::uint64_t> ProbesAfterCancel(bool retry);
  bool site2Silent = true;
  // The live-value reads sent to the site, at the times the port saw their frames.
  std::vector<std::uint64_t> PollTimes(int site, std::size_t framesBefore) {
    std::vector<std::uint64_t> times;
    const auto frames = port->Frames();
    const auto at = port->FrameTimes();
    for (std::size_t i = framesBefore; i < frames.size(); ++i) {
      const auto& f = frames[i];
      if (f.size() >= 4 && f[0] == site && f[1] == 0x03 && f[2] == 0x80 && f[3] == 0x4F)
        times.push_back(at[i]);
    }
    return times;
  }
};

TEST_F(DataAge, ValuesGoStaleAfterThreePollPeriodsWithoutAGoodPoll) {
  controller.AddSite(1);
  ConnectAll({1});
  Run(3000);
  session->Poll().RefreshStep();
  EXPECT_FALSE(Window(1).stale);
  EXPECT_EQ(Window(1).ageText, "");
  // One site: a sweep is 34 steps of 20 ms plus the reply.
  const std::uint64_t period = Age().PeriodMs();
  ASSERT_GE(period, 680u);
  ASSERT_LE(period, 800u);

  // Polling held up (as by an exchange): live until three periods have passed.
  session->Poll().StopPolling();
  const std::uint64_t last = LastGoodMs(1);
  pump.AdvanceTo(last + 3 * period - 1);
  session->Poll().RefreshStep();
  EXPECT_FALSE(Window(1).stale);
  pump.AdvanceTo(last + 3 * period);
  session->Poll().RefreshStep();
  EXPECT_TRUE(Window(1).stale);
  EXPECT_EQ(Window(1).ageText, NoReplySinceText(kWallBase + static_cast<std::int64_t>(last)));
  EXPECT_TRUE(Window(1).ageText.starts_with("no reply since ")) << Window(1).ageText;
  SetLanguageSetting("chinese");
  EXPECT_TRUE(NoReplySinceText(kWallBase).ends_with(" 起无应答"));
  SetLanguageSetting("english");

  // The next good poll makes them live again.
  session->Poll().StartPolling();
  Run(1000);
  session->Poll().RefreshStep();
  EXPECT_FALSE(Window(1).stale);
  EXPECT_EQ(Window(1).ageText, "");
}

TEST_F(DataAge, AFailedPollGreysAtOnceAndLeavesOneGapInTheTrend) {
  controller.AddSite(1);
  ConnectAll({1});
  controller.requests.clear();
  Run(3000);
  // A sample for each poll answered, stamped with the reply's arrival.
  const TrendBuffer* trend = session->Trends().Buffer(1);
  ASSERT_NE(trend, nullptr);
  const std::size_t polls = PollTimes(1, 0).size();
  ASSERT_GE(polls, 3u);
  EXPECT_GE(trend->Size() + 1, polls);
  EXPECT_LE(trend->Size(), polls);
  EXPECT_EQ(trend->At(trend->Size() - 1).timeMs, Age().SinceWallMs(1));
  for (std::size_t i = 1; i < trend->Size(); ++i)
    EXPECT_GE(trend->At(i).timeMs - trend->At(i - 1).timeMs, 680) << i;

  // The site falls silent; Retry keeps it polled, every poll failing.
  bool silent = true;
  controller.silent = [&](const FakeRequest&) { return silent; };
  host.defaultAnswer = Answer::Retry;
  for (int i = 0; i < 200 && host.questions.empty(); ++i) Run(kPollIntervalMs);
  ASSERT_EQ(host.questions.size(), 1u);
  const std::size_t before = trend->Size() - 1;  // the gap's place
  session->Poll().RefreshStep();
  EXPECT_TRUE(Window(1).stale);
  EXPECT_EQ(Window(1).ageText, NoReplySinceText(trend->At(before - 1).timeMs));
  EXPECT_EQ(Age().SinceWallMs(1), trend->At(before - 1).timeMs);
  Run(5000);
  ASSERT_GE(host.questions.size(), 2u);
  // Nothing new was recorded: one gap after the last sample, however many polls failed.
  ASSERT_EQ(trend->Size(), before + 1);
  const TrendSample& gap = trend->At(before);
  EXPECT_TRUE(gap.gap);
  for (int s = 0; s < kTrendSeriesCount; ++s) EXPECT_FALSE(gap.Number(s)) << s;

  silent = false;
  Run(3000);
  session->Poll().RefreshStep();
  EXPECT_FALSE(Window(1).stale);
  EXPECT_GT(trend->Size(), before + 1);
  EXPECT_FALSE(trend->At(trend->Size() - 1).gap);
}

// Site 2 of sites 2 and 5 fails and is cancelled (state 299); then 35 s of polling with the
// setting as given. Returns the times of the reads sent to site 2 meanwhile.
std::vector<std::uint64_t> DataAge::ProbesAfterCancel(bool retry) {
  controller.AddSite(2);
  controller.AddSite(5);
  session->Poll().SetRetryAfterFailure(retry);
  ConnectAll({2, 5});
  controller.silent = [this](const FakeRequest& r) { return r.site == 2 && site2Silent; };
  host.defaultAnswer = Answer::Cancel;
  Run(3000);
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(session->Link().CommState(2), kCommNoResult);
  const std::size_t frames = port->Frames().size();
  Run(35'000);
  EXPECT_EQ(host.questions.size(), 1u) << "a failed probe shows no box";
  EXPECT_EQ(session->Link().CommState(2), kCommNoResult);
  EXPECT_FALSE(PollTimes(5, frames).empty()) << "the other site is polled meanwhile";
  return PollTimes(2, frames);
}

TEST_F(DataAge, WithoutRetryAfterFailureAStoppedSiteIsNeverPolled) {
  EXPECT_TRUE(ProbesAfterCancel(false).empty());
}

TEST_F(DataAge, AStoppedSiteIsProbedEveryTenSecondsAndPolledAgainOnceItAnswers) {
  const auto probes = ProbesAfterCancel(true);
  ASSERT_EQ(probes.size(), 3u);
  for (std::size_t i = 1; i < probes.size(); ++i) {
    EXPECT_GE(probes[i] - probes[i - 1], 10'000u) << i;
    EXPECT_LE(probes[i] - probes[i - 1], 10'000u + Age().PeriodMs()) << i;
  }
  // Watched through a probe: the silent site stays grey, the other one never greys.
  for (int step = 0; step < 12'000 / 100; ++step) {
    Run(100);
    session->Poll().RefreshStep();
    ASSERT_TRUE(Window(2).stale);
    ASSERT_FALSE(Window(5).stale) << "a probe waiting out its timeout greys no other site";
  }

  // It answers again: polled within 10 s (and a sweep), and live again.
  site2Silent = false;
  const std::uint64_t answering = pump.NowMs();
  while (session->Link().CommState(2) != kCommDone && pump.NowMs() < answering + 15'000)
    Run(kPollIntervalMs);
  EXPECT_EQ(session->Link().CommState(2), kCommDone);
  EXPECT_LE(pump.NowMs() - answering, 10'000u + Age().PeriodMs());
  const std::size_t resumed = port->Frames().size();
  Run(3000);
  EXPECT_GE(PollTimes(2, resumed).size(), 3u) << "polled at every sweep again";
  session->Poll().RefreshStep();
  EXPECT_FALSE(Window(2).stale);
  EXPECT_EQ(host.questions.size(), 1u);
}

TEST_F(DataAge, RetryAfterFailureIsOnUnlessTheSettingSaysOtherwise) {
  const std::filesystem::path config = dataDir / "config";
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  std::filesystem::create_directories(VportIniPath().parent_path());
  const struct {
    const char* ini;
    bool on;
  } cases[] = {
      {"[System]\r\nLanguage=english\r\n", true},
      {"[Polling]\r\nRetryAfterFailure=0\r\n", false},
      {"[Polling]\r\nRetryAfterFailure=-1\r\n", true},
      {"[Polling]\r\nRetryAfterFailure=false\r\n", false},
  };
  for (const auto& c : cases) {
    std::ofstream(VportIniPath(), std::ios::binary) << c.ini;
    EXPECT_EQ(LoadRetryAfterFailure(true), c.on) << c.ini;
  }
  std::ofstream(VportIniPath(), std::ios::binary) << "[Polling]\r\nRetryAfterFailure=maybe\r\n";
  EXPECT_THROW(LoadRetryAfterFailure(true), SettingsError);
}

}  // namespace
}  // namespace vorel::test

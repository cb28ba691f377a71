#include <algorithm>
#include <set>

#include "control_fixture.h"

namespace vorel::test {
namespace {

using Poll = ControlTest;

std::vector<int> PolledSites(const std::vector<FakeRequest>& requests) {
  std::vector<int> sites;
  for (const auto& r : requests) {
    if (r.address == 0x804F) sites.push_back(r.site);
  }
  return sites;
}

TEST_F(Poll, TwoSitesAlternateWithThreeIdleStepsAfterEachReply) {
  controller.AddSite(2);
  controller.AddSite(5);
  ConnectAll({2, 5});
  controller.requests.clear();
  const std::size_t before = port->FrameTimes().size();
  Run(4000);
  session->Poll().StopPolling();
  const auto sites = PolledSites(controller.requests);
  ASSERT_GE(sites.size(), 8u);
  for (std::size_t i = 0; i < sites.size(); ++i) EXPECT_EQ(sites[i], i % 2 ? 5 : 2) << i;
  const auto times = port->FrameTimes();
  for (std::size_t i = before + 1; i < times.size(); ++i) {
    EXPECT_GE(times[i] - times[i - 1], 3u * kPollIntervalMs) << i;
  }
}

TEST_F(Poll, PollSiteRunsTo33AndBackTo1) {
  controller.AddSite(1);
  ConnectAll({1});
  controller.requests.clear();
  const std::size_t before = port->FrameTimes().size();
  Run(3000);
  const auto times = port->FrameTimes();
  ASSERT_GE(times.size(), before + 3);
  for (std::size_t i = before + 1; i < times.size(); ++i) {
    // 34 steps of 20 ms for a sweep, plus the two steps that collect header and rest of the
    // reply and the pause after it.
    EXPECT_GE(times[i] - times[i - 1], 680u) << i;
    EXPECT_LE(times[i] - times[i - 1], 680u + 2 * kPollIntervalMs + kRequestPauseMs) << i;
  }
  // Between sweeps the site number passes 33 and comes back to 1.
  bool saw33 = false;
  for (int k = 0; k < 40; ++k) {
    Run(kPollIntervalMs);
    saw33 = saw33 || session->Poll().PollSite() == kPollSiteNone;
    EXPECT_LE(session->Poll().PollSite(), kPollSiteNone);
  }
  EXPECT_TRUE(saw33);
}

TEST_F(Poll, CancelStopsPollingOfThatSiteUntilASuccessfulRead) {
  controller.AddSite(2);
  controller.AddSite(5);
  ConnectAll({2, 5});
  bool site2Silent = true;
  controller.silent = [&](const FakeRequest& r) { return r.site == 2 && site2Silent; };
  host.defaultAnswer = Answer::Cancel;
  controller.requests.clear();
  Run(5000);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].site, 2);
  EXPECT_EQ(host.questions[0].caption, "Communication error");
  EXPECT_EQ(host.questions[0].text, "Communication timeout!");
  EXPECT_EQ(session->Link().CommState(2), kCommNoResult);

  // From now on only site 5, even once site 2 answers again.
  site2Silent = false;
  controller.requests.clear();
  Run(2000);
  auto sites = PolledSites(controller.requests);
  ASSERT_FALSE(sites.empty());
  for (int s : sites) EXPECT_EQ(s, 5);

  session->ReadParameters(2);
  controller.requests.clear();
  Run(2000);
  sites = PolledSites(controller.requests);
  EXPECT_NE(std::find(sites.begin(), sites.end(), 2), sites.end());
  EXPECT_EQ(host.questions.size(), 1u);
}

// The status bar says when nothing is polled any more and how polling resumes.
TEST_F(Poll, StatusSaysPollingStoppedOnceEveryOnlineSiteIsCancelled) {
  controller.AddSite(2);
  controller.AddSite(5);
  ConnectAll({2, 5});
  std::set<int> silent{2};
  controller.silent = [&](const FakeRequest& r) { return silent.count(r.site) > 0; };
  host.defaultAnswer = Answer::Cancel;
  Run(5000);
  EXPECT_EQ(view.status.back(), "Connected.");  // site 5 is still polled
  silent = {2, 5};
  Run(5000);
  ASSERT_EQ(host.questions.size(), 2u);
  EXPECT_EQ(view.status.back(), "Polling stopped: Read in a site's window resumes it.");
  silent.clear();
  session->ReadParameters(2);
  Run(1000);
  EXPECT_EQ(view.status.back(), "Connected.");
  EXPECT_EQ(std::count(view.status.begin(), view.status.end(),
                       "Polling stopped: Read in a site's window resumes it."),
            1);
}

TEST_F(Poll, RetryPollsTheSiteAgainAtTheNextSweep) {
  controller.AddSite(3);
  ConnectAll({3});
  int silentLeft = 1;
  controller.silent = [&](const FakeRequest& r) { return r.address == 0x804F && silentLeft-- > 0; };
  host.answers = {Answer::Retry};
  controller.requests.clear();
  Run(5000);
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_GE(PolledSites(controller.requests).size(), 3u);
  EXPECT_EQ(session->Link().CommState(3), kCommDone);
}

TEST_F(Poll, NothingIsSentWhileTheRetryBoxIsOpen) {
  controller.AddSite(2);
  controller.AddSite(5);
  ConnectAll({2, 5});
  controller.silent = [](const FakeRequest& r) { return r.site == 2; };
  std::size_t framesWhenAsked = 0;
  std::size_t framesAfterEvents = 0;
  host.whileAsking = [&] {
    framesWhenAsked = port->Frames().size();
    // The box's own event loop: timers keep firing for two seconds.
    pump.Advance(2000);
    session->Poll().RefreshStep();
    framesAfterEvents = port->Frames().size();
  };
  Run(4000);
  ASSERT_FALSE(host.questions.empty());
  EXPECT_EQ(framesAfterEvents, framesWhenAsked);
  EXPECT_TRUE(session->Poll().PollTimerRunning());  // restarted when the box closed
}

TEST_F(Poll, ReplyTicksStopAt1000) {
  Run(150'000);
  EXPECT_EQ(session->Link().ReplyTicks(), 1000);
}

TEST_F(Poll, RefreshShowsClockAndProtection) {
  controller.AddSite(1);
  ConnectAll({1});
  const struct {
    std::uint16_t protection;
    bool unlocked;
    const char* panel;
  } cases[] = {{746, true, "unlocked"}, {0, false, "locked"}, {745, false, "locked"}};
  for (const auto& c : cases) {
    session->Images().SetWord(1, 0x0004, c.protection);
    session->Poll().RefreshStep();
    EXPECT_EQ(windows.at(1)->unlockedShown, c.unlocked);
    EXPECT_EQ(windows.at(1)->panels[1], c.panel);
  }
  EXPECT_EQ(windows.at(1)->date, QDate(2026, 12, 10));
  EXPECT_EQ(windows.at(1)->time, QTime(12, 34, 56));
  // A clock the controller reports in an invalid form converts to nothing.
  session->Poll().StopPolling();
  session->Images().SetWord(1, 0x000E, 0x100A);  // month 0A
  session->Images().SetWord(1, 0x000C, 0x2400);  // hour 24
  session->Poll().RefreshStep();
  EXPECT_FALSE(windows.at(1)->date.has_value());
  EXPECT_FALSE(windows.at(1)->time.has_value());
  // The refresh timer runs every 500 ms.
  const int shows = windows.at(1)->clockShows;
  Run(1000);
  EXPECT_EQ(windows.at(1)->clockShows, shows + 2);
}

}  // namespace
}  // namespace vorel::test

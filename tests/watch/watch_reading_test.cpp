// What the watch service makes of a reading: units, numbers, alarm changes, and the metrics
// text that never shows values of a failed poll.
#include <gtest/gtest.h>

#include "watch/metrics_board.h"
#include "watch/site_reading.h"
#include "watch/watch_payloads.h"

namespace vorel::test {
namespace {

SiteReading Reading(bool fresh) {
  SiteReading r;
  r.line = "north";
  r.site = 4;
  r.identity = SiteIdentity{"202612090004", 3101, "5.10", "GENSET", "G\"4"};
  r.link = fresh ? SiteLink::Identified : SiteLink::Failed;
  r.outcome = fresh ? RequestOutcome::Done : RequestOutcome::CrcError;
  r.fresh = fresh;
  r.values = {{"Battary", "V", "24.6", 24.6}, {"BI1 (Emergency stop)", "", "activated", {}}};
  r.alarms = {{0x4805, true, "Low oil", AlarmSeverity::Shutdown}};
  r.lastGoodWallMs = 1'000'000;
  return r;
}

TEST(WatchReading, UnitsComeOutOfMonitorTitles) {
  const struct {
    const char* title;
    const char* name;
    const char* unit;
  } cases[] = {
      {"Battary(V)", "Battary", "V"},
      {"Ph-N(V) L1(2)", "Ph-N L1(2)", "V"},
      {"Cos L1(2)", "Cos L1(2)", ""},
      {"Num Starts", "Num Starts", ""},
      {"Coolant Temp.(\xE2\x84\x83)", "Coolant Temp.", "\xE2\x84\x83"},
      {"Broken(", "Broken(", ""},
  };
  for (const auto& c : cases) {
    const auto [name, unit] = SplitUnit(c.title);
    EXPECT_EQ(name, c.name) << c.title;
    EXPECT_EQ(unit, c.unit) << c.title;
  }
  EXPECT_EQ(NumberOfText("24.6"), 24.6);
  EXPECT_EQ(NumberOfText("-3"), -3.0);
  for (const char* word : {"", "activated", "****", "1.2.3", "12 V"})
    EXPECT_FALSE(NumberOfText(word)) << word;
}

TEST(WatchReading, AlarmMessagesNameWhatAppearedThenWhatCleared) {
  const SiteAlarm a{0x4801, true, "A", AlarmSeverity::Shutdown};
  const SiteAlarm b{0x0802, true, "B", AlarmSeverity::Warning};
  const SiteAlarm c{0x8803, true, "C", AlarmSeverity::Unload};
  const std::vector<SiteAlarm> before{a, b};
  const std::vector<SiteAlarm> after{b, c};
  const auto messages = AlarmMessages(before, after);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].alarm.text, "C");
  EXPECT_TRUE(messages[0].appeared);
  EXPECT_EQ(messages[1].alarm.text, "A");
  EXPECT_FALSE(messages[1].appeared);
  const std::string payload = AlarmPayload(Reading(true), messages[0], 7, 1'000'000);
  EXPECT_NE(payload.find("\"event\":\"appeared\""), std::string::npos) << payload;
  EXPECT_NE(payload.find("\"severity\":\"unload\""), std::string::npos) << payload;
  EXPECT_NE(payload.find("\"seq\":7"), std::string::npos) << payload;
}

TEST(WatchReading, FailedPollShowsNoValuesAnywhere) {
  MetricsBoard board;
  board.SiteRead(Reading(false));
  board.PollCounted("north", 4, RequestOutcome::CrcError);
  const std::string text = board.Render(1'004'000);
  EXPECT_EQ(text.find("vorel_value{"), std::string::npos) << text;
  EXPECT_NE(text.find("vorel_site_up{line=\"north\",site=\"4\",serial=\"202612090004\"} 0"),
            std::string::npos);
  EXPECT_NE(text.find("vorel_polls_total{line=\"north\",site=\"4\",outcome=\"crc_error\"} 1"),
            std::string::npos);
  EXPECT_NE(text.find("vorel_site_last_good_poll_age_seconds{line=\"north\",site=\"4\","
                      "serial=\"202612090004\"} 4"),
            std::string::npos)
      << text;
  const std::string state = StatePayload(Reading(false), 1'004'000);
  EXPECT_EQ(state.find("values"), std::string::npos) << state;
  EXPECT_NE(state.find("\"outcome\":\"crc_error\""), std::string::npos) << state;
}

TEST(WatchReading, GoodPollShowsNumbersWithUnits) {
  MetricsBoard board;
  board.SiteRead(Reading(true));
  const std::string text = board.Render(1'000'000);
  EXPECT_NE(text.find("vorel_value{line=\"north\",site=\"4\",serial=\"202612090004\","
                      "name=\"Battary\",unit=\"V\"} 24.6\n"),
            std::string::npos)
      << text;
  // A word is no gauge.
  EXPECT_EQ(text.find("Emergency"), std::string::npos);
  EXPECT_NE(
      text.find("vorel_site_active_alarms{line=\"north\",site=\"4\",serial=\"202612090004\"} 1"),
      std::string::npos);
  EXPECT_EQ(LabelValue("a\"b\\c\nd"), "a\\\"b\\\\c\\nd");
}

}  // namespace
}  // namespace vorel::test

// The alarm watch over the online sites, the journal it fills, the notice texts and settings,
// and the overview's rows: all from value images and link states set by the test.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>

#include "control/alarm_journal.h"
#include "control/alarm_notice.h"
#include "control/fleet_rows.h"
#include "control/fleet_watch.h"
#include "control/live_data_age.h"
#include "control/settings.h"
#include "control/site_slots.h"
#include "core/language.h"
#include "link/fake_event_pump.h"
#include "support/temp_files.h"

namespace vorel::test {
namespace {

constexpr int kSite = 5;
constexpr std::uint16_t kLowBattery = 0x2821;
constexpr std::uint16_t kOverSpeed = 0x4843;
constexpr std::uint16_t kUnloadShort = 0x8862;

class FleetWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLanguageSetting("english");
    siteSlots.SetWindowState(kSite, kWindowOnline);
    for (int k = 0; k < 8; ++k)
      images->SetWord(kSite, 0x0012 + k, k == 0 ? ('P' | ('H' << 8)) : 0x2020);
    watch.SetWallClock([this] { return wall; });
    watch.SetNewAlarmListener([this](const AlarmEvent& e) { notices.push_back(e); });
  }
  void TearDown() override { SetLanguageSetting("chinese"); }
  // A poll that brought the alarm list `words`.
  void Poll(std::initializer_list<std::uint16_t> words) {
    for (int i = 0; i < 16; ++i) images->SetWord(kSite, 0x001A + i, 0);
    int i = 0;
    for (std::uint16_t w : words) images->SetWord(kSite, 0x001A + i++, w);
    age.GoodPoll(kSite, pump.NowMs(), wall);
    wall += 1000;
    watch.Check();
  }

  FakeEventPump pump;
  std::unique_ptr<SiteImages> images = std::make_unique<SiteImages>();
  SiteSlots siteSlots;
  LiveDataAge age;
  MemoryAlarmJournal journal;
  FleetWatch watch{pump, *images, siteSlots, age, journal};
  std::int64_t wall = 1'700'000'000'000;
  std::vector<AlarmEvent> notices;
};

TEST_F(FleetWatchTest, AnnouncesEachNewAlarmOnceAndJournalsWhatAppearedAndCleared) {
  // Before the first good poll the image's list is not looked at.
  images->SetWord(kSite, 0x001A, kLowBattery);
  watch.Check();
  EXPECT_EQ(journal.Size(), 0u);

  // The first poll's alarms are journalled as present, not announced.
  Poll({kLowBattery});
  ASSERT_EQ(journal.Size(), 1u);
  EXPECT_TRUE(journal.Entry(0).event.atFirstPoll);
  EXPECT_TRUE(notices.empty());

  // A new word is announced once, however many polls follow, and whatever else changes.
  Poll({kLowBattery, kOverSpeed});
  for (int i = 0; i < 5; ++i) {
    images->SetWord(kSite, 0x0099, static_cast<std::uint16_t>(1500 + i));  // speed
    Poll({kLowBattery, kOverSpeed});
  }
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].alarm.code, kOverSpeed);
  EXPECT_EQ(notices[0].siteName, "PH");
  EXPECT_EQ(AlarmNoticeText(notices[0]), "Site 5 (PH): over-speed stop");

  // Bit 11 going off (the condition is gone, the line stays) is no change.
  Poll({kLowBattery & ~0x0800, kOverSpeed});
  EXPECT_EQ(journal.Size(), 2u);
  // A line that goes is journalled as cleared, not announced.
  Poll({kOverSpeed});
  ASSERT_EQ(journal.Size(), 3u);
  EXPECT_FALSE(journal.Entry(2).event.appeared);
  EXPECT_EQ(journal.Entry(2).event.alarm.code, kLowBattery);
  EXPECT_EQ(notices.size(), 1u);

  // Offline and back (a new connection): its first list is a starting point again.
  siteSlots.SetWindowState(kSite, kWindowNone);
  watch.Check();
  siteSlots.SetWindowState(kSite, kWindowOnline);
  Poll({kOverSpeed, kLowBattery});
  EXPECT_EQ(notices.size(), 1u);
  EXPECT_TRUE(journal.Entry(journal.Size() - 1).event.atFirstPoll);
}

TEST_F(FleetWatchTest, RunsOnThePumpsTimer) {
  watch.Start();
  Poll({});
  images->SetWord(kSite, 0x001A, kOverSpeed);
  pump.Advance(kFleetWatchIntervalMs);
  EXPECT_EQ(notices.size(), 1u);
  watch.Stop();
  images->SetWord(kSite, 0x001B, kLowBattery);
  pump.Advance(kFleetWatchIntervalMs * 4);
  EXPECT_EQ(notices.size(), 1u);
}

TEST(AlarmJournal, AcknowledgesOnceWithANameAndDropsTheOldestWhenFull) {
  MemoryAlarmJournal journal(3);
  for (int i = 0; i < 4; ++i) {
    AlarmEvent e;
    e.site = i + 1;
    journal.Record(e);
  }
  ASSERT_EQ(journal.Size(), 3u);
  EXPECT_EQ(journal.Entry(0).event.site, 2);
  const std::uint64_t before = journal.ChangeCount();
  EXPECT_FALSE(journal.Acknowledge(1, "", 10));
  EXPECT_FALSE(journal.Acknowledge(3, "ann", 10));
  EXPECT_TRUE(journal.Acknowledge(1, "ann", 10));
  EXPECT_FALSE(journal.Acknowledge(1, "bob", 11));
  EXPECT_EQ(journal.Entry(1).acknowledgedBy, "ann");
  EXPECT_EQ(journal.ChangeCount(), before + 1);
}

TEST(AlarmJournal, CsvHasAHeaderAndOneQuotedRowPerEntry) {
  SetLanguageSetting("english");
  MemoryAlarmJournal journal;
  AlarmEvent e;
  e.site = 3;
  e.siteName = "North, yard";
  e.alarm = {kOverSpeed, true, "", AlarmSeverity::Shutdown};
  e.controllerTime = "26-12-11 10:00:00";
  journal.Record(e);
  e.appeared = false;
  journal.Record(e);
  journal.Acknowledge(0, "ann", 0);
  const std::string csv = AlarmJournalCsv(journal);
  EXPECT_TRUE(
      csv.starts_with("\xEF\xBB\xBFPC time,Controller time,Site,Name,Event,Code,Alarm,"
                      "Severity,Acknowledged by,Acknowledged at\r\n"));
  EXPECT_NE(csv.find(",26-12-11 10:00:00,3,\"North, yard\",Appeared,4843,over-speed stop,"
                     "Shutdown,ann,"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find(",Cleared,4843,over-speed stop,Shutdown,,\r\n"), std::string::npos) << csv;
  // An export made later in the other language has that language's texts throughout.
  SetLanguageSetting("chinese");
  const std::string later = AlarmJournalCsv(journal);
  EXPECT_NE(later.find(",消除,4843,超速停机,停机,,\r\n"), std::string::npos) << later;
}

TEST(AlarmNotice, AnnouncesByChoiceAndSeverityInBothLanguages) {
  AlarmEvent e;
  e.site = 5;
  e.siteName = "Pump house";
  e.alarm = {kUnloadShort, true, "", AlarmSeverity::Unload};
  AlarmNoticeSettings s;
  EXPECT_TRUE(s.Announces(e));
  s.severities = {true, false, true};
  EXPECT_FALSE(s.Announces(e));
  s.severities = {true, true, true};
  s.enabled = false;
  EXPECT_FALSE(s.Announces(e));
  s.enabled = true;
  e.atFirstPoll = true;
  EXPECT_FALSE(s.Announces(e));
  e.atFirstPoll = false;
  e.appeared = false;
  EXPECT_FALSE(s.Announces(e));

  SetLanguageSetting("chinese");
  EXPECT_EQ(AlarmNoticeText(e), "设备 5 (Pump house)：电流短路卸载");
  e.siteName.clear();
  SetLanguageSetting("english");
  EXPECT_EQ(AlarmNoticeText(e), "Site 5: unload ig short");
  SetLanguageSetting("chinese");
}

TEST(AlarmNotice, SettingsRoundTripAndABadValueIsNamed) {
  TempDir dir;
  ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
  AlarmNoticeSettings defaults;
  EXPECT_EQ(LoadAlarmNoticeSettings(defaults).severities, defaults.severities);
  AlarmNoticeSettings s;
  s.sound = true;
  s.severities = {false, true, true};
  SaveAlarmNoticeSettings(s);
  const std::string ini = ReadFile(VportIniPath());
  EXPECT_NE(ini.find("Severities=unload,shutdown"), std::string::npos) << ini;
  const AlarmNoticeSettings back = LoadAlarmNoticeSettings(defaults);
  EXPECT_TRUE(back.enabled);
  EXPECT_TRUE(back.sound);
  EXPECT_EQ(back.severities, s.severities);
  WriteFile(VportIniPath(), "[Notices]\r\nSeverities=warning,fatal\r\n");
  EXPECT_THROW(LoadAlarmNoticeSettings(defaults), SettingsError);
  ::unsetenv("XDG_CONFIG_HOME");
}

TEST(FleetRows, ColoursByTheMostTellingStateAndFillsTheColumns) {
  SetLanguageSetting("english");
  auto images = std::make_unique<SiteImages>();
  images->SetWord(kSite, 0x016B, 3101);
  images->SetWord(kSite, 0x0113, 200);
  images->SetWord(kSite, 0x0059, 297);
  images->SetWord(kSite, 0x00C5, 120);
  images->SetWord(kSite, 0x001A, kOverSpeed);
  const std::int64_t now = 1'700'000'010'000;
  const struct {
    FleetLink link;
    FleetRowState state;
    const char* communication;
  } cases[] = {
      {{false, false, now - 2500}, FleetRowState::Alarm, "ok"},
      {{false, true, now - 9000}, FleetRowState::Stale, "no reply since"},
      {{true, true, now - 9000}, FleetRowState::Off, "polling stopped"},
      {{false, false, now - 2500, true}, FleetRowState::Off, "not connected"},
  };
  for (const auto& c : cases) {
    const FleetRow row = MakeFleetRow(*images, kSite, c.link, now);
    EXPECT_EQ(row.state, c.state) << c.communication;
    EXPECT_TRUE(row.Cell(FleetColumn::Communication).starts_with(c.communication))
        << row.Cell(FleetColumn::Communication);
  }
  const FleetRow row = MakeFleetRow(*images, kSite, {false, false, now - 2500}, now);
  EXPECT_EQ(row.Cell(FleetColumn::Site), "5");
  EXPECT_EQ(row.Cell(FleetColumn::Mode), "AUTO");
  EXPECT_EQ(row.Cell(FleetColumn::Engine), "Running");
  EXPECT_EQ(row.Cell(FleetColumn::Kw), "120");
  EXPECT_EQ(row.Cell(FleetColumn::Alarms), "1");
  EXPECT_EQ(row.Cell(FleetColumn::NewestAlarm), "over-speed stop");
  EXPECT_EQ(row.Cell(FleetColumn::Age), "2 s");
  images->SetWord(kSite, 0x001A, 0);
  EXPECT_EQ(MakeFleetRow(*images, kSite, {false, false, now}, now).state, FleetRowState::Normal);
  EXPECT_EQ(FleetAgeText(0, now), "-");
  SetLanguageSetting("chinese");
}

}  // namespace
}  // namespace vorel::test

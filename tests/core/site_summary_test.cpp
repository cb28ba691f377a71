#include "core/site_summary.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/monitor_snapshot.h"
#include "core/site_images.h"
#include "language_guard.h"

namespace vorel {
namespace {

constexpr int kSite = 7;

std::unique_ptr<SiteImages> LoadedSite(std::uint16_t productCode) {
  auto images = std::make_unique<SiteImages>();
  images->SetWord(kSite, 0x016B, productCode);
  images->SetWord(kSite, 0x0113, 199);  // MANU
  images->SetWord(kSite, 0x0059, 308);  // loaded
  images->SetWord(kSite, 0x00C5, 152);  // kW
  images->SetWord(kSite, 0x00A4, 401);  // V L1-L2
  images->SetWord(kSite, 0x00A7, 499);  // Hz x 10
  images->SetWord(kSite, 0x009E, 245);  // battery V x 10
  images->SetWord(kSite, 0x0012, 'G' | ('S' << 8));
  images->SetWord(kSite, 0x0013, '-' | ('7' << 8));
  images->SetWord(kSite, 0x001A, 0x2821);  // low battery, highlighted
  images->SetWord(kSite, 0x001B, 0x4043);  // over-speed stop, bit 11 clear
  return images;
}

TEST(SiteSummary, ReadsModeEngineValuesAndAlarmsAsTheMonitorPageShowsThem) {
  LanguageGuard english("english");
  auto images = LoadedSite(3101);
  const SiteSummary s = SummarizeSite(*images, kSite);
  EXPECT_EQ(s.site, kSite);
  EXPECT_EQ(s.productCode, 3101);
  EXPECT_EQ(s.generatorName, "GS-7");
  EXPECT_EQ(s.mode, OperatingMode::Manual);
  EXPECT_EQ(s.modeText, "MANU");
  EXPECT_EQ(s.engine, EngineState::OnLoad);
  EXPECT_EQ(s.engineText, "On load");
  EXPECT_EQ(s.activePowerKw.Text(), "152");
  EXPECT_EQ(s.voltageL1L2.Text(), "401");
  EXPECT_EQ(s.frequencyHz.Text(), "49.9");
  EXPECT_DOUBLE_EQ(s.frequencyHz.Value(), 49.9);
  EXPECT_EQ(s.batteryVolts.Text(), "24.5");
  ASSERT_EQ(s.alarms.size(), 2u);
  EXPECT_EQ(s.alarms[0], (SiteAlarm{0x2821, true, "low batt", AlarmSeverity::Warning}));
  EXPECT_EQ(s.alarms[1], (SiteAlarm{0x4843, false, "over-speed stop", AlarmSeverity::Shutdown}));
  EXPECT_TRUE(s.InAlarm());
  EXPECT_EQ(s.NewestAlarmText(), "over-speed stop");

  // The page's alarm list and the summary's never differ.
  const MonitorSnapshot page = TakeMonitorSnapshot(*images, kSite, false);
  ASSERT_EQ(page.alarms.size(), s.alarms.size());
  for (std::size_t i = 0; i < s.alarms.size(); ++i) EXPECT_EQ(page.alarms[i], s.alarms[i].text);
}

TEST(SiteSummary, FollowsTheLanguageAndTheTypesThatMeasureNoBattery) {
  LanguageGuard chinese("chinese");
  auto images = LoadedSite(3106);
  images->SetWord(kSite, 0x0113, 0x1234);  // not a mode
  const SiteSummary s = SummarizeSite(*images, kSite);
  EXPECT_EQ(s.mode, std::nullopt);
  EXPECT_EQ(s.modeText, "1234");
  EXPECT_EQ(s.engineText, "接负载");
  EXPECT_EQ(s.batteryVolts.Text(), "0");
  EXPECT_EQ(s.alarms[1].text, "超速停机");
}

TEST(SiteSummary, AnUnknownStateWordKeepsThePageTextAndNoAlarmsIsNotInAlarm) {
  LanguageGuard english("english");
  auto images = std::make_unique<SiteImages>();
  images->SetWord(kSite, 0x0059, 1234);
  const SiteSummary s = SummarizeSite(*images, kSite);
  EXPECT_EQ(s.engine, EngineState::Unknown);
  EXPECT_EQ(s.engineText, "04D2");  // the page's text for a state it does not know
  EXPECT_FALSE(s.InAlarm());
  EXPECT_EQ(s.NewestAlarmText(), "");
  EXPECT_FALSE(SummarizeSite(*images, 0).InAlarm());  // a bad site reads as empty
}

TEST(EngineState, GroupsTheGenSetStates) {
  LanguageGuard english("english");
  const struct {
    std::int16_t word;
    EngineState engine;
    const char* name;
  } cases[] = {
      {300, EngineState::Stopped, "stopped"},   {312, EngineState::Stopped, "stopped"},
      {290, EngineState::Stopped, "stopped"},   {310, EngineState::Stopped, "stopped"},
      {303, EngineState::Cranking, "cranking"}, {304, EngineState::Cranking, "cranking"},
      {305, EngineState::Cranking, "cranking"}, {307, EngineState::Running, "running"},
      {292, EngineState::Running, "running"},   {297, EngineState::Running, "running"},
      {313, EngineState::Running, "running"},   {308, EngineState::OnLoad, "on-load"},
      {289, EngineState::OnLoad, "on-load"},    {298, EngineState::Unknown, "unknown"},
      {0, EngineState::Unknown, "unknown"},     {-1, EngineState::Unknown, "unknown"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EngineStateOf(c.word), c.engine) << c.word;
    EXPECT_EQ(EngineStateName(c.engine), c.name) << c.word;
  }
}

TEST(AlarmSeverity, ComesFromTheTopBitsOfTheCode) {
  EXPECT_EQ(AlarmSeverityOf(0x4843), AlarmSeverity::Shutdown);
  EXPECT_EQ(AlarmSeverityOf(0x8860), AlarmSeverity::Unload);
  EXPECT_EQ(AlarmSeverityOf(0x2821), AlarmSeverity::Warning);
  EXPECT_EQ(AlarmSeverityOf(0xA854), AlarmSeverity::Warning);
  EXPECT_EQ(AlarmSeverityOf(0xF801), AlarmSeverity::Warning);
}

TEST(CompareAlarms, YieldsTheCodesThatAppearedAndCleared) {
  auto a = [](std::uint16_t code, bool highlighted = true) {
    return SiteAlarm{code, highlighted, "", AlarmSeverityOf(code)};
  };
  using List = std::vector<SiteAlarm>;
  const struct {
    const char* what;
    List previous;
    List current;
    List appeared;
    List cleared;
  } cases[] = {
      {"nothing", {}, {}, {}, {}},
      {"first poll", {}, {a(0x2821), a(0x4843)}, {a(0x2821), a(0x4843)}, {}},
      {"unchanged", {a(0x2821)}, {a(0x2821)}, {}, {}},
      {"one more", {a(0x2821)}, {a(0x2821), a(0x4843)}, {a(0x4843)}, {}},
      {"one gone", {a(0x2821), a(0x4843)}, {a(0x4843)}, {}, {a(0x2821)}},
      {"bit 11 only", {a(0x2821, true)}, {a(0x2821, false)}, {}, {}},
      {"moved up", {a(0x2821), a(0x4843)}, {a(0x4843), a(0x2821)}, {}, {}},
      {"twice", {a(0x2821)}, {a(0x2821), a(0x2821)}, {a(0x2821)}, {}},
      {"replaced", {a(0x2821)}, {a(0x8860)}, {a(0x8860)}, {a(0x2821)}},
      {"all gone", {a(0x2821), a(0x8860)}, {}, {}, {a(0x2821), a(0x8860)}},
  };
  for (const auto& c : cases) {
    const AlarmChanges changes = CompareAlarms(c.previous, c.current);
    EXPECT_EQ(changes.appeared, c.appeared) << c.what;
    EXPECT_EQ(changes.cleared, c.cleared) << c.what;
    EXPECT_EQ(changes.Empty(), c.appeared.empty() && c.cleared.empty()) << c.what;
  }
}

}  // namespace
}  // namespace vorel

// The alarm journal kept in the history: what one run of the program journalled and
// acknowledged is there again, in order and acknowledged by the same person, when the next
// run starts recording; its texts are made in the language of the moment.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>

#include "control/history_alarm_journal.h"
#include "control/history_recorder.h"
#include "core/language.h"
#include "support/temp_files.h"

namespace vorel::test {
namespace {

constexpr int kSite = 4;
constexpr std::uint16_t kLowBattery = 0x2821;
constexpr std::uint16_t kOverSpeed = 0x4843;

AlarmEvent Event(std::uint16_t code, bool appeared, std::int64_t wallMs) {
  AlarmEvent e;
  e.site = kSite;
  e.siteName = "Pump house";
  e.appeared = appeared;
  e.productCode = 3101;
  e.alarm = {code, true, {}, AlarmSeverityOf(code)};
  e.pcWallMs = wallMs;
  e.controllerTime = "26-12-11 10:00:00";
  return e;
}

// One run of the program: the images, the recorder and the journal it keeps.
struct ProgramRun {
  explicit ProgramRun(const std::filesystem::path& file) {
    images.SetWord(kSite, 0x0006, 0x00AB);  // serial number
    location.file = file;
  }
  void Start() {
    recorder.Start(location, 90, [](const std::string&) {});
  }
  // True once the journal the history kept is back.
  bool WaitForJournal(std::uint64_t before) {
    QDeadlineTimer deadline(5000);
    while (journal.ChangeCount() == before && !deadline.hasExpired())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return journal.ChangeCount() != before;
  }

  SiteImages images;
  HistoryLocation location;
  HistoryRecorder recorder{images, [] { return std::string("/dev/ttyS0"); }};
  HistoryAlarmJournal journal{recorder};
};

TEST(HistoryAlarmJournal, OutlivesTheProgramWithWhoAcknowledgedIt) {
  SetLanguageSetting("english");
  TempDir dir;
  const std::filesystem::path file = dir.path() / "history.sqlite";
  {
    ProgramRun first(file);
    first.Start();
    EXPECT_TRUE(first.WaitForJournal(0));  // an empty history: nothing comes back
    first.journal.Record(Event(kOverSpeed, true, 1000));
    first.journal.Record(Event(kLowBattery, false, 1000));
    ASSERT_TRUE(first.journal.Acknowledge(0, "ann", 2000));
    EXPECT_FALSE(first.journal.Acknowledge(0, "bob", 3000));
    EXPECT_EQ(JournalAlarmText(first.journal.Entry(0).event), "over-speed stop");
    first.recorder.Stop();
  }
  SetLanguageSetting("chinese");
  ProgramRun second(file);
  second.Start();
  second.journal.Record(Event(kLowBattery, true, 5000));  // before the history is back
  ASSERT_TRUE(second.WaitForJournal(second.journal.ChangeCount()));
  ASSERT_EQ(second.journal.Size(), 3u);
  const JournalEntry& over = second.journal.Entry(0);
  EXPECT_EQ(over.event.site, kSite);
  EXPECT_EQ(over.event.siteName, "Pump house");
  EXPECT_TRUE(over.event.appeared);
  EXPECT_EQ(over.event.alarm.code, kOverSpeed);
  EXPECT_EQ(over.event.alarm.severity, AlarmSeverity::Shutdown);
  EXPECT_EQ(over.event.pcWallMs, 1000);
  EXPECT_EQ(over.event.controllerTime, "26-12-11 10:00:00");
  EXPECT_EQ(over.acknowledgedBy, "ann");
  EXPECT_EQ(over.acknowledgedWallMs, 2000);
  EXPECT_EQ(JournalAlarmText(over.event), "超速停机");
  EXPECT_FALSE(second.journal.Entry(1).event.appeared);
  EXPECT_FALSE(second.journal.Entry(1).Acknowledged());
  EXPECT_EQ(second.journal.Entry(2).event.pcWallMs, 5000);

  // An acknowledgement in the second run reaches the history too.
  ASSERT_TRUE(second.journal.Acknowledge(1, "bob", 6000));
  second.recorder.Stop();
  HistoryStore store;
  HistoryLocation location;
  location.file = file;
  ASSERT_FALSE(store.Open(location));
  const std::vector<StoredAlarmEntry> kept = store.AlarmJournal(10);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[1].acknowledgedBy, "bob");
  EXPECT_EQ(kept[0].record.place.controller.serial, "00AB00000000");
  EXPECT_EQ(kept[0].record.place.port, "/dev/ttyS0");
}

}  // namespace
}  // namespace vorel::test

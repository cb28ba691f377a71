// The alarm journal in the history database: entries come back newest last with every field,
// only the first acknowledgement counts, and a controller's journal is carried with its
// history.
#include <gtest/gtest.h>

#include "store/history_store.h"
#include "store/store_fixture.h"

namespace vorel::test {
namespace {

const ControllerKey kPump{"0000AB12CD34", -30000};  // a product code stored signed

AlarmJournalRecord Entry(const std::string& id, std::int64_t timeMs, int seq, int code) {
  AlarmJournalRecord r;
  r.place = {kPump, 7, "/dev/ttyUSB0", timeMs};
  r.entryId = id;
  r.seq = seq;
  r.siteName = "Pump house, north";
  r.appeared = code != 0x2821;
  r.atFirstPoll = seq == 0;
  r.code = code;
  r.highlighted = true;
  r.controllerTime = "26-12-11 10:00:0" + std::to_string(seq);
  return r;
}

class AlarmJournalStoreTest : public StoreTest {};

TEST_P(AlarmJournalStoreTest, EntriesComeBackInOrderWithTheFirstAcknowledgement) {
  HistoryStore store;
  ASSERT_FALSE(store.Open(location_));
  // Two entries of one millisecond keep their order by seq; a third comes later.
  ASSERT_TRUE(store.Add(Entry("run-b", 5000, 1, 0x2821)));
  ASSERT_TRUE(store.Add(Entry("run-a", 5000, 0, 0x4843)));
  ASSERT_TRUE(store.Add(Entry("run-c", 6000, 2, 0x8862)));
  ASSERT_TRUE(store.Add(AlarmAcknowledgement{"run-a", "ann", 7000}));
  ASSERT_TRUE(store.Add(AlarmAcknowledgement{"run-a", "bob", 8000}));  // too late: ann's stays
  ASSERT_TRUE(store.Add(AlarmAcknowledgement{"missing", "bob", 8000}));
  ASSERT_TRUE(store.Add(Entry("run-a", 9000, 5, 0x4843)));  // the same entry again: ignored

  const std::vector<StoredAlarmEntry> all = store.AlarmJournal(10);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].record.entryId, "run-a");
  EXPECT_EQ(all[1].record.entryId, "run-b");
  EXPECT_EQ(all[2].record.entryId, "run-c");
  const AlarmJournalRecord& a = all[0].record;
  const AlarmJournalRecord want = Entry("run-a", 5000, 0, 0x4843);
  EXPECT_EQ(a.place.controller, kPump);
  EXPECT_EQ(a.place.address, 7);
  EXPECT_EQ(a.place.port, want.place.port);
  EXPECT_EQ(a.place.timeMs, 5000);
  EXPECT_EQ(a.siteName, want.siteName);
  EXPECT_TRUE(a.appeared);
  EXPECT_TRUE(a.atFirstPoll);
  EXPECT_EQ(a.code, 0x4843);
  EXPECT_TRUE(a.highlighted);
  EXPECT_EQ(a.controllerTime, want.controllerTime);
  EXPECT_EQ(all[0].acknowledgedBy, "ann");
  EXPECT_EQ(all[0].acknowledgedMs, 7000);
  EXPECT_FALSE(all[1].record.appeared);
  EXPECT_EQ(all[1].acknowledgedBy, "");

  // Only the newest are asked for: still oldest first.
  const std::vector<StoredAlarmEntry> newest = store.AlarmJournal(2);
  ASSERT_EQ(newest.size(), 2u);
  EXPECT_EQ(newest[0].record.entryId, "run-b");
  EXPECT_EQ(newest[1].record.entryId, "run-c");

  // The journal goes with the controller's history to another database.
  HistoryStore carried;
  ASSERT_FALSE(carried.Open(OtherLocation("journal")));
  ASSERT_TRUE(store.CopyTo(carried, kPump));
  const std::vector<StoredAlarmEntry> copy = carried.AlarmJournal(10);
  ASSERT_EQ(copy.size(), 3u);
  EXPECT_EQ(copy[0].acknowledgedBy, "ann");
}

INSTANTIATE_TEST_SUITE_P(Backends, AlarmJournalStoreTest,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), BackendName);

}  // namespace
}  // namespace vorel::test

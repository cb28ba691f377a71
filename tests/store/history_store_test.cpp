// The history store on SQLite and on a real PostgreSQL server: the same cases on both.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/language.h"
#include "store/history_codec.h"
#include "store/history_schema.h"
#include "store/history_store.h"
#include "store/store_fixture.h"

namespace vorel::test {
namespace {

const ControllerKey kPump{"0000AB12CD34", 3101};
const ControllerKey kOther{"00009999AAAA", 3105};
constexpr std::int64_t kDay = 86'400'000;
constexpr std::int64_t kNow = 1'765'000'000'000;  // a fixed "now"

RecordPlace Place(const ControllerKey& key, std::int64_t timeMs) {
  return {key, 1, "/dev/ttyUSB0", timeMs};
}

// Event n: code n % 50 + 1, a distinct BCD time, and a snapshot.
EventRecordWords Event(int n) {
  EventRecordWords r{};
  r[0] = static_cast<std::uint16_t>(n % 50 + 1);
  const int day = n / 24 + 1, hour = n % 24;
  auto bcd = [](int v) { return static_cast<std::uint16_t>((v / 10) * 16 + v % 10); };
  r[1] = static_cast<std::uint16_t>((bcd(day) << 8) | bcd(1));  // day, month
  r[2] = static_cast<std::uint16_t>(bcd(26) << 8);              // year
  r[3] = static_cast<std::uint16_t>((bcd(hour) << 8) | bcd(30));
  r[4] = 0;
  r[5] = static_cast<std::uint16_t>(1500 + n);
  return r;
}

// The controller's ring after `written` events: 112 slots, event n in slot n % 112, the log
// shown from the oldest on; unwritten slots are all 0xFFFF.
std::vector<EventRecordWords> Ring(int written) {
  std::vector<EventRecordWords> ring(112, EventRecordWords{});
  for (auto& s : ring) s.fill(0xFFFF);
  for (int n = 0; n < written; ++n) ring[static_cast<std::size_t>(n % 112)] = Event(n);
  std::rotate(ring.begin(), ring.begin() + (written % 112), ring.end());
  return ring;
}

class HistoryStoreTest : public StoreTest {};

TEST_P(HistoryStoreTest, OverlappingReadsOfAWrappedRingMergeIntoOneHistory) {
  HistoryStore store;
  ASSERT_FALSE(store.Open(location_));
  // A half-full log, then the full log that wrapped 20 records past its end, read twice.
  ASSERT_TRUE(store.Add(EventLogReadRecord{Place(kPump, kNow - 3 * kDay), Ring(60)}));
  ASSERT_TRUE(store.Add(EventLogReadRecord{Place(kPump, kNow - 2 * kDay), Ring(132)}));
  ASSERT_TRUE(store.Add(EventLogReadRecord{Place(kPump, kNow - kDay), Ring(132)}));
  const std::vector<StoredEvent> events = store.Events(kPump);
  ASSERT_EQ(events.size(), 132u);
  for (int n = 0; n < 132; ++n) {
    EXPECT_EQ(events[static_cast<std::size_t>(n)].record, Event(n)) << n;
  }
  // The first 60 were first read three days ago, the rest two days ago.
  EXPECT_EQ(events[59].firstReadMs, kNow - 3 * kDay);
  EXPECT_EQ(events[60].firstReadMs, kNow - 2 * kDay);
  EXPECT_EQ(store.Events(kPump, kNow - 2 * kDay).size(), 72u);
  EXPECT_TRUE(store.Events(kOther).empty());
}

TEST_P(HistoryStoreTest, AParameterSetIsStoredOnceWhateverPointsToIt) {
  HistoryStore store;
  ASSERT_FALSE(store.Open(location_));
  const ParameterWords a{{0x20, 10}, {0x21, 20}};
  const ParameterWords b{{0x20, 10}, {0x21, 25}};
  const struct {
    std::int64_t time;
    ParameterSetKind kind;
    ParameterWords words;
  } uses[] = {{1000, ParameterSetKind::Read, a},
              {2000, ParameterSetKind::Backup, a},
              {3000, ParameterSetKind::Snapshot, a},
              {4000, ParameterSetKind::Read, b},
              {5000, ParameterSetKind::Read, a}};
  for (const auto& use : uses)
    ASSERT_TRUE(store.Add(ParameterSetRecord{Place(kPump, use.time), use.kind, use.words}));
  EXPECT_EQ(store.CountRows("parameter_sets"), 2);
  const std::vector<StoredSet> sets = store.Sets(kPump);
  ASSERT_EQ(sets.size(), 5u);
  for (std::size_t i = 0; i < sets.size(); ++i) {
    EXPECT_EQ(sets[i].timeMs, uses[i].time);
    EXPECT_EQ(sets[i].kind, uses[i].kind);
    EXPECT_EQ(sets[i].words, uses[i].words);
  }
  EXPECT_EQ(sets[0].hash, sets[4].hash);
  EXPECT_NE(sets[0].hash, sets[3].hash);
  // The last two, oldest first.
  const std::vector<StoredSet> last = store.Sets(kPump, 0, 2);
  ASSERT_EQ(last.size(), 2u);
  EXPECT_EQ(last[0].timeMs, 4000);
  EXPECT_EQ(last[1].timeMs, 5000);
}

TEST_P(HistoryStoreTest, OldSamplesAreThinnedToOneAMinuteAndExpire) {
  HistoryStore store;
  ASSERT_FALSE(store.Open(location_));
  ASSERT_TRUE(
      store.Add(IdentificationRecord{Place(kPump, kNow - 100 * kDay), "V5.10", "", "", ""}));
  std::vector<HistoryRecord> records;
  auto sample = [&](std::int64_t t) {
    SampleRecord s;
    s.controller = kPump;
    s.timeMs = t;
    s.counts[0] = static_cast<std::int16_t>(t / 500 % 3000);
    s.divisors[0] = 1;
    records.push_back(s);
  };
  // Three hours of polls every 500 ms up to a whole minute before now, and a few of 100 days
  // ago. The minute grid starts at kNow (a whole minute).
  const std::int64_t end = kNow / 60'000 * 60'000;
  for (std::int64_t t = end - 3 * 3'600'000; t < end; t += 500) sample(t);
  for (int k = 0; k < 10; ++k) sample(end - 100 * kDay + k * 500);
  ASSERT_TRUE(store.Add(records));
  ASSERT_TRUE(store.ThinSamples(end, kDefaultKeepSamplesDays));
  const std::vector<SampleRecord> kept = store.Samples(kPump, 0, end + 1);
  // Two thinned hours (one a minute), then the last hour whole.
  ASSERT_EQ(kept.size(), 120u + 7200u);
  for (std::size_t i = 0; i < 120; ++i)
    EXPECT_EQ(kept[i].timeMs, end - 3 * 3'600'000 + 60'000 * static_cast<std::int64_t>(i));
  EXPECT_EQ(kept[120].timeMs, end - 3'600'000);
  EXPECT_EQ(kept[120].counts[0], (end - 3'600'000) / 500 % 3000);
  EXPECT_EQ(kept[120].divisors[0], 1);
  // Half an hour later only the newly old half hour is thinned.
  ASSERT_TRUE(store.ThinSamples(end + 1'800'000, kDefaultKeepSamplesDays));
  EXPECT_EQ(store.Samples(kPump, 0, end + 1).size(), 120u + 30u + 3600u);
}

TEST_P(HistoryStoreTest, AVersionOneDatabaseIsBroughtUpToDateWithItsRecords) {
  RunSqlFile(std::filesystem::path(TEST_DATA_DIR) / "history_v1.sql");
  HistoryStore store;
  ASSERT_FALSE(store.Open(location_));
  EXPECT_EQ(store.SchemaVersion(), kHistorySchemaVersion);
  const auto keys = store.FindControllers("0000ab12cd34");
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0], kPump);
  ASSERT_EQ(store.Visits(kPump).size(), 1u);
  EXPECT_EQ(store.Visits(kPump)[0].generatorName, "North pump");
  const auto writes = store.Writes(kPump);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].outcome, "");
  ASSERT_EQ(writes[0].changes.size(), 1u);
  EXPECT_EQ(writes[0].changes[0].after, 0x000B);
  const auto samples = store.Samples(kPump, 0, kNow);
  ASSERT_EQ(samples.size(), 1u);
  EXPECT_FALSE(samples[0].gap);
  EXPECT_EQ(samples[0].counts[0], 1500);
  // New records carry what version 2 added.
  WriteRecord write{Place(kPump, 1'700'000'009'000), "command", "done", {}, "Start", "", "eng@pc1"};
  ASSERT_TRUE(store.Add(write));
  EXPECT_EQ(store.Writes(kPump).back().outcome, "done");
  // Opening again changes nothing.
  store.Close();
  ASSERT_FALSE(store.Open(location_));
  EXPECT_EQ(store.Writes(kPump).size(), 2u);
}

TEST_P(HistoryStoreTest, ADatabaseOfANewerSchemaIsRefusedInBothLanguages) {
  {
    HistoryStore store;
    ASSERT_FALSE(store.Open(location_));
  }
  RunSqlFile(std::filesystem::path(TEST_DATA_DIR) / "newer_schema.sql");
  HistoryStore store;
  const auto problem = store.Open(location_);
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->kind, HistoryProblem::Kind::NewerSchema);
  EXPECT_FALSE(store.IsOpen());
  SetLanguageSetting("english");
  EXPECT_EQ(HistoryProblemMessage(*problem),
            "The history database " + location_.Name() +
                " was made by a newer version of this tool (schema 7). The tool goes on without "
                "history.");
  SetLanguageSetting("chinese");
  EXPECT_EQ(HistoryProblemMessage(*problem),
            "历史数据库 " + location_.Name() +
                " 由更新版本的本工具建立（结构版本 7）。本工具不记录历史，继续运行。");
  SetLanguageSetting("english");
}

TEST_P(HistoryStoreTest, OneControllersHistoryIsCarriedToAnotherDatabaseAndBack) {
  HistoryStore store;
  ASSERT_FALSE(store.Open(location_));
  for (const ControllerKey& key : {kPump, kOther}) {
    ASSERT_TRUE(store.Add(IdentificationRecord{Place(key, 1000), "V5.10", "dev", "gen", "me"}));
    ASSERT_TRUE(
        store.Add(ParameterSetRecord{Place(key, 2000),
                                     ParameterSetKind::Read,
                                     {{0x20, static_cast<std::uint16_t>(key.productCode)}}}));
    ASSERT_TRUE(store.Add(EventLogReadRecord{Place(key, 3000), Ring(5)}));
  }
  HistoryStore carried;
  ASSERT_FALSE(carried.Open(OtherLocation("carried")));
  ASSERT_TRUE(store.CopyTo(carried, kPump));
  EXPECT_EQ(carried.Visits(kPump).size(), 1u);
  EXPECT_EQ(carried.Sets(kPump).size(), 1u);
  EXPECT_EQ(carried.Events(kPump).size(), 5u);
  EXPECT_TRUE(carried.Visits(kOther).empty());
  EXPECT_EQ(carried.CountRows("parameter_sets"), 1);
  // Back again: what is there already stays once.
  ASSERT_TRUE(carried.Add(IdentificationRecord{Place(kPump, 9000), "V5.20", "dev", "gen", "you"}));
  ASSERT_TRUE(carried.CopyTo(store));
  EXPECT_EQ(store.Visits(kPump).size(), 2u);
  EXPECT_EQ(store.Events(kPump).size(), 5u);
  EXPECT_EQ(store.CountRows("parameter_sets"), 2);
}

INSTANTIATE_TEST_SUITE_P(Backends, HistoryStoreTest,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), BackendName);

}  // namespace
}  // namespace vorel::test

// The spool file that keeps records through a long outage: every kind of record comes back
// as it went in, in order; a frame torn by a crash costs only itself, and later appends are
// read after the whole ones; a full spool refuses what would pass its limit; the file goes
// after a complete replay.
#include <gtest/gtest.h>

#include <fstream>

#include "store/history_spool.h"
#include "support/ordinary_user.h"

namespace vorel::test {
namespace {

const ControllerKey kPump{"0000AB12CD34", 3101};
const RecordPlace kPlace{kPump, 7, "/dev/ttyUSB0", 1'700'000'000'000};

SampleRecord Sample(std::int64_t t) {
  SampleRecord s;
  s.controller = kPump;
  s.timeMs = t;
  s.counts = {1500, -20, 0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 32767};
  s.divisors = {1, 10, 0, 1, 1, 100, 1, 1, 1, 1, 1, 1, 1};
  return s;
}

std::vector<HistoryRecord> EveryKind() {
  EventRecordWords event{};
  event[0] = 0x0105;
  event[31] = 0xFFFF;
  SampleRecord gap = Sample(9);
  gap.gap = true;
  return {IdentificationRecord{kPlace, "V1.2", "HGM 6120", "Pump station 生", "eng"},
          ParameterSetRecord{kPlace, ParameterSetKind::Snapshot, {{0x00C8, 200}, {0x00C9, 7}}},
          WriteRecord{kPlace, "write", "done", {{0x00C8, 200, 321}}, "note", "a.dat", "eng"},
          EventLogReadRecord{kPlace, {event, EventRecordWords{}}},
          Sample(1),
          gap,
          AlarmJournalRecord{kPlace, "pc-1/17", 2, "Pump house", true, false, 0x0105, true,
                             "2026-12-11 09:30:00"},
          AlarmAcknowledgement{"pc-1/17", "eng", 1'700'000'060'000}};
}

// The records compare through their encoding: equal bytes, equal fields.
std::vector<std::string> Encoded(const std::vector<HistoryRecord>& records) {
  std::vector<std::string> out;
  for (const HistoryRecord& r : records) out.push_back(EncodeHistoryRecord(r));
  return out;
}

TEST(HistorySpool, EveryKindOfRecordComesBackInOrderAndTheFileGoesAfterReplay) {
  UserDir dir;
  const auto file = dir.path() / "spool.bin";
  const std::vector<HistoryRecord> records = EveryKind();
  for (const HistoryRecord& r : records) {
    const auto back = DecodeHistoryRecord(EncodeHistoryRecord(r));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->index(), r.index());
  }
  {
    HistorySpool spool(file, 1 << 20);
    EXPECT_FALSE(spool.HasRecords());
    ASSERT_EQ(spool.Append(records), records.size());
  }
  HistorySpool spool(file, 1 << 20);
  ASSERT_TRUE(spool.HasRecords());
  std::uint64_t next = 0;
  const std::vector<HistoryRecord> first = spool.Read(4, &next);
  EXPECT_EQ(Encoded(first), Encoded({records.begin(), records.begin() + 4}));
  spool.Replayed(next);
  {
    // Where replay got survives a restart.
    HistorySpool again(file, 1 << 20);
    std::uint64_t rest = 0;
    EXPECT_EQ(Encoded(again.Read(100, &rest)), Encoded({records.begin() + 4, records.end()}));
  }
  const std::vector<HistoryRecord> second = spool.Read(100, &next);
  EXPECT_EQ(second.size(), records.size() - 4);
  spool.Replayed(next);
  EXPECT_FALSE(spool.HasRecords());
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(HistorySpool, ATornLastFrameCostsOnlyItselfAndLaterAppendsFollowTheWholeOnes) {
  UserDir dir;
  const auto file = dir.path() / "spool.bin";
  {
    HistorySpool spool(file, 1 << 20);
    ASSERT_EQ(spool.Append(std::vector<HistoryRecord>{Sample(1), Sample(2)}), 2u);
  }
  {
    // A crash in the middle of an append: a frame's length and part of its bytes.
    std::ofstream torn(file, std::ios::binary | std::ios::app);
    torn.write(
        "\x40\x00\x00\x00\x11\x22\x33\x44\x04"
        "abc",
        12);
  }
  HistorySpool spool(file, 1 << 20);
  ASSERT_EQ(spool.Append(std::vector<HistoryRecord>{Sample(3)}), 1u);
  std::uint64_t next = 0;
  const std::vector<HistoryRecord> back = spool.Read(100, &next);
  EXPECT_EQ(Encoded(back), Encoded({Sample(1), Sample(2), Sample(3)}));
}

TEST(HistorySpool, AFullSpoolRefusesWhatWouldPassItsLimit) {
  UserDir dir;
  const auto file = dir.path() / "spool.bin";
  const std::size_t one = EncodeHistoryRecord(Sample(0)).size() + 8;
  HistorySpool spool(file, 16 + 3 * one);
  std::vector<HistoryRecord> five;
  for (int i = 0; i < 5; ++i) five.push_back(Sample(i));
  EXPECT_EQ(spool.Append(five), 3u);
  EXPECT_EQ(spool.Append(five), 0u);
  EXPECT_EQ(std::filesystem::file_size(file), 16 + 3 * one);
  EXPECT_FALSE(DecodeHistoryRecord("\x04junk"));
}

}  // namespace
}  // namespace vorel::test

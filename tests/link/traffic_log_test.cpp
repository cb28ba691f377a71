// The traffic log: what the link records for each outcome of a request, the text line, and
// the bound on what is kept.
#include <malloc.h>

#include <string>

#include "link/traffic_log.h"
#include "link_fixture.h"

namespace vorel::test {
namespace {

const RegisterBlock kThree{0x0010, 3, 0, "System"};

struct TrafficCase {
  const char* name;
  FakeSerialPort::Reply reply;
  FrameOutcome outcome;
  std::size_t replyBytes;  // bytes of the second frame
  const char* text;        // its outcome text
};

TEST_F(LinkTest, EveryRequestAndItsOutcomeAreRecorded) {
  const Bytes good = WithCrc({0x05, 0x03, 0x06, 0x12, 0x34, 0xFF, 0xFF, 0x00, 0x01});
  Bytes badCrc = good;
  badCrc.back() ^= 0x01;
  const Bytes exception = WithCrc({0x05, 0x83, 0x02});
  const Bytes otherSite = WithCrc({0x06, 0x03, 0x06, 0x12, 0x34, 0xFF, 0xFF, 0x00, 0x01});
  const TrafficCase cases[] = {
      {"reply", {{0, good}}, FrameOutcome::Reply, 11, "reply"},
      {"CRC error", {{0, badCrc}}, FrameOutcome::CrcError, 11, "CRC error"},
      {"exception", {{0, exception}}, FrameOutcome::Exception, 5, "exception 02"},
      {"another site's reply", {{0, otherSite}}, FrameOutcome::Foreign, 3, "other frame, dropped"},
      {"no reply", {}, FrameOutcome::Timeout, 0, "timeout"},
      {"a short reply with a correct CRC",
       {{0, WithCrc({0x05, 0x03, 0x02, 0x12, 0x34})}},
       FrameOutcome::Incomplete,
       7,
       "incomplete, refused"},
      {"half a reply",
       {{0, Bytes(good.begin(), good.begin() + 5)}},
       FrameOutcome::Timeout,
       3,
       "timeout"},
  };
  for (const TrafficCase& c : cases) {
    SCOPED_TRACE(c.name);
    TrafficLog log;
    link.SetTrafficLog(&log);
    log.Restart(pump.NowMs());
    port.QueueReply(c.reply);
    Exchange<PlainRead>(5, kThree);
    std::vector<FrameRecord> frames;
    log.CopySince(0, frames);
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[0].outcome, FrameOutcome::Request);
    EXPECT_EQ(frames[0].bytes.size(), 8u);
    EXPECT_EQ(frames[0].site, 5);
    EXPECT_EQ(frames[0].address, 0x0010);
    EXPECT_EQ(frames[0].count, 3);
    EXPECT_EQ(frames[1].outcome, c.outcome);
    EXPECT_EQ(frames[1].bytes.size(), c.replyBytes);
    EXPECT_EQ(FrameOutcomeText(frames[1]), c.text);
    EXPECT_EQ(frames.back().outcome,
              c.outcome == FrameOutcome::Foreign ? FrameOutcome::Timeout : c.outcome);
    link.SetTrafficLog(nullptr);
  }
}

TEST(TrafficLog, KeepsTheNewestFramesAndFormatsOneLineEach) {
  SetLanguageSetting("english");
  TrafficLog log(3);
  log.Restart(1000);
  const std::uint8_t request[] = {0x01, 0x03, 0x01, 0x69, 0x00, 0x04, 0x95, 0xE9};
  for (int k = 0; k < 5; ++k)
    log.Record(1000 + 10 * static_cast<std::uint64_t>(k), FrameOutcome::Request, 1, 0x03, 0x0169, 4,
               request);
  EXPECT_EQ(log.Size(), 3u);
  EXPECT_EQ(log.Newest(), 5u);
  std::vector<FrameRecord> frames;
  log.CopySince(0, frames);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].sequence, 3u);
  EXPECT_EQ(frames[2].timeMs, 40u);
  frames.clear();
  log.CopySince(4, frames);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(FormatFrameLine(frames[0]),
            "       40 ms  TX   1  03  0169+4      8  01 03 01 69 00 04 95 E9  request");
  // The file of `vorel-cli --trace` gets each line as it is recorded.
  std::vector<std::string> lines;
  log.SetSink([&](const FrameRecord& r) { lines.push_back(FormatFrameLine(r)); });
  log.Record(1100, FrameOutcome::Timeout, 1, 0x03, 0x0169, 4, {});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "      100 ms  RX   1  03  0169+4      0    timeout");
  SetLanguageSetting("chinese");
  EXPECT_EQ(FrameOutcomeText(frames[0]), "请求");
  log.Clear();
  EXPECT_EQ(log.Size(), 0u);
}

// Hours of polling record the same few frame sizes over and over; the log must not take more
// memory for them than it took when it was made, whatever order they come in, and a long frame
// that passed through gives its storage back once a shorter one has its slot.
TEST(TrafficLog, RecordingTakesNoMoreMemoryThanTheLogHadWhenMade) {
  const auto heapInUse = [] {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
  };
  TrafficLog log(1000);
  log.Restart(0);
  const std::vector<std::uint8_t> request(8), reply(145), longest(TrafficLog::kSlotBytes),
      block(1062);
  const std::size_t made = heapInUse();
  // Seven frames per round against 1000 slots: requests and replies keep trading slots. Block
  // replies come during the first rounds only.
  for (int k = 0; k < 7000; ++k) {
    const std::vector<std::uint8_t>& bytes = k < 3000 && k % 250 == 3 ? block
                                             : k % 7 == 6             ? longest
                                             : k % 2 == 0             ? request
                                                                      : reply;
    log.Record(static_cast<std::uint64_t>(k), FrameOutcome::Reply, 1, 0x03, 0x804F, 70, bytes);
  }
  EXPECT_EQ(heapInUse(), made);
  std::vector<FrameRecord> frames;
  log.CopySince(6998, frames);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].bytes.size(), request.size());
  EXPECT_EQ(frames[1].bytes.size(), longest.size());
}

}  // namespace
}  // namespace vorel::test

// The wait for a reply that is partly in, with the port's line speed known: it sleeps until the
// missing bytes can be there instead of looking every millisecond (or, event-driven, waking at
// every byte), and the reply still completes, or times out, when it did before.
#include "link_fixture.h"

namespace vorel::test {
namespace {

// A live-value reply of 70 registers (value group: four-byte header, no collection steps).
Bytes LiveValuesOfSite1() {
  Bytes reply{0x01, 0x03, 0x00, 140};
  for (int i = 0; i < 140; ++i) reply.push_back(static_cast<std::uint8_t>(i));
  return WithCrc(reply);
}

constexpr std::uint64_t kCharacterUs = 1042;  // 8N1 at 9600 baud

// From 5 ms on, each byte in once its last bit is, at 9600 baud.
std::uint64_t ArrivalMs(std::size_t index) {
  return 5 + ((index + 1) * kCharacterUs + 999) / 1000;
}

FakeSerialPort::Reply AtLineSpeed(const Bytes& bytes) {
  FakeSerialPort::Reply reply;
  for (std::size_t i = 0; i < bytes.size(); ++i) reply.push_back({ArrivalMs(i), {bytes[i]}});
  return reply;
}

TEST_F(LinkTest, PartlyInReplyIsWaitedForByItsWireTime) {
  PortSettings line;  // 8N1
  struct Case {
    const char* name;
    int baud;  // 0: the speed is not known
    bool extraByte;
    bool fast;  // event-driven collection
  };
  // clang-format off
  const Case cases[] = {
      {"speed unknown",             0,    false, false},
      {"9600 baud",                 9600, false, false},
      {"speed unknown, extra byte", 0,    true,  false},
      {"9600 baud, extra byte",     9600, true,  false},
      {"speed unknown, fast",       0,    false, true},
      {"9600 baud, fast",           9600, false, true},
  };
  // clang-format on
  std::uint64_t doneMs[std::size(cases)] = {};
  int moves[std::size(cases)] = {};
  const Bytes good = LiveValuesOfSite1();
  const std::uint64_t lastByteMs = ArrivalMs(good.size() - 1);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    line.baud = c.baud;
    link.SetLineSpeed(line);
    link.SetFastCollection(c.fast);
    FakeSerialPort::Reply reply = AtLineSpeed(good);
    if (c.extraByte) reply.back().bytes.push_back(0x00);  // in with the last byte
    port.QueueReply(reply);
    // Every case starts at a tick, so that its timeout falls at the same time after it.
    pump.AdvanceTo((pump.NowMs() / kTickMs + 1) * kTickMs);
    int clockMoves = 0;
    pump.beforeTimeMoves = [&clockMoves] { ++clockMoves; };
    const std::uint64_t start = pump.NowMs();
    EXPECT_EQ(Told(Exchange<ValueRead>(1, reg::kLiveValues)),
              c.extraByte ? "Communication timeout!" : "");
    pump.beforeTimeMoves = nullptr;
    doneMs[i] = pump.NowMs() - start;
    moves[i] = clockMoves;
  }
  EXPECT_EQ(link.CharacterMicroseconds(), static_cast<int>(kCharacterUs));
  // Without the speed: a look every millisecond while the reply comes in.
  EXPECT_GT(moves[0], 140);
  // With it: a handful of sleeps, the reply taken with its last byte, then the 4 ms
  // finishing pause, as before.
  EXPECT_LT(moves[1], 15);
  EXPECT_EQ(doneMs[1], lastByteMs + kRequestPauseMs);
  EXPECT_EQ(doneMs[0], doneMs[1]);
  // A reply with one byte too many never completes: it times out 2 s plus its wire time
  // (146 bytes, 153 ms at 9600 baud) after the request, a tick later than without the speed.
  EXPECT_EQ(doneMs[3], doneMs[2] + kTickMs);
  EXPECT_GT(doneMs[3], 2153u);
  EXPECT_LT(moves[3], 45);
  // Event-driven: woken by every byte without the speed, by a few with it; done with the last
  // byte either way.
  EXPECT_GT(moves[4], 140);
  EXPECT_LT(moves[5], 15);
  EXPECT_EQ(doneMs[4], lastByteMs);
  EXPECT_EQ(doneMs[5], lastByteMs);
}

}  // namespace
}  // namespace vorel::test

// Two-wire adapters that echo the request, noise before a reply, and the event-driven
// collection of scripts, on the fake port and fake time.
#include <string>

#include "link_fixture.h"

namespace vorel::test {
namespace {

const RegisterBlock kThree{0x0010, 3, 0, "System"};

Bytes ThreeWordsOfSite5() {
  return WithCrc({0x05, 0x03, 0x06, 0x12, 0x34, 0xFF, 0xFF, 0x00, 0x01});
}

Bytes Join(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

enum class Adapter { Silent, Echoes, EchoesWrongly };

struct LineCase {
  const char* name;
  bool discardEcho;
  Adapter adapter;
  Bytes noise;  // after the echo, before the reply
  bool badCrc;  // the reply's CRC is spoiled
  bool ok;
  const char* message;
  const char* fastMessage;  // where event-driven collection sees it otherwise
};

TEST_F(LinkTest, EchoAndNoiseCases) {
  // clang-format off
  const LineCase cases[] = {
    {"echo discarded",                       true,  Adapter::Echoes,        {},           false, true,  nullptr, nullptr},
    {"echo discarded, stray 0x00 after it",  true,  Adapter::Echoes,        {0x00},       false, true,  nullptr, nullptr},
    {"echo not discarded",                   false, Adapter::Echoes,        {},           false, false, "Communication timeout!", "CRC error!"},
    {"echo expected, adapter silent",        true,  Adapter::Silent,        {},           false, false, "Line error: the echo of the request does not match!", nullptr},
    {"echo with a changed byte",             true,  Adapter::EchoesWrongly, {},           false, false, "Line error: the echo of the request does not match!", nullptr},
    {"no echo, stray 0x00 before the reply", false, Adapter::Silent,        {0x00},       false, true,  nullptr, nullptr},
    {"no echo, two stray bytes",             false, Adapter::Silent,        {0x00, 0xFF}, false, true,  nullptr, nullptr},
    {"stray 0x00, then a bad CRC",           false, Adapter::Silent,        {0x00},       true,  false, "Communication timeout!", nullptr},
  };
  // clang-format on
  for (bool fast : {false, true}) {
    for (const LineCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (fast ? ", fast" : ", paced"));
      auto caseImages = std::make_unique<SiteImages>();
      ScriptedHost freshHost;
      ModbusLink caseLink(port, freshHost, pump, *caseImages);
      caseLink.StartTicking();
      caseLink.SetEchoDiscard(c.discardEcho);
      caseLink.SetFastCollection(fast);
      Bytes reply = ThreeWordsOfSite5();
      if (c.badCrc) reply.back() ^= 0x01;
      port.responder = [&](std::span<const std::uint8_t> frame) {
        Bytes heard;
        if (c.adapter != Adapter::Silent) heard.assign(frame.begin(), frame.end());
        if (c.adapter == Adapter::EchoesWrongly) heard[4] ^= 0x01;
        // The echo as the request goes out; the reply after the turnaround.
        return FakeSerialPort::Reply{{0, heard}, {5, Join(c.noise, reply)}};
      };
      PlainRead(caseLink, 5, kThree).WaitFor();
      const RequestResult result = caseLink.WaitForReply(5);
      EXPECT_EQ(static_cast<bool>(result), c.ok);
      EXPECT_TRUE(freshHost.messages.empty());
      EXPECT_TRUE(caseLink.LinkIdle());
      if (c.ok) {
        EXPECT_EQ(caseLink.CommState(5), kCommDone);
        EXPECT_EQ(caseImages->Word(5, 0x10), 0x1234);
        EXPECT_EQ(caseImages->Word(5, 0x12), 0x0001);
      } else {
        const char* message = fast && c.fastMessage ? c.fastMessage : c.message;
        EXPECT_EQ(Told(result), message);
        EXPECT_EQ(caseLink.CommState(5), kCommNoResult);
        EXPECT_EQ(caseImages->Word(5, 0x10), 0);
      }
      port.responder = nullptr;
      // Whatever happened, the next request starts cleanly.
      EXPECT_EQ(port.InputCount(), 0);
    }
  }
}

TEST_F(LinkTest, EchoOfAWriteIsDiscarded) {
  link.SetEchoDiscard(true);
  port.responder = [](std::span<const std::uint8_t> frame) {
    return FakeSerialPort::Reply{{0, Join(Bytes(frame.begin(), frame.end()),
                                          WithCrc({0x03, 0x10, 0x00, 0x11, 0x00, 0x01}))}};
  };
  EXPECT_TRUE(Exchange<WriteRequest>(3, {0x0011, 1, 0, {}}, RegisterWords{5}));
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(LinkTest, FastCollectionCompletesWithTheLastByte) {
  const Bytes good = ThreeWordsOfSite5();
  FakeSerialPort::Reply byteByByte;
  for (std::size_t i = 0; i < good.size(); ++i) byteByByte.push_back({7 + 2 * i, {good[i]}});
  const std::uint64_t lastByteMs = 7 + 2 * (good.size() - 1);

  link.SetFastCollection(true);
  port.QueueReply(byteByByte);
  std::uint64_t start = pump.NowMs();
  ASSERT_TRUE(Exchange<PlainRead>(5, kThree));
  // No 100 ms steps and no finishing pause: done the moment the last byte is there.
  EXPECT_EQ(pump.NowMs() - start, lastByteMs);
  EXPECT_EQ(images->Word(5, 0x11), 0xFFFF);

  // The same reply collected in the windows' steps.
  link.SetFastCollection(false);
  port.QueueReply(byteByByte);
  start = pump.NowMs();
  ASSERT_TRUE(Exchange<PlainRead>(5, kThree));
  EXPECT_EQ(pump.NowMs() - start, 204u);

  // Fast collection keeps the rules for what is not a good reply.
  link.SetFastCollection(true);
  Bytes otherSite = good;
  otherSite[0] = 6;
  port.QueueReply(WithCrc(Bytes(otherSite.begin(), otherSite.end() - 2)));
  EXPECT_EQ(Told(Exchange<PlainRead>(5, kThree)), "Communication timeout!");
}

// Event-driven collection takes exactly one frame, checked whole: a reply split in pieces
// completes with its last piece; one cut short is not taken; bytes after a whole reply are not
// part of it and are gone before the next request; a frame cut off and run into the next one
// fails its CRC, so bytes of two frames never make one reply.
TEST_F(LinkTest, FastCollectionTakesNoTruncatedOrMergedReply) {
  const Bytes good = ThreeWordsOfSite5();
  const Bytes other = WithCrc({0x05, 0x03, 0x06, 0xAA, 0xAA, 0xBB, 0xBB, 0xCC, 0xCC});
  auto part = [](const Bytes& b, std::size_t from, std::size_t to) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
                 b.begin() + static_cast<std::ptrdiff_t>(to));
  };
  struct Case {
    const char* name;
    FakeSerialPort::Reply reply;
    const char* told;      // "" for a reply taken
    std::uint64_t doneMs;  // when a reply is taken
  };
  const std::size_t n = good.size();
  const Case cases[] = {
      {"in three pieces",
       {{5, part(good, 0, 2)}, {9, part(good, 2, 7)}, {14, part(good, 7, n)}},
       "",
       14},
      {"one byte short", {{5, part(good, 0, n - 1)}}, "Communication timeout!", 0},
      {"a byte more with the last piece",
       {{5, part(good, 0, n - 3)}, {9, Join(part(good, n - 3, n), {0x00})}},
       "",
       9},
      {"two frames in one", {{5, Join(good, other)}}, "", 5},
      {"a frame cut off, then the reply", {{5, part(other, 0, 6)}, {8, good}}, "CRC error!", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto caseImages = std::make_unique<SiteImages>();
    ModbusLink caseLink(port, host, pump, *caseImages);
    caseLink.StartTicking();
    caseLink.SetFastCollection(true);
    port.QueueReply(c.reply);
    const std::uint64_t start = pump.NowMs();
    PlainRead(caseLink, 5, kThree).WaitFor();
    const RequestResult result = caseLink.WaitForReply(5);
    EXPECT_EQ(Told(result), c.told);
    if (*c.told == '\0') {
      EXPECT_EQ(pump.NowMs() - start, c.doneMs);
      EXPECT_EQ(caseImages->Word(5, 0x10), 0x1234);
      EXPECT_EQ(caseImages->Word(5, 0x12), 0x0001);
    } else {
      EXPECT_EQ(caseImages->Word(5, 0x10), 0);
      EXPECT_EQ(caseLink.CommState(5), kCommNoResult);
    }
    EXPECT_TRUE(caseLink.LinkIdle());
    // Whatever was left on the line, the next request takes its own reply.
    port.QueueReply(other, 5);
    PlainRead(caseLink, 5, kThree).WaitFor();
    EXPECT_EQ(Told(caseLink.WaitForReply(5)), "");
    EXPECT_EQ(caseImages->Word(5, 0x10), 0xAAAA);
    EXPECT_EQ(caseImages->Word(5, 0x12), 0xCCCC);
  }
}

}  // namespace
}  // namespace vorel::test

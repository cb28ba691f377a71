// Reply collection on the fake port and fake time: shapes, pieces, bad replies, timeouts.
#include <chrono>
#include <string>
#include <thread>

#include "link_fixture.h"

namespace vorel::test {
namespace {

const RegisterBlock kThree{0x0010, 3, 0, "System"};

std::string Status(ScriptedHost& host, int site, int panel) {
  return host.siteStatus[{site, panel}];
}

// The reply of site 5 to a plain read of three registers: 0x1234, 0xFFFF, 0x0001.
Bytes ThreeWordsOfSite5() {
  return WithCrc({0x05, 0x03, 0x06, 0x12, 0x34, 0xFF, 0xFF, 0x00, 0x01});
}

struct PlainReadCase {
  const char* name;
  int site;
  FakeSerialPort::Reply reply;
  bool modem;
  bool ok;
  const char* message;  // nullptr: none shown
};

TEST_F(LinkTest, PlainReadCases) {
  const Bytes good = ThreeWordsOfSite5();
  Bytes extra = good;
  extra.push_back(0x00);
  Bytes otherSite = WithCrc({0x06, 0x03, 0x06, 0x12, 0x34, 0xFF, 0xFF, 0x00, 0x01});
  Bytes badCrc = good;
  badCrc.back() ^= 0x01;
  FakeSerialPort::Reply byteByByte;
  for (std::size_t i = 0; i < good.size(); ++i) byteByByte.push_back({10 * i, {good[i]}});

  const PlainReadCase cases[] = {
      {"whole reply", 5, {{0, good}}, false, true, nullptr},
      {"two pieces: 4 bytes, the other 7 later",
       5,
       {{0, Bytes(good.begin(), good.begin() + 4)}, {300, Bytes(good.begin() + 4, good.end())}},
       false,
       true,
       nullptr},
      {"byte by byte", 5, byteByByte, false, true, nullptr},
      {"one extra trailing byte", 5, {{0, extra}}, false, false, "Communication timeout!"},
      {"another site's address", 5, {{0, otherSite}}, false, false, "Communication timeout!"},
      {"CRC error", 5, {{0, badCrc}}, false, false, "CRC error!"},
      {"exception reply",
       1,
       {{0, {0x01, 0x83, 0x02, 0xC0, 0xF1}}},
       false,
       false,
       "Exception response! (code 02: the controller has no such register)"},
      {"no reply", 5, {}, false, false, "Communication timeout!"},
      {"reply after 5 s without the modem",
       5,
       {{5000, good}},
       false,
       false,
       "Communication timeout!"},
      {"reply after 5 s with the modem", 5, {{5000, good}}, true, true, nullptr},
  };
  for (const PlainReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto caseImages = std::make_unique<SiteImages>();
    ScriptedHost freshHost;
    ModbusLink caseLink(port, freshHost, pump, *caseImages);
    caseLink.StartTicking();
    caseLink.SetModem(c.modem);
    port.QueueReply(c.reply);
    const std::uint64_t start = pump.NowMs();
    PlainRead(caseLink, static_cast<std::uint8_t>(c.site), kThree).WaitFor();
    const RequestResult result = caseLink.WaitForReply(c.site);
    EXPECT_EQ(static_cast<bool>(result), c.ok);
    EXPECT_TRUE(freshHost.messages.empty());
    EXPECT_TRUE(caseLink.LinkIdle());
    EXPECT_EQ(caseLink.ExpectedBytes(), 0);
    EXPECT_EQ(port.InputCount(), 0);
    if (c.ok) {
      EXPECT_EQ(caseLink.CommState(c.site), kCommDone);
      EXPECT_EQ(caseImages->Word(c.site, 0x10), 0x1234);
      EXPECT_EQ(caseImages->Word(c.site, 0x11), 0xFFFF);
      EXPECT_EQ(caseImages->Word(c.site, 0x12), 0x0001);
      EXPECT_EQ(Status(freshHost, c.site, 3), "Read 16 done");
    } else {
      EXPECT_EQ(caseLink.CommState(c.site), kCommNoResult);
      EXPECT_EQ(Told(result), c.message);
      EXPECT_EQ(caseImages->Word(c.site, 0x10), 0);
      EXPECT_EQ(Status(freshHost, c.site, 3), "Response timeout!");
    }
    if (std::string(c.message ? c.message : "") == "Communication timeout!" && !c.modem) {
      // Just over two seconds of ticks, counted by the 100 ms timer.
      EXPECT_GE(pump.NowMs() - start, 2100u);
      EXPECT_LE(pump.NowMs() - start, 2300u);
    }
  }
}

TEST_F(LinkTest, PlainReadStepsPauseAHundredMilliseconds) {
  port.QueueReply(ThreeWordsOfSite5());
  const std::uint64_t start = pump.NowMs();
  ASSERT_TRUE(Exchange<PlainRead>(5, kThree));
  // Step 1 takes the header, step 2 the rest: two 100 ms pauses, then the 4 ms finish.
  EXPECT_EQ(pump.NowMs() - start, 204u);
}

TEST_F(LinkTest, ModemTimeoutIsEightSeconds) {
  link.SetModem(true);
  const std::uint64_t start = pump.NowMs();
  EXPECT_FALSE(Exchange<PlainRead>(5, kThree));
  EXPECT_GE(pump.NowMs() - start, 8100u);
  EXPECT_LE(pump.NowMs() - start, 8300u);
}

TEST_F(LinkTest, SendAnnouncesAndFinishes) {
  port.QueueReply(WithCrc({0x01, 0x03, 0x00, 0x02, 0x00, 0x07}));
  ASSERT_TRUE(Exchange<ValueRead>(1, reg::kLiveValues));
  EXPECT_EQ(port.Frames().back(), (Bytes{0x01, 0x03, 0x80, 0x4F, 0x00, 0x46, 0xDC, 0x2F}));
  EXPECT_EQ(Status(host, 1, 3), "Read 32847 done");
  EXPECT_EQ(port.InputPurges(), 1);
  EXPECT_EQ(port.OutputPurges(), 1);
  EXPECT_EQ(link.CurrentRequest(), reg::kLiveValues);
}

TEST_F(LinkTest, ExtendedReplyOf830BytesFillsTheParameterDescriptors) {
  Bytes reply{0x01, 0x03, 0x03, 0x3E};
  for (int i = 0; i < 83; ++i) {
    const auto address = static_cast<std::uint16_t>(0x00C8 + i);
    const Bytes descriptor{static_cast<std::uint8_t>(address >> 8),
                           static_cast<std::uint8_t>(address),
                           1,
                           0,
                           0x01,
                           0xF4,
                           0xFF,
                           0xFF,
                           0x00,
                           static_cast<std::uint8_t>(i)};
    reply.insert(reply.end(), descriptor.begin(), descriptor.end());
  }
  port.QueueReply(WithCrc(reply));
  ASSERT_TRUE(Exchange<ParameterConfigRead>(1, reg::kParamConfig1));
  const auto table = images->ParameterDescriptors(1, reg::kParamConfig1);
  ASSERT_EQ(table.size(), 83u);
  EXPECT_EQ(table[82].address, 0x00C8 + 82);
  EXPECT_EQ(table[82].maximum, 500);
  EXPECT_EQ(table[82].minimum, -1);
  EXPECT_EQ(table[82].offset, 82);

  // The paired value block is then scattered by those descriptors.
  Bytes values{0x01, 0x03, 0x00, 166};
  for (int i = 0; i < 83; ++i) {
    values.push_back(0x10);
    values.push_back(static_cast<std::uint8_t>(i));
  }
  port.QueueReply(WithCrc(values));
  ASSERT_TRUE(Exchange<ParameterRead>(1, reg::kParamValues1));
  EXPECT_EQ(images->Word(1, 0x00C8), 0x1000);
  EXPECT_EQ(images->Word(1, 0x00C8 + 82), 0x1052);
}

TEST_F(LinkTest, OversizeReplyIsDroppedAndFailsAtOnce) {
  // 1280 data bytes announced: more than the receive buffer holds.
  Bytes reply{0x01, 0x03, 0x05, 0x00};
  reply.resize(4 + 1280 + 2, 0x55);
  port.QueueReply(reply);
  const std::uint64_t start = pump.NowMs();
  EXPECT_EQ(Told(Exchange<ValueConfigRead>(1, reg::kLiveConfig)), "Communication timeout!");
  EXPECT_LT(pump.NowMs() - start, 100u);
  EXPECT_EQ(link.CommState(1), kCommNoResult);
  EXPECT_TRUE(images->ValueDescriptors(1, reg::kLiveConfig).empty());
  EXPECT_TRUE(link.LinkIdle());
}

TEST_F(LinkTest, LargestExtendedReplyFits) {
  Bytes reply{0x01, 0x03, 0x04, 0x20};  // 1056 data bytes
  reply.resize(4 + 1056, 0);
  port.QueueReply(WithCrc(reply));
  EXPECT_TRUE(Exchange<ValueRead>(1, reg::kLiveValues));
  EXPECT_EQ(link.ReplyData().size(), 1056u);
}

TEST_F(LinkTest, ExtendedExceptionReply) {
  // Header: address, 0x83, exception code, CRC low; then the CRC high byte.
  port.QueueReply(WithCrc({0x01, 0x83, 0x02}));
  EXPECT_EQ(Told(Exchange<ParameterRead>(1, reg::kParamValues2)),
            "Exception response! (code 02: the controller has no such register)");
}

TEST_F(LinkTest, WriteEchoAndWriteException) {
  port.QueueReply(WithCrc({0x03, 0x10, 0x00, 0x11, 0x00, 0x01}));
  ASSERT_TRUE(Exchange<WriteRequest>(3, reg::kControllerAddress, {0x0005}));
  EXPECT_EQ(port.Frames().back(),
            (Bytes{0x03, 0x10, 0x00, 0x11, 0x00, 0x01, 0x02, 0x00, 0x05, 0x7C, 0x72}));
  EXPECT_EQ(Status(host, 3, 3), "Write 17 done");
  EXPECT_EQ(link.CommState(3), kCommDone);

  port.QueueReply(WithCrc({0x03, 0x90, 0x02}));
  EXPECT_EQ(Told(Exchange<WriteRequest>(3, reg::kControllerAddress, {0x0005})),
            "Exception response! (code 02: the controller has no such register)");
}

// A late echo of an earlier write (register 0x40) is not this write's reply: the write
// succeeds only with its own echo, and times out when that never comes.
TEST_F(LinkTest, ALateEchoOfAnotherWriteIsNotTaken) {
  const Bytes stale = WithCrc({0x03, 0x10, 0x00, 0x40, 0x00, 0x0A});
  const Bytes own = WithCrc({0x03, 0x10, 0x00, 0x11, 0x00, 0x01});
  port.QueueReply(FakeSerialPort::Reply{{20, stale}, {300, own}});
  EXPECT_TRUE(Exchange<WriteRequest>(3, reg::kControllerAddress, {0x0005}));
  EXPECT_EQ(link.CommState(3), kCommDone);
  EXPECT_TRUE(host.messages.empty());

  port.QueueReply(stale, 20);
  EXPECT_EQ(Told(Exchange<WriteRequest>(3, reg::kControllerAddress, {0x0005})),
            "Communication timeout!");
}

TEST_F(LinkTest, RefusedWriteSendsNothingAndFailsAtOnce) {
  for (std::uint16_t count : {0, 124}) {
    SCOPED_TRACE(count);
    const std::uint64_t start = pump.NowMs();
    EXPECT_FALSE(
        Exchange<WriteRequest>(1, RegisterBlock{0x00C8, count, 0, ""}, RegisterWords(130, 1)));
    EXPECT_TRUE(port.Frames().empty());
    EXPECT_LT(pump.NowMs() - start, 10u);
  }
}

TEST_F(LinkTest, ChineseMessages) {
  SetLanguageSetting("English");  // only the exact "english" selects English
  EXPECT_EQ(Told(Exchange<PlainRead>(5, kThree)), "通讯超时!");
}

TEST_F(LinkTest, UnpluggedMidReplyEndsByTimeout) {
  const Bytes good = ThreeWordsOfSite5();
  port.QueueReply(
      {{0, Bytes(good.begin(), good.begin() + 5)}, {500, Bytes(good.begin() + 5, good.end())}});
  pump.StartTimer(250, [this] { port.Unplug(); });
  EXPECT_EQ(Told(Exchange<PlainRead>(5, kThree)), "Communication timeout!");
  EXPECT_TRUE(link.LinkIdle());
}

struct FailedPollCase {
  const char* name;
  Bytes reply;
  RequestResult result;
  std::int16_t stateAfter;  // a reply that ends the request marks the site; a timeout does not
};

TEST_F(LinkTest, AFailedPolledRequestIsEndedAndSaysHow) {
  const FailedPollCase cases[] = {
      {"no reply", {}, {RequestOutcome::Timeout}, kCommDone},
      {"bad CRC",
       [] {
         Bytes b = WithCrc({0x07, 0x03, 0x00, 0x02, 0x00, 0x01});
         b.back() ^= 0x01;
         return b;
       }(),
       {RequestOutcome::CrcError},
       kCommCrcError},
      {"exception", WithCrc({0x07, 0x83, 0x02}), {RequestOutcome::Exception, 0x02}, kCommException},
  };
  for (const FailedPollCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedHost freshHost;
    ModbusLink caseLink(port, freshHost, pump, *images);
    caseLink.StartTicking();
    caseLink.SetCommState(7, kCommDone);
    if (!c.reply.empty()) port.QueueReply(c.reply, 5);
    caseLink.SetGroupIdle(RequestGroup::Value, false);
    const std::size_t sent = port.Frames().size();
    new ValueRead(caseLink, 7, reg::kLiveValues, {}, true);  // frees itself
    while (port.Frames().size() == sent) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (int step = 0; step < 200 && !caseLink.RequestFailure(); ++step) {
      caseLink.PollReply(7);
      pump.Pump(20);
    }
    ASSERT_TRUE(caseLink.RequestFailure());
    EXPECT_EQ(caseLink.CommState(7), c.stateAfter);
    port.Inject({0x07, 0x03}, pump.NowMs());  // a stray start, dropped
    EXPECT_EQ(caseLink.FailRequest(7), c.result);
    EXPECT_EQ(caseLink.CommState(7), c.stateAfter);  // the caller decides
    EXPECT_EQ(Status(freshHost, 7, 3), "Response timeout!");
    EXPECT_TRUE(freshHost.messages.empty());
    EXPECT_TRUE(freshHost.questions.empty());
    EXPECT_TRUE(caseLink.LinkIdle());
    EXPECT_EQ(port.InputCount(), 0);
  }
}

TEST_F(LinkTest, PollingCollectsTheReplyOfAFireAndForgetRequest) {
  // Descriptors first, then live values polled by a 20 ms timer as the poller does.
  port.QueueReply(WithCrc({0x02, 0x03, 0x00, 0x06, 0x00, 0x4A, 0x02, 0x00, 0x00, 0x01}));
  ASSERT_TRUE(Exchange<ValueConfigRead>(2, RegisterBlock{0x8053, 1, 0, "CONFIG"}));
  port.QueueReply({{30, WithCrc({0x02, 0x03, 0x00, 0x06, 0xAA, 0xAA, 0x12, 0x34, 0x56, 0x78})}});
  link.SetGroupIdle(RequestGroup::Value, false);
  new ValueRead(link, 2, reg::kLiveValues, {}, true);
  // The worker runs in real time; let it write its frame before fake time moves on.
  while (port.Frames().size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  bool done = false;
  const int poll = pump.StartTimer(20, [&] { done = done || link.PollReply(2); });
  for (int i = 0; i < 100 && !done; ++i) pump.Pump(20);
  pump.StopTimer(poll);
  ASSERT_TRUE(done);
  EXPECT_EQ(images->Word(2, 0x004A), 0x1234);
  EXPECT_EQ(images->Word(2, 0x004B), 0x5678);
  EXPECT_EQ(Status(host, 2, 3), "Read 32847 done");
}

TEST_F(LinkTest, LeftoversOfAnEarlierReplyArePurgedBeforeTheRequest) {
  // The tail of an earlier, abandoned reply is waiting when the next read is sent.
  port.Inject({0x05, 0x03, 0x06, 0x00}, pump.NowMs());
  port.QueueReply(ThreeWordsOfSite5(), 20);
  ASSERT_TRUE(Exchange<PlainRead>(5, kThree));
  EXPECT_EQ(images->Word(5, 0x10), 0x1234);
}

TEST_F(LinkTest, ReplyTicksAreCapped) {
  pump.Advance(200 * 1000);
  EXPECT_EQ(link.ReplyTicks(), kTickLimit);
}

}  // namespace
}  // namespace vorel::test

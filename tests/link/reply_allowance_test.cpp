// The reply timeout at low line speeds: 2 s (8 s through a modem) plus the wire time of the
// longest reply the request can bring, so that the 836-byte descriptor table still arrives
// at 2400 baud, and a silent controller is still given up once that time has passed.
#include "link_fixture.h"

namespace vorel::test {
namespace {

PortSettings Line(int baud) {
  PortSettings line;  // 8N1
  line.baud = baud;
  return line;
}

// The parameter descriptor table of site 1: 83 descriptors of one register each.
Bytes ParameterTableOfSite1() {
  Bytes reply{0x01, 0x03, 0x03, 0x3E};
  for (int i = 0; i < 83; ++i) {
    const auto address = static_cast<std::uint16_t>(0x00C8 + i);
    const Bytes descriptor{static_cast<std::uint8_t>(address >> 8),
                           static_cast<std::uint8_t>(address),
                           1,
                           0,
                           0x01,
                           0xF4,
                           0x00,
                           0x00,
                           0x00,
                           static_cast<std::uint8_t>(i)};
    reply.insert(reply.end(), descriptor.begin(), descriptor.end());
  }
  return WithCrc(reply);
}

TEST_F(LinkTest, ReplyAllowanceAddsTheWireTimeOfTheLongestReply) {
  struct Case {
    const char* name;
    int baud;  // 0: the speed is not known
    bool modem;
    RequestGroup group;
    RegisterBlock block;
    int allowanceMs;
  };
  // Wire time of one 8N1 character: 1042 us at 9600 baud, 4167 us at 2400 (rounded up).
  // clang-format off
  const Case cases[] = {
      {"speed unknown",                 0,    false, RequestGroup::ParameterConfig, reg::kParamConfig1, 2000},
      {"29 registers at 9600",          9600, false, RequestGroup::PlainRead,       reg::kIdentification, 2000 + 66},
      {"836-byte table at 2400",        2400, false, RequestGroup::ParameterConfig, reg::kParamConfig1, 2000 + 3484},
      {"the same through a modem",      2400, true,  RequestGroup::ParameterConfig, reg::kParamConfig1, 8000 + 3484},
      {"426-byte value table at 2400",  2400, false, RequestGroup::ValueConfig,     reg::kLiveConfig,   2000 + 1776},
      {"write echo at 2400",            2400, false, RequestGroup::Write,           reg::kCommand,      2000 + 34},
      {"value block before its layout", 2400, false, RequestGroup::Parameter,       reg::kParamValues1, 2000 + 26},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    link.SetLineSpeed(Line(c.baud));
    link.SetModem(c.modem);
    EXPECT_EQ(link.ReplyAllowanceMs(c.group, 1, c.block), c.allowanceMs);
  }
}

TEST_F(LinkTest, TheDescriptorTableArrivesAt2400BaudAndSilenceStillEnds) {
  link.SetLineSpeed(Line(2400));
  // Each byte is in once its last bit is, at 2400 baud: the last after about 3.5 s.
  const Bytes table = ParameterTableOfSite1();
  FakeSerialPort::Reply paced;
  for (std::size_t i = 0; i < table.size(); ++i)
    paced.push_back({5 + ((i + 1) * 4167 + 999) / 1000, {table[i]}});
  port.QueueReply(paced);
  std::uint64_t start = pump.NowMs();
  ASSERT_TRUE(Exchange<ParameterConfigRead>(1, reg::kParamConfig1));
  EXPECT_GE(pump.NowMs() - start, 3480u);
  EXPECT_EQ(images->ParameterDescriptors(1, reg::kParamConfig1).size(), 83u);

  // The value block it lays out is 166 data bytes: 172 on the wire.
  EXPECT_EQ(link.ReplyAllowanceMs(RequestGroup::Parameter, 1, reg::kParamValues1), 2000 + 717);

  // A controller that says nothing is given up at the first tick past 2 s plus the table's
  // wire time.
  start = pump.NowMs();
  EXPECT_FALSE(Exchange<ParameterConfigRead>(1, reg::kParamConfig1));
  // (the reply tick runs on its own, so the first one after the request comes up to 100 ms
  // early).
  EXPECT_GE(pump.NowMs() - start, 5400u);
  EXPECT_LE(pump.NowMs() - start, 5600u);
}

TEST_F(LinkTest, AHeaderThatAnnouncesALongerReplyIsWaitedForOnTheWire) {
  link.SetLineSpeed(Line(2400));
  // A value block whose layout was never read: 600 data bytes announced, 606 bytes that take
  // 2526 ms at 2400 baud, starting 1 s after the request.
  Bytes reply{0x01, 0x03, 0x02, 0x58};
  reply.resize(4 + 600, 0x11);
  reply = WithCrc(reply);
  FakeSerialPort::Reply paced;
  for (std::size_t i = 0; i < reply.size(); ++i)
    paced.push_back({1000 + ((i + 1) * 4167 + 999) / 1000, {reply[i]}});
  port.QueueReply(paced);
  ASSERT_TRUE(Exchange<ParameterRead>(1, reg::kParamValues1));
}

}  // namespace
}  // namespace vorel::test

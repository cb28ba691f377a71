// Every way a request can end, on the fake port: the outcome the use case gets back and the one
// message the user is shown, in both languages.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "control/register_exchange.h"
#include "core/language_guard.h"
#include "link/fake_event_pump.h"
#include "link/fake_serial_port.h"
#include "link/modbus_frame.h"
#include "support/frame_bytes.h"
#include "support/scripted_host.h"

namespace vorel::test {
namespace {

enum class Fault { None, Silent, BadCrc, Exception, NoEcho, Unplugged, ShortReply, LongReply };

struct OutcomeCase {
  Fault fault;
  RequestResult result;
  const char* english;  // nullptr: nothing shown
  const char* chinese;
};

// The reply of site 5 to a read of three registers, as the fault leaves it.
FakeSerialPort::Reply ReplyWith(Fault fault) {
  Bytes good = WithCrc({0x05, 0x03, 0x06, 0x12, 0x34, 0xFF, 0xFF, 0x00, 0x01});
  switch (fault) {
    case Fault::Silent:
    case Fault::Unplugged:
      return {};
    case Fault::BadCrc:
      good.back() ^= 0x01;
      break;
    case Fault::Exception:
      return {{5, WithCrc({0x05, 0x83, 0x02})}};
    case Fault::ShortReply:
      return {{5, WithCrc({0x05, 0x03, 0x02, 0x12, 0x34})}};
    case Fault::LongReply:
      return {{5, WithCrc({0x05, 0x03, 0x08, 0x12, 0x34, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x02})}};
    case Fault::None:
    case Fault::NoEcho:
      break;
  }
  return {{5, good}};
}

TEST(RequestOutcome, EachOutcomeIsReturnedAndShownOnceInBothLanguages) {
  // clang-format off
  const OutcomeCase cases[] = {
    {Fault::None,       {RequestOutcome::Done},            nullptr, nullptr},
    {Fault::Silent,     {RequestOutcome::Timeout},         "Communication timeout!", "通讯超时!"},
    {Fault::BadCrc,     {RequestOutcome::CrcError},        "CRC error!", "CRC错误!"},
    {Fault::Exception,  {RequestOutcome::Exception, 0x02},
     "Exception response! (code 02: the controller has no such register)",
     "控制器异常响应!（代码 02：控制器没有该寄存器）"},
    {Fault::NoEcho,     {RequestOutcome::LineError},
     "Line error: the echo of the request does not match!", "线路错误：请求的回送不符!"},
    {Fault::Unplugged,  {RequestOutcome::PortGone},        "Communication timeout!", "通讯超时!"},
    {Fault::ShortReply, {RequestOutcome::Incomplete},
     "Incomplete reply from site 5.", "设备 5 的应答不完整。"},
    {Fault::LongReply,  {RequestOutcome::Incomplete},
     "The reply carries 8 data bytes instead of 6.", "The reply carries 8 data bytes instead of 6."},
  };
  // clang-format on
  for (const char* language : {"english", "chinese"}) {
    const LanguageGuard guard(language);
    for (const OutcomeCase& c : cases) {
      SCOPED_TRACE(std::string(language) + " " + std::to_string(static_cast<int>(c.fault)));
      FakeEventPump pump;
      FakeSerialPort port(pump);
      ScriptedHost host;
      RegisterExchange exchange(port, host, pump);
      PortSettings settings;
      settings.discardEcho = c.fault == Fault::NoEcho;  // the adapter does not echo
      ASSERT_TRUE(exchange.Open(settings, nullptr));
      port.QueueReply(ReplyWith(c.fault));
      if (c.fault == Fault::Unplugged) pump.StartTimer(300, [&port] { port.Unplug(); });

      std::vector<std::uint16_t> words;
      EXPECT_EQ(exchange.Read(5, 0x0010, 3, &words), c.result);

      const char* shown = IsEnglish() ? c.english : c.chinese;
      EXPECT_EQ(host.messages,
                shown ? std::vector<std::string>{shown} : std::vector<std::string>{});
      EXPECT_EQ(words, c.result ? (std::vector<std::uint16_t>{0x1234, 0xFFFF, 0x0001})
                                : std::vector<std::uint16_t>{});
      EXPECT_EQ(exchange.Link().CommState(5), c.result ? kCommDone : kCommNoResult);
    }
  }
}

}  // namespace
}  // namespace vorel::test

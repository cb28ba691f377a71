// An exception response names the controller's code and what it means, in both languages; the
// other outcomes keep their texts.
#include "link/exception_meaning.h"

#include <gtest/gtest.h>

#include "core/language.h"
#include "core/language_guard.h"

namespace vorel::test {
namespace {

struct MeaningCase {
  std::uint8_t code;
  const char* english;
  const char* chinese;
};

TEST(ExceptionMeaning, EachCodeIsNamedWithItsMeaningInBothLanguages) {
  // clang-format off
  const MeaningCase cases[] = {
    {0x01, "Exception response! (code 01: the controller does not support this function)",
           "控制器异常响应!（代码 01：控制器不支持该功能码）"},
    {0x02, "Exception response! (code 02: the controller has no such register)",
           "控制器异常响应!（代码 02：控制器没有该寄存器）"},
    {0x03, "Exception response! (code 03: the controller does not accept this value)",
           "控制器异常响应!（代码 03：控制器不接受该数值）"},
    {0x04, "Exception response! (code 04: the controller refused the request)",
           "控制器异常响应!（代码 04：控制器拒绝了该请求）"},
    {0x06, "Exception response! (code 06: the controller is busy)",
           "控制器异常响应!（代码 06：控制器忙）"},
    {0x0B, "Exception response! (code 0B: an exception this tool does not know)",
           "控制器异常响应!（代码 0B：本软件不认识的异常代码）"},
    {0x00, "Exception response! (code 00: an exception this tool does not know)",
           "控制器异常响应!（代码 00：本软件不认识的异常代码）"},
  };
  // clang-format on
  for (const MeaningCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.code));
    const RequestResult result{RequestOutcome::Exception, c.code};
    {
      const LanguageGuard english("english");
      EXPECT_EQ(FailureMessage(result), c.english);
      EXPECT_EQ(PollFailureText(result), c.english);
    }
    const LanguageGuard chinese("chinese");
    EXPECT_EQ(FailureMessage(result), c.chinese);
    EXPECT_EQ(PollFailureText(result), c.chinese);
  }
}

TEST(ExceptionMeaning, OtherOutcomesKeepTheirTexts) {
  for (const RequestOutcome outcome :
       {RequestOutcome::Done, RequestOutcome::Timeout, RequestOutcome::CrcError,
        RequestOutcome::LineError, RequestOutcome::PortGone, RequestOutcome::Incomplete}) {
    SCOPED_TRACE(static_cast<int>(outcome));
    // A stray code beside another outcome adds nothing.
    const RequestResult result{outcome, 0x04};
    EXPECT_EQ(FailureMessage(result), OutcomeMessage(outcome));
    EXPECT_EQ(PollFailureText(result), PollFailureMessage(outcome));
  }
}

}  // namespace
}  // namespace vorel::test

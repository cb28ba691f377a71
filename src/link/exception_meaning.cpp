#include "link/exception_meaning.h"

#include <cstdio>

#include "core/language.h"

namespace vorel {
namespace {

struct ExceptionRow {
  std::uint8_t code;
  BilingualText meaning;
};

// The exception codes a Modbus slave sends; any other code gets kUnknownCode.
constexpr ExceptionRow kExceptionMeanings[] = {
    {0x01, {"the controller does not support this function", "控制器不支持该功能码"}},
    {0x02, {"the controller has no such register", "控制器没有该寄存器"}},
    {0x03, {"the controller does not accept this value", "控制器不接受该数值"}},
    {0x04, {"the controller refused the request", "控制器拒绝了该请求"}},
    {0x05, {"the controller is still working on the request", "控制器仍在处理该请求"}},
    {0x06, {"the controller is busy", "控制器忙"}},
};
constexpr BilingualText kUnknownCode{"an exception this tool does not know",
                                     "本软件不认识的异常代码"};

// " (code 04: meaning)" after the message of an exception; nothing after any other outcome.
std::string Detail(const RequestResult& result) {
  if (result.outcome != RequestOutcome::Exception) return {};
  char code[4];
  std::snprintf(code, sizeof code, "%02X", static_cast<unsigned>(result.exceptionCode));
  return std::string(PickText(" (code ", "（代码 ")) + code + std::string(PickText(": ", "：")) +
         ExceptionMeaning(result.exceptionCode) + std::string(PickText(")", "）"));
}

}  // namespace

std::string ExceptionMeaning(std::uint8_t code) {
  for (const ExceptionRow& row : kExceptionMeanings)
    if (row.code == code) return std::string(row.meaning.Pick());
  return std::string(kUnknownCode.Pick());
}

std::string FailureMessage(const RequestResult& result, int site) {
  return OutcomeMessage(result.outcome, site) + Detail(result);
}

std::string TimeoutPlaceText(const std::string& port, int site) {
  if (site < 1 || site > 32)
    return std::string(PickText("No reply on ", "端口 ")) + port +
           std::string(PickText(".", " 无应答。"));
  return std::string(PickText("No reply from site ", "设备 ")) + std::to_string(site) +
         std::string(PickText(" on ", " 在端口 ")) + port +
         std::string(PickText(".", " 上无应答。"));
}

std::string PollFailureText(const RequestResult& result, int site) {
  return PollFailureMessage(result.outcome, site) + Detail(result);
}

}  // namespace vorel

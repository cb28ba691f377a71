#include "link/request_outcome.h"

#include <array>

#include "core/language.h"
#include "core/site_images.h"

namespace vorel {
namespace {

struct OutcomeTexts {
  RequestOutcome outcome;
  BilingualText message;  // after a request of a use case
  BilingualText poll;     // in the poll's Retry/Cancel box
};

constexpr BilingualText kTimeout{"Communication timeout!", "通讯超时!"};
constexpr BilingualText kLineError{"Line error: the echo of the request does not match!",
                                   "线路错误：请求的回送不符!"};
constexpr BilingualText kException{"Exception response!", "控制器异常响应!"};
// "%d" is the site; without a site the text leaves it out.
constexpr BilingualText kIncomplete{"Incomplete reply from site %d.", "设备 %d 的应答不完整。"};
constexpr BilingualText kIncompleteNoSite{"Incomplete reply.", "应答不完整。"};

// clang-format off
constexpr std::array<OutcomeTexts, 7> kOutcomeTexts{{
    {RequestOutcome::Done,       {"", ""},                    {"", ""}},
    {RequestOutcome::Timeout,    kTimeout,                    kTimeout},
    {RequestOutcome::CrcError,   {"CRC error!", "CRC错误!"},  {"CRC error", "CRC错误"}},
    {RequestOutcome::Exception,  kException,                  kException},
    {RequestOutcome::LineError,  kLineError,                  kLineError},
    // A port that went away ends the request by the timeout path.
    {RequestOutcome::PortGone,   kTimeout,                    kTimeout},
    {RequestOutcome::Incomplete, kIncomplete,                 kIncomplete},
}};
// clang-format on

constexpr bool InEnumOrder() {
  for (std::size_t i = 0; i < kOutcomeTexts.size(); ++i)
    if (static_cast<std::size_t>(kOutcomeTexts[i].outcome) != i) return false;
  return true;
}
static_assert(InEnumOrder(), "one row per outcome, in the order of the enum");

const OutcomeTexts& TextsOf(RequestOutcome outcome) {
  return kOutcomeTexts[static_cast<std::size_t>(outcome)];
}

// The text with the site put in where it names one.
std::string WithSite(RequestOutcome outcome, const BilingualText& text, int site) {
  if (outcome != RequestOutcome::Incomplete) return std::string(text.Pick());
  if (!IsSite(site)) return std::string(kIncompleteNoSite.Pick());
  const std::string pattern(text.Pick());
  const std::size_t at = pattern.find("%d");
  return pattern.substr(0, at) + std::to_string(site) + pattern.substr(at + 2);
}

}  // namespace

std::string OutcomeMessage(RequestOutcome outcome, int site) {
  return WithSite(outcome, TextsOf(outcome).message, site);
}

std::string PollFailureMessage(RequestOutcome outcome, int site) {
  return WithSite(outcome, TextsOf(outcome).poll, site);
}

std::string CommunicationErrorCaption() {
  return std::string(BilingualText{"Communication error", "通讯错误"}.Pick());
}

}  // namespace vorel

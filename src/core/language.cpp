#include "core/language.h"

namespace vorel {
namespace {
std::string& Setting() {
  static std::string setting = "english";
  return setting;
}
}  // namespace

const std::string& LanguageSetting() { return Setting(); }

void SetLanguageSetting(std::string_view setting) { Setting() = std::string(setting); }

bool IsEnglish() { return Setting() == "english"; }

std::string_view PickText(std::string_view english, std::string_view chinese) {
  return IsEnglish() ? english : chinese;
}

}  // namespace vorel

// The one language rule of the tool: English only when the language setting is exactly
// "english" (case-sensitive); Chinese otherwise.
#pragma once

#include <string>
#include <string_view>

namespace vorel {

// The language setting as loaded from the settings file ("english" or "chinese"). Starts as
// "english", the setting's default. Main thread only.
const std::string& LanguageSetting();
void SetLanguageSetting(std::string_view setting);

bool IsEnglish();

// Both texts are UTF-8; returns the one the language setting picks.
std::string_view PickText(std::string_view english, std::string_view chinese);

// One text in both languages: every fixed text pair of the tool is one of these.
struct BilingualText {
  std::string_view english;
  std::string_view chinese;

  std::string_view Pick() const { return PickText(english, chinese); }
};

}  // namespace vorel

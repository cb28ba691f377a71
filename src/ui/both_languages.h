// Runs a function once with each language setting, then restores the setting: for sizing a
// cell so that its texts fit in both languages. Main thread only.
#pragma once

#include <string>

#include "core/language.h"

namespace vorel {

template <typename F>
void ForEachLanguage(F&& f) {
  const std::string saved = LanguageSetting();
  for (const char* language : {"english", "chinese"}) {
    SetLanguageSetting(language);
    f();
  }
  SetLanguageSetting(saved);
}

}  // namespace vorel

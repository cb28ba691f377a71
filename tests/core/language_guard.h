// Sets the language setting for one test and restores the previous one afterwards.
#pragma once

#include <string>

#include "core/language.h"

namespace vorel {

class LanguageGuard {
 public:
  explicit LanguageGuard(std::string_view setting) : saved_(LanguageSetting()) {
    SetLanguageSetting(setting);
  }
  ~LanguageGuard() { SetLanguageSetting(saved_); }
  LanguageGuard(const LanguageGuard&) = delete;
  LanguageGuard& operator=(const LanguageGuard&) = delete;

 private:
  std::string saved_;
};

}  // namespace vorel

#include "files/parameter_values.h"

#include <cmath>

#include "core/conversions.h"
#include "core/site_images.h"

namespace vorel {

std::string ParameterValueText(const ParameterKey& key, const SiteImages& images, int site) {
  const auto word = static_cast<std::int16_t>(images.Word(site, key.reg));
  switch (key.form) {
    case ValueForm::Integer:
      return std::to_string(word);
    case ValueForm::Tenths:
      return FixedText(word / 10.0, 2);
    case ValueForm::Hundredths:
      return FixedText(word / 100.0, 2);
    case ValueForm::General:
      return ShortestText(word);
    case ValueForm::RunHours:
      return FixedText(RunHoursValue(images, site), 2);
    case ValueForm::Fixed:
    case ValueForm::Text:
      break;
  }
  return {};
}

std::string ParameterLimitText(double limit) {
  return FixedText(limit, 2);
}

std::optional<ConvertedWords> ConvertLoadedValue(const ParameterLoadStep& step,
                                                 std::string_view text) {
  std::optional<std::uint16_t> word;
  switch (step.rule) {
    case LoadRule::Integer:
      word = IntegerWordFromText(text);
      break;
    case LoadRule::Times10:
      word = RoundedWordFromText(text, 10);
      break;
    case LoadRule::Times100:
      word = RoundedWordFromText(text, 100);
      break;
    case LoadRule::Number:
      word = RoundedWordFromText(text, 1);
      break;
    case LoadRule::RunHours: {
      // Whole hours rounded (a half to even), then the rest in seconds, rounded the same way.
      const std::optional<double> value = DecimalNumberFromText(text);
      word = RoundedWordFromText(text, 1);
      if (!value || !word) return std::nullopt;
      // The whole hours as the controller counts them, unsigned: 40000 stays 40000.
      const double hours = *value < 0 ? static_cast<std::int16_t>(*word) : *word;
      const double seconds = std::nearbyint((*value - hours) * 3600.0);
      if (!std::isfinite(seconds)) return std::nullopt;
      return ConvertedWords{*word,
                            static_cast<std::uint16_t>(
                                static_cast<std::int64_t>(std::fmod(seconds, 65536.0)) & 0xFFFF),
                            true};
    }
    case LoadRule::Decimal:
    case LoadRule::Text:
      return std::nullopt;
  }
  if (!word) return std::nullopt;
  return ConvertedWords{*word, 0, false};
}

bool ApplyLoadedValue(const ParameterLoadStep& step, std::string_view text, SiteImages& images,
                      int site) {
  const std::optional<ConvertedWords> words = ConvertLoadedValue(step, text);
  if (!words) return false;
  images.SetWord(site, step.reg, words->first);
  if (words->pair) images.SetWord(site, step.reg + 1, words->second);
  return true;
}

std::optional<double> ParseLimitText(std::string_view text) {
  return DecimalNumberFromText(text);
}

const ParameterKey* FileKeyOf(const ParameterRow& row) {
  if (row.key.empty()) return nullptr;
  std::optional<std::size_t> i = FindParameterKey(row.key);
  return i ? &ParameterFileKeys()[*i] : nullptr;
}

const ParameterLoadStep* LastLoadStepOf(std::string_view key) {
  const ParameterLoadStep* found = nullptr;
  for (const ParameterLoadStep& s : ParameterLoadSteps()) {
    if (s.key == key) found = &s;
  }
  return found;
}

}  // namespace vorel

// The texts of the parameter file: a value key's text from the value image by its form, a
// limit's text, and a read text converted by its load rule into the value image.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/parameter_table.h"
#include "files/parameter_keys.h"

namespace vorel {

class SiteImages;

// The text a save writes for a value key (Integer, Tenths, Hundredths, General, RunHours);
// empty for the forms that are not taken from a register (Text, Fixed).
std::string ParameterValueText(const ParameterKey& key, const SiteImages& images, int site);
// The text of an editor limit: two decimals.
std::string ParameterLimitText(double limit);

// Converts a read text by the step's rule into the value image (Integer, Times10, Times100,
// Number, RunHours). False, with nothing stored, when the text does not convert: the caller
// reports "'%s' is not a valid integer value" for the rule Integer and "'%s' is not a valid
// floating point value" for the others.
bool ApplyLoadedValue(const ParameterLoadStep& step, std::string_view text, SiteImages& images,
                      int site);
// The words a read text gives by the step's rule, without storing them: one word for `reg`,
// and for RunHours a second word for `reg + 1`. Nothing when the text does not convert.
struct ConvertedWords {
  std::uint16_t first = 0;
  std::uint16_t second = 0;
  bool pair = false;
};
std::optional<ConvertedWords> ConvertLoadedValue(const ParameterLoadStep& step,
                                                 std::string_view text);
// A limit text as a number; nothing when it does not convert.
std::optional<double> ParseLimitText(std::string_view text);

// The file key of a row's value and the (last) load step of a key.
const ParameterKey* FileKeyOf(const ParameterRow& row);
const ParameterLoadStep* LastLoadStepOf(std::string_view key);

}  // namespace vorel

// The parameter backup file: its 12 sections and 333 keys in file order (what a save writes
// and how), and the order and rules in which a load reads them back. Both lists are derived
// from the parameter table's rows (section, key, register, scaling, editor, limit keys) plus
// the file's own order and oddities.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vorel {

enum class KeyRole {
  Value,       // a register (or the run-hours pair) in `form`
  Minimum,     // the lower limit of `editor` in the fixed form
  Maximum,     // the upper limit of `editor` in the fixed form
  DeviceName,  // the device name text (status panel 0), not a register
};

// How a value is written.
enum class ValueForm {
  Integer,     // the signed word in decimal
  Tenths,      // the signed word / 10, two decimals ("-1.00")
  Hundredths,  // the signed word / 100, two decimals ("0.92")
  General,     // the signed word, shortest decimal text ("50")
  RunHours,    // whole hours + seconds / 3600, two decimals ("1234.50")
  Fixed,       // a limit: two decimals
  Text,        // code page 936 text written unchanged
};

// How a value is read.
enum class LoadRule {
  Integer,   // decimal integer with optional sign
  Times10,   // decimal number x 10, rounded half to even
  Times100,  // decimal number x 100, rounded half to even
  Number,    // decimal number, rounded half to even
  RunHours,  // decimal number split into the two run-hours words
  Decimal,   // a limit: decimal number taken as it is
  Text,      // the text itself
};

struct ParameterKey {
  std::string_view section{};
  std::string_view key{};
  KeyRole role = KeyRole::Value;
  std::uint16_t reg = 0;  // Value: the register (the first of two for RUN_HOURS)
  ValueForm form = ValueForm::Integer;
  // Value: the editor of the parameter table that shows it ("" when none);
  // Minimum / Maximum: the editor whose limit it is.
  std::string_view editor{};
};

// The 12 sections in file order.
std::span<const std::string_view> ParameterFileSections();
// The 333 keys in file order: a new file holds exactly these, section by section.
std::span<const ParameterKey> ParameterFileKeys();
std::optional<std::size_t> FindParameterKey(std::string_view key);

struct ParameterLoadStep {
  std::string_view section{};
  std::string_view key{};
  KeyRole role = KeyRole::Value;
  std::uint16_t reg = 0;  // Value
  LoadRule rule = LoadRule::Integer;
  std::string_view defaultText{};  // used when the key or its section is missing
  std::string_view editor{};       // Minimum / Maximum: the editor whose limit it sets
  bool offlineOnly = false;        // read only when a file opens a new offline window
};

// Every key a load reads, in reading order: the limit keys first, then the value keys (the
// battery keys twice, the second reading wins; nine keys that a save never writes), the
// sensor and I/O keys, and the device name last.
std::span<const ParameterLoadStep> ParameterLoadSteps();

}  // namespace vorel

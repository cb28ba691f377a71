// The fixed vocabulary of the controller's channels: function codes and their names, the
// editor lists of the channel pages (analogue functions, input functions, output functions,
// alarm actions, sensor types, units, decimals and the two-entry lists), with the maps
// between list positions and codes. Every text exists in English and Chinese; PickText
// chooses.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/language.h"

namespace vorel {

// One entry of a sensor type list. The code equals the entry's position in its list.
struct SensorType {
  std::int32_t code = 0;
  BilingualText text;
};

// A function code and its name.
enum class FunctionKind { Input, AnalogueSensor, Output, InputNameOnly };
struct FunctionCodeName {
  std::uint16_t code;
  BilingualText name;
  FunctionKind kind;
};

// Name of an input or analogue function code (only the low 11 bits count); "------" for any
// other code, output codes included.
std::string_view FunctionName(std::uint16_t code);
// The same lookup for binary inputs: the analogue sensor codes 84 to 88 give "------" too.
std::string_view InputFunctionName(std::uint16_t code);
// Name of an output code 160 to 175 (low 11 bits); "Undefined" / "未定义" otherwise.
std::string_view OutputFunctionName(std::uint16_t code);

// The editor lists: codes by position.
inline constexpr int kAnalogueFunctionCount = 23;
inline constexpr int kInputFunctionCount = 23;
inline constexpr int kOutputFunctionCount = 16;
std::span<const std::uint16_t> AnalogueFunctionCodes();
std::span<const std::uint16_t> InputFunctionCodes();
std::span<const std::uint16_t> OutputFunctionCodes();

// Position of a code (low 11 bits) in a list, or nothing when the list does not hold it.
std::optional<int> AnalogueFunctionPosition(std::uint16_t code);
std::optional<int> InputFunctionPosition(std::uint16_t code);
std::optional<int> OutputFunctionPosition(std::uint16_t code);

// Name of the list entry at a position (empty for a position outside the list).
std::string_view AnalogueFunctionText(int position);
std::string_view InputFunctionText(int position);
std::string_view OutputFunctionText(int position);

// Alarm actions: position -> text and the nibble of bits 12 to 15 it stands for.
struct AlarmAction {
  BilingualText text;
  std::uint8_t nibble;
};
inline constexpr int kAlarmActionCount = 6;
std::span<const AlarmAction> AlarmActionList();
std::optional<int> AlarmActionPosition(std::uint8_t nibble);

// Sensor type lists.
enum class SensorList { Pressure, Temperature, Level, BinaryOnly };
std::span<const SensorType> SensorTypes(SensorList list);
// The list an analogue channel offers for its function list position (no selection: -1).
SensorList SensorListForFunction(int functionPosition);
// Text of a type code in a list (empty outside the list).
std::string_view SensorTypeText(SensorList list, int code);

// Units (same in both languages), position = unit code 0 to 7.
inline constexpr int kUnitCount = 8;
std::span<const std::string_view> Units();
std::string_view UnitText(int code);           // empty outside 0 to 7
std::string_view BracketedUnitText(int code);  // empty outside 0 to 7
// Bracketed unit of an analogue channel's second property word; empty below 3072 (sensor type
// code 0, 1 or 2).
std::string_view UnitSuffix(std::uint16_t secondPropertyWord);

// Decimals list "0", "1", "2".
inline constexpr int kDecimalsCount = 3;
std::span<const std::string_view> DecimalsList();

// The two-entry lists (position 0, then position 1).
enum class TwoEntryList { AlarmCondition, Activity, InputPolarity, OutputPolarity };
std::span<const BilingualText> TwoEntries(TwoEntryList list);
std::string_view TwoEntryText(TwoEntryList list, int position);  // empty outside 0 and 1

}  // namespace vorel

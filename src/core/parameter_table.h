// The parameter table: one constant row per editor of the parameter window's setpoint grids,
// with everything the window, the load and store passes, the limits, the parameter file and
// the command-line tool need to know about it. Nothing of it is restated elsewhere.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/vocabulary.h"

namespace vorel {

enum class EditorKind { Spin, List, MaskedText, Date, Time, CheckBox };

enum class SetpointGrid { System, Compensation, Basic, Engine, EngineProtection, Generator, Mains };

// How an editor's value and the value image meet.
enum class Conversion {
  None,              // no register (password fields, protocol)
  Scaled,            // signed word / factor, store value x factor truncated toward zero
  Unsigned,          // word read unsigned (0 to 65535), factor 1
  RunHours,          // two words: whole hours, seconds of the running hour
  CrankOilPressure,  // factor 10^d, d = OilPressureDecimals of the channel choices
  AnalogueLevel,     // factor 10^d, d = decimals of the channel (`channel`)
  Enumerated,        // list index <-> code (EnumeratedRegister of `reg`)
  CurrentAction,     // 4-bit field at `shift` of 0x0089: 13, 12, other
  UnbalanceAction,   // alarm action nibble at bits 12 to 15 of 0x0089
  PowerSave,         // check box on bit 15
  GeneratorName,     // eight words of name bytes
  SerialNumber,      // three words of hexadecimal digits
  ControllerDate,    // BCD date, stored only while the changed mark is set
  ControllerTime,    // BCD time, stored only while the changed mark is set
};

// Where a spin editor's limits come from on an online window (ApplyEditorLimits).
enum class LimitSource {
  None,           // not a spin editor
  Register,       // the register's descriptor limits divided by the factor
  FullRange,      // 0 to 65535
  PmTime,         // the limits of register 0x00E0, undivided
  Undivided,      // the register's limits as they are (analogue levels)
  DividedBy10,    // the register's limits divided by 10 (crank oil pressure)
  KeepFormLimits  // the design-time limits stay
};

// How the row title is composed.
enum class TitleRule {
  Fixed,             // `title`
  CrankOilPressure,  // `title`, then "(" unit ")" of the first Oil Pressure channel, if any
  ChannelLevel,      // channel name, `title`, "(" channel unit ")"
  ChannelDelay,      // channel name, `title`
};

struct ParameterRow {
  std::string_view name{};  // editor name, e.g. "seNominPower"
  EditorKind kind = EditorKind::Spin;
  SetpointGrid grid = SetpointGrid::System;
  int row = 0;   // grid row; 0 for an editor without a row
  int half = 0;  // 0: columns 0 and 1; 1: columns 2 and 3 (four-column grids)
  BilingualText title{};
  TitleRule titleRule = TitleRule::Fixed;

  std::uint16_t reg = 0;  // first register
  int registerCount = 0;  // 0 for Conversion::None
  Conversion conversion = Conversion::None;
  int factor = 1;    // Scaled
  int decimals = 0;  // shown decimals (a start value for the channel-dependent rows)
  double step = 1;   // spin increment
  int channel = 0;   // AnalogueLevel and channel titles: 1 to 3
  int shift = 0;     // CurrentAction / UnbalanceAction field position
  bool unsignedWord = false;

  std::span<const BilingualText> items{};  // list items in list order
  std::string_view mask{};                 // masked text: the edit mask
  std::string_view hint{};

  std::string_view section{};  // section of `key` in the parameter file
  std::string_view key{};      // value key in the parameter file ("" when none)
  std::string_view minKey{};   // limit keys ("" when none)
  std::string_view maxKey{};

  LimitSource limits = LimitSource::None;
  double formMinimum = 0;  // design-time limits
  double formMaximum = 0;
  int maxLength = 0;               // characters the editor accepts (0: no limit)
  bool clampOnExit = false;        // brought within its limits when the editor is left
  bool enabled = true;             // at creation
  bool factoryOnly = false;        // shown and opened only at the factory access level
  bool gatedBySystemBit6 = false;  // opened only while bit 6 of register 0x0000 is set
};

// All rows: grid by grid in the order System, Compensation, Basic, Engine, Engine protection,
// Generator, Mains; in each grid by row, the left half before the right half.
std::span<const ParameterRow> ParameterTable();
std::optional<std::size_t> FindParameterRow(std::string_view name);

// The seven setpoint grids.
struct SetpointGridInfo {
  SetpointGrid grid;
  std::string_view name{};  // "sgSystemSetpoints"
  int columns;
  int rows;
  std::string_view headerLabel{};  // "lbSystem"
  BilingualText header{};
};
std::span<const SetpointGridInfo> SetpointGrids();
const SetpointGridInfo& GridInfo(SetpointGrid grid);

// The read-only rows of the compensation grid shown at the factory access level: the
// register in four hexadecimal digits (FactoryHexText).
struct FactoryRow {
  int row;
  std::string_view title{};  // the same in both languages
  std::uint16_t reg;
};
std::span<const FactoryRow> FactoryRows();

}  // namespace vorel

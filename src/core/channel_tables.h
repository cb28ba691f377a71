// The texts of the channel pages without widgets: the column titles of the analogue channel
// grid and of the binary input and output grids, the items of each column's list, and the
// whole tables as the grids show them (for the service report). The grids of the parameter
// window take their titles and list items from here.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/binary_io_layout.h"
#include "core/channels.h"
#include "core/vocabulary.h"

namespace vorel {

// Columns of the analogue channel grid (sgAnlg); column 0 is the channel, 8 the curve button.
enum AnalogueColumn {
  kAnlgName = 1,
  kAnlgType,
  kAnlgCondition,
  kAnlgAlarm,
  kAnlgActivity,
  kAnlgUnit,
  kAnlgDot,
  kAnlgChart
};

// Titles of row 0, one per column: 9 analogue, 5 input, 3 output columns.
std::span<const BilingualText> AnalogueColumnTitles();
std::span<const BilingualText> InputColumnTitles();
std::span<const BilingualText> OutputColumnTitles();

// The items of a column's list in the current language (empty for a column without a list).
// The analogue type list follows the channel's function.
std::vector<std::string> AnalogueColumnItems(const AnalogueChannelSettings& channel, int column);
// The setting a list column of the analogue grid chooses; null for a column without a list.
int* AnalogueChoiceField(AnalogueChannelSettings& channel, int column);
std::vector<std::string> InputColumnItems(int column);
std::vector<std::string> OutputColumnItems(int column);

// The text of an analogue channel's cell (columns 1 to 7): the chosen item, "" for no choice,
// and "--" in the condition, unit and decimals columns of a type without a sensor (0 to 2).
std::string AnalogueCellText(const AnalogueChannelSettings& channel, int column);
// The chosen item of a list, "" for no choice or one outside the list.
std::string ItemText(const std::vector<std::string>& items, int index);

// A grid as texts: the title row and the rows below it.
struct TextTable {
  std::vector<std::string> titles;
  std::vector<std::vector<std::string>> rows;
};
// AI1 to AI3 with columns 0 to 7 (the curve button has no text).
TextTable AnalogueChannelTable(const ChannelSettings& settings);
// The rows the controller type shows ("BI"/"BO" and the slot, then the slot's choices); no
// rows for a type whose grids stay untitled.
TextTable BinaryInputTable(const ChannelSettings& settings, const BinaryIoLayout& layout);
TextTable BinaryOutputTable(const ChannelSettings& settings, const BinaryIoLayout& layout);

}  // namespace vorel

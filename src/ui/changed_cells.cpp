#include "ui/changed_cells.h"

#include <cmath>

namespace vorel {

bool EditorDiffers(const ParameterRow& row, const EditorValue& now, const EditorValue& held) {
  switch (row.kind) {
    case EditorKind::Spin: {
      const double unit = std::pow(10.0, now.decimals);
      return std::llround(now.number * unit) != std::llround(held.number * unit);
    }
    case EditorKind::List:
      return row.conversion != Conversion::None && now.index != held.index;
    case EditorKind::CheckBox:
      return now.checked != held.checked;
    case EditorKind::MaskedText:
      return row.conversion != Conversion::None && now.text != held.text;
    case EditorKind::Date:
    case EditorKind::Time:
      return false;
  }
  return false;
}

std::size_t CountChanged(const EditorModel& now, const std::optional<EditorModel>& held) {
  if (!held) return 0;
  std::size_t changed = 0;
  const auto rows = EditorModel::Rows();
  for (std::size_t i = 0; i < rows.size() && i < now.size(); ++i) {
    if (EditorDiffers(rows[i], now[i], (*held)[i])) ++changed;
  }
  return changed;
}

}  // namespace vorel

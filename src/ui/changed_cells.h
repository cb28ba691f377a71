// Which editors of a window hold a value other than the controller's: the values as the last
// read from the controller left them against the values the editors hold now.
#pragma once

#include <cstddef>
#include <optional>

#include "core/editor_model.h"

namespace vorel {

// Whether a row's editor differs from the controller's value. Rows that are not the
// controller's settings (passwords, the clock pickers, the protocol list) never do; numbers
// compare as the editor shows them (at its decimals).
bool EditorDiffers(const ParameterRow& row, const EditorValue& now, const EditorValue& held);

// The rows that differ; none without the controller's values.
std::size_t CountChanged(const EditorModel& now, const std::optional<EditorModel>& held);

}  // namespace vorel

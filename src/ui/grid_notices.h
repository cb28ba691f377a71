// What the setpoint grids tell the user about a value in both languages: a value brought
// within its limits, the range of a spin editor, the controller's value of a changed cell,
// the count of changed cells and the question before changed cells are discarded.
#pragma once

#include <QString>

namespace vorel {

// "Nomin Power: 9000 is above its limit 5000; set to 5000." (below: "... is below ...").
QString ClampNotice(const QString& name, const QString& typed, const QString& limit);
// "Range: 0 to 5000"; the numbers as the editor shows them.
QString RangeTip(const QString& minimum, const QString& maximum);
// "Controller: 400" for a cell whose value differs from the controller's.
QString ControllerValueTip(const QString& value);
// "3 changed" in the window's status bar; "" for none.
QString ChangedCountText(int changed);
// The close question of a window with changed cells.
QString DiscardQuestion(int changed);

}  // namespace vorel

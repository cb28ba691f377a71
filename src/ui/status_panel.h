// A status-bar panel: at least its given width, wider when its text needs it, so that no text
// is cut.
#pragma once

#include <QFontMetrics>
#include <QLabel>
#include <QMargins>
#include <QString>
#include <algorithm>

namespace vorel {

inline void SetPanelText(QLabel* panel, const QString& text, int width) {
  panel->setText(text);
  const QMargins margins = panel->contentsMargins();
  const int needed = panel->fontMetrics().horizontalAdvance(text) + margins.left() +
                     margins.right() + 2 * panel->frameWidth() + 2 * panel->margin() + 4;
  panel->setFixedWidth(std::max(width, needed));
}

}  // namespace vorel

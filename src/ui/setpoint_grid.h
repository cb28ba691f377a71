// A setpoint grid of the parameter window: two or four columns of title and value cells, row 0
// covered by a header label that spans the grid, editors of the rows laid over their value
// cells while they are edited. The grid only tells what the user does; the window decides what
// to show.
#pragma once

#include <QLabel>
#include <QTableWidget>

#include "core/parameter_table.h"

namespace vorel {

// A label that reports clicks.
class ClickLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

// Row height of every grid of the window.
inline constexpr int kGridRowHeight = 21;

// A read-only string grid without fixed rows or headers, sized to its cells.
class StringGrid : public QTableWidget {
  Q_OBJECT
 public:
  StringGrid(int rows, int columns, QWidget* parent);

  void SetColumnWidths(std::initializer_list<int> widths);
  void SetCellText(int row, int column, const QString& text);
  QString CellText(int row, int column) const;
  // Lays a widget over a cell and shows it.
  void PlaceOver(QWidget* widget, int row, int column);
  // Fixes the grid's size to its cells.
  void FitToCells();
  // Widens a column (never narrows it) so that every text fits, plus `extra` pixels.
  void WidenColumn(int column, const QStringList& texts, int extra);
  // Row 0 as a title row: bold on the button colour.
  void StyleTitleRow();

 signals:
  // A mouse press is about to move the selection (sent before it moves).
  void aboutToSelect();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

class SetpointGridWidget : public StringGrid {
  Q_OBJECT
 public:
  SetpointGridWidget(const SetpointGridInfo& info, QWidget* parent);

  const SetpointGridInfo& Info() const { return info_; }
  ClickLabel* Header() const { return header_; }
  // The column that holds the value cells of a half (0 left, 1 right).
  static int ValueColumn(int half) { return half * 2 + 1; }

 private:
  const SetpointGridInfo& info_;
  ClickLabel* header_;
};

}  // namespace vorel

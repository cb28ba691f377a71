#include "ui/setpoint_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "ui/qt_text.h"

namespace vorel {

void ClickLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit clicked();
  QLabel::mousePressEvent(event);
}

StringGrid::StringGrid(int rows, int columns, QWidget* parent)
    : QTableWidget(rows, columns, parent) {
  horizontalHeader()->hide();
  verticalHeader()->hide();
  verticalHeader()->setMinimumSectionSize(kGridRowHeight);
  verticalHeader()->setDefaultSectionSize(kGridRowHeight);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setWordWrap(false);
  setTabKeyNavigation(false);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) setItem(r, c, new QTableWidgetItem());
  }
}

void StringGrid::SetColumnWidths(std::initializer_list<int> widths) {
  int c = 0;
  for (int w : widths) {
    if (c < columnCount()) setColumnWidth(c++, w);
  }
  FitToCells();
}

void StringGrid::SetCellText(int row, int column, const QString& text) {
  QTableWidgetItem* cell = item(row, column);
  if (!cell) {
    cell = new QTableWidgetItem();
    setItem(row, column, cell);
  }
  if (cell->text() != text) cell->setText(text);
}

QString StringGrid::CellText(int row, int column) const {
  const QTableWidgetItem* cell = item(row, column);
  return cell ? cell->text() : QString();
}

void StringGrid::PlaceOver(QWidget* widget, int row, int column) {
  if (!widget) return;
  if (widget->parentWidget() != viewport()) widget->setParent(viewport());
  widget->setGeometry(visualRect(model()->index(row, column)));
  widget->show();
  widget->raise();
}

void StringGrid::FitToCells() {
  int width = 2 * frameWidth();
  for (int c = 0; c < columnCount(); ++c) width += columnWidth(c);
  int height = 2 * frameWidth();
  for (int r = 0; r < rowCount(); ++r) height += rowHeight(r);
  setFixedSize(width, height);
}

void StringGrid::WidenColumn(int column, const QStringList& texts, int extra) {
  QFont bold = font();
  bold.setBold(true);
  const QFontMetrics metrics(bold);  // the wider of the two faces
  int width = columnWidth(column);
  for (const QString& text : texts)
    width = std::max(width, metrics.horizontalAdvance(text) + extra);
  setColumnWidth(column, width);
}

void StringGrid::StyleTitleRow() {
  QFont bold = font();
  bold.setBold(true);
  for (int c = 0; c < columnCount(); ++c) {
    if (QTableWidgetItem* cell = item(0, c)) {
      cell->setFont(bold);
      cell->setBackground(palette().button());
    }
  }
}

void StringGrid::mousePressEvent(QMouseEvent* event) {
  emit aboutToSelect();
  QTableWidget::mousePressEvent(event);
}

void StringGrid::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
      emit aboutToSelect();
      break;
    default:
      break;
  }
  QTableWidget::keyPressEvent(event);
}

SetpointGridWidget::SetpointGridWidget(const SetpointGridInfo& info, QWidget* parent)
    : StringGrid(info.rows, info.columns, parent), info_(info), header_(new ClickLabel(this)) {
  setObjectName(Q(info.name));
  header_->setObjectName(Q(info.headerLabel));
  header_->setAlignment(Qt::AlignCenter);
  QFont bold = header_->font();
  bold.setBold(true);
  header_->setFont(bold);
  header_->setAutoFillBackground(true);
  header_->setBackgroundRole(QPalette::Button);
  setSpan(0, 0, 1, info.columns);
  setCellWidget(0, 0, header_);
}

}  // namespace vorel

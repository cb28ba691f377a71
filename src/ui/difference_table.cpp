#include "ui/difference_table.h"

#include <QHeaderView>
#include <QTableWidget>
#include <string_view>

#include "ui/qt_text.h"

namespace vorel {

QTableWidget* MakeDifferenceTable(const std::vector<ParameterDifference>& differences,
                                  const QStringList& headers, QWidget* parent) {
  const int columns = static_cast<int>(headers.size());
  auto* table = new QTableWidget(static_cast<int>(differences.size()), columns, parent);
  table->setHorizontalHeaderLabels(headers);
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  int row = 0;
  for (const ParameterDifference& d : differences) {
    if (d.key.empty()) {
      // A group's heading: bold across the row.
      auto* item = new QTableWidgetItem(Q(d.name));
      QFont bold = item->font();
      bold.setBold(true);
      item->setFont(bold);
      table->setItem(row, 0, item);
      for (int column = 1; column < columns; ++column)
        table->setItem(row, column, new QTableWidgetItem);
      if (columns > 1) table->setSpan(row, 0, 1, columns);
      ++row;
      continue;
    }
    const std::string_view cells[] = {d.name, d.first, d.second, d.unit, d.key};
    for (int column = 0; column < columns && column < 5; ++column) {
      auto* item = new QTableWidgetItem(Q(cells[column]));
      if (column == 1 || column == 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table->setItem(row, column, item);
    }
    ++row;
  }
  table->resizeColumnsToContents();
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

}  // namespace vorel

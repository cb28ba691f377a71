#include "ui/binary_io_grids.h"

#include "core/channel_tables.h"
#include "core/language.h"
#include "core/vocabulary.h"
#include "ui/both_languages.h"
#include "ui/qt_text.h"

namespace vorel {
namespace {

constexpr const char* kInputColumns[] = {"", "Name", "Alarm", "Polarity", "Activity"};
constexpr const char* kOutputColumns[] = {"", "Name", "Polarity"};

QStringList ToList(const std::vector<std::string>& items) {
  QStringList list;
  for (const std::string& item : items) list << Q(item);
  return list;
}

}  // namespace

BinaryIoGrid::BinaryIoGrid(Kind kind, EditorModel& model, QWidget* parent)
    : StringGrid(9, kind == Kind::Inputs ? 5 : 3, parent), kind_(kind), model_(model) {
  const bool inputs = kind == Kind::Inputs;
  setObjectName(inputs ? "sgBInput" : "sgBoutput");
  if (inputs) {
    SetColumnWidths({40, 60, 60, 60, 60});
  } else {
    SetColumnWidths({40, 60, 60});
  }
  FillFunctionLists();
  FitColumns();
  StyleTitleRow();
  connect(this, &QTableWidget::cellClicked, this, [this](int row, int column) {
    if (row == 0) {
      HideLists();
      Rewrite();
      emit rowsRewritten();
      return;
    }
    Rewrite();
    emit rowsRewritten();
    const int slot = SlotOfRow(row);
    if (QComboBox* list = slot ? List(slot, column) : nullptr) {
      PlaceOver(list, row, column);
      list->setFocus();
    }
  });
}

void BinaryIoGrid::FitColumns() {
  constexpr int kListExtra = 20;  // the arrow of a list laid over a cell
  const bool inputs = kind_ == Kind::Inputs;
  std::array<QStringList, 5> texts;
  ForEachLanguage([&] {
    for (int c = 0; c < columnCount(); ++c) {
      texts[static_cast<std::size_t>(c)] << Q(Titles()[static_cast<std::size_t>(c)].Pick());
    }
    texts[0] << QString(inputs ? "BI8" : "BO8");
    for (int c = 1; c < columnCount(); ++c) texts[static_cast<std::size_t>(c)] << Items(c);
  });
  for (int c = 0; c < columnCount(); ++c)
    WidenColumn(c, texts[static_cast<std::size_t>(c)], c == 0 ? 10 : kListExtra);
  FitToCells();
}

QComboBox* BinaryIoGrid::List(int slot, int column) {
  if (slot < 1 || slot > kBinarySlots || column < 1 || column >= columnCount()) return nullptr;
  QComboBox*& list = lists_[static_cast<std::size_t>(slot)][static_cast<std::size_t>(column)];
  if (list) return list;
  // Made when first needed: the model holds the choices, the grid shows their texts.
  const bool inputs = kind_ == Kind::Inputs;
  list = new QComboBox(viewport());
  list->setObjectName(QString(inputs ? "cbBI%1%2" : "cbBO%1%2")
                          .arg(slot)
                          .arg(inputs ? kInputColumns[column] : kOutputColumns[column]));
  list->hide();
  connect(list, &QComboBox::activated, this, [this, slot, column](int index) {
    Choice(slot, column) = index;
    Rewrite();
    emit rowsRewritten();
  });
  list->addItems(Items(column));
  ShowList(slot, column);
  return list;
}

QStringList BinaryIoGrid::Items(int column) const {
  return ToList(kind_ == Kind::Inputs ? InputColumnItems(column) : OutputColumnItems(column));
}

std::span<const BilingualText> BinaryIoGrid::Titles() const {
  return kind_ == Kind::Inputs ? InputColumnTitles() : OutputColumnTitles();
}

void BinaryIoGrid::ShowList(int slot, int column) {
  QComboBox* list = lists_[static_cast<std::size_t>(slot)][static_cast<std::size_t>(column)];
  if (!list) return;
  const int index = Choice(slot, column);
  list->setCurrentIndex(index < list->count() ? index : -1);
}

int& BinaryIoGrid::Choice(int slot, int column) {
  ChannelSettings& c = model_.Channels();
  const auto s = static_cast<std::size_t>(slot - 1);
  if (kind_ == Kind::Outputs) return column == 1 ? c.outputs[s].function : c.outputs[s].polarity;
  switch (column) {
    case 1:
      return c.inputs[s].function;
    case 2:
      return c.inputs[s].action;
    case 3:
      return c.inputs[s].polarity;
    default:
      return c.inputs[s].activity;
  }
}

int BinaryIoGrid::SlotOfRow(int row) const {
  return kind_ == Kind::Inputs ? layout_.InputSlot(row) : layout_.OutputSlot(row);
}

void BinaryIoGrid::SetTitles() {
  const bool inputs = kind_ == Kind::Inputs;
  for (int c = 0; c < columnCount(); ++c) {
    SetCellText(0, c, Q(Titles()[static_cast<std::size_t>(c)].Pick()));
  }
  if (!layout_.titled) return;
  for (int row = 1; row < rowCount(); ++row) {
    const int slot = SlotOfRow(row);
    SetCellText(row, 0, slot ? QString(inputs ? "BI%1" : "BO%1").arg(slot) : QString());
  }
}

void BinaryIoGrid::FillFunctionLists() {
  for (int slot = 1; slot <= kBinarySlots; ++slot) Choice(slot, 1) = -1;
  RefillLists();
}

void BinaryIoGrid::RelabelLists() {
  RefillLists();
  Rewrite();
}

void BinaryIoGrid::RefillLists() {
  for (int slot = 1; slot <= kBinarySlots; ++slot) {
    for (int column = 1; column < columnCount(); ++column) {
      QComboBox* list = lists_[static_cast<std::size_t>(slot)][static_cast<std::size_t>(column)];
      if (!list) continue;
      list->clear();
      list->addItems(Items(column));
      ShowList(slot, column);
    }
  }
}

void BinaryIoGrid::ShowSlots() {
  for (int slot = 1; slot <= kBinarySlots; ++slot) {
    for (int column = 1; column < columnCount(); ++column) ShowList(slot, column);
  }
  Rewrite();
}

void BinaryIoGrid::Rewrite() {
  if (!layout_.titled) return;
  for (int row = 1; row < rowCount(); ++row) {
    const int slot = SlotOfRow(row);
    if (!slot) continue;
    for (int column = 1; column < columnCount(); ++column) {
      const QStringList items = Items(column);
      const int index = Choice(slot, column);
      SetCellText(row, column, index >= 0 && index < items.size() ? items[index] : QString());
    }
  }
}

void BinaryIoGrid::HideLists() {
  for (auto& slot : lists_) {
    for (QComboBox* list : slot) {
      if (list) list->hide();
    }
  }
}

}  // namespace vorel

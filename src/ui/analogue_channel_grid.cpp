#include "ui/analogue_channel_grid.h"

#include "core/channels.h"
#include "core/language.h"
#include "core/vocabulary.h"
#include "ui/both_languages.h"
#include "ui/qt_text.h"

namespace vorel {
namespace {

constexpr const char* kColumnNames[] = {"",      "Name",     "Type", "AlarmCondition",
                                        "Alarm", "Activity", "Unit", "Dot"};

// Room for the arrow of a list laid over a cell, and the margins of a cell.
constexpr int kListExtra = 20;
constexpr int kCellExtra = 10;

QStringList ToList(const std::vector<std::string>& items) {
  QStringList list;
  for (const std::string& item : items) list << Q(item);
  return list;
}

}  // namespace

AnalogueChannelGrid::AnalogueChannelGrid(EditorModel& model, QWidget* parent)
    : StringGrid(4, 9, parent), model_(model) {
  setObjectName("sgAnlg");
  SetColumnWidths({64, 86, 126, 70, 112, 73, 52, 32, 38});
  for (int n = 0; n < 3; ++n) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString("tbAnlg%1").arg(n + 1));
    button->setText("...");
    curve_[static_cast<std::size_t>(n)] = button;
    setCellWidget(n + 1, kAnlgChart, button);
    connect(button, &QToolButton::clicked, this, [this, n] { emit curveClicked(n); });
  }
  FitColumns();
  StyleTitleRow();
  connect(this, &QTableWidget::cellClicked, this, [this](int row, int column) {
    if (row == 0) HideLists();
    for (int n = 0; n < 3; ++n) RewriteRow(n);
    emit rowsRewritten();
    if (row > 0) ShowListOf(row, column);
  });
}

void AnalogueChannelGrid::FitColumns() {
  std::array<QStringList, 9> texts;
  ForEachLanguage([&] {
    for (int c = 0; c < 9; ++c)
      texts[static_cast<std::size_t>(c)]
          << Q(AnalogueColumnTitles()[static_cast<std::size_t>(c)].Pick());
    for (int i = 0; i < kAnalogueFunctionCount; ++i) texts[kAnlgName] << Q(AnalogueFunctionText(i));
    for (SensorList list : {SensorList::Pressure, SensorList::Temperature, SensorList::Level,
                            SensorList::BinaryOnly}) {
      for (const SensorType& t : SensorTypes(list)) texts[kAnlgType] << Q(t.text.Pick());
    }
    for (int c : {kAnlgCondition, kAnlgAlarm, kAnlgActivity})
      texts[static_cast<std::size_t>(c)] << ToList(AnalogueColumnItems({}, c));
    for (std::string_view u : Units()) texts[kAnlgUnit] << Q(u);
    for (std::string_view d : DecimalsList()) texts[kAnlgDot] << Q(d);
  });
  for (int c = 0; c < 9; ++c) {
    WidenColumn(c, texts[static_cast<std::size_t>(c)],
                c >= kAnlgName && c <= kAnlgDot ? kListExtra : kCellExtra);
  }
  FitToCells();
}

AnalogueChannelSettings& AnalogueChannelGrid::Channel(int channel) {
  return model_.Channels().analogue[static_cast<std::size_t>(channel)];
}

QStringList AnalogueChannelGrid::Items(int channel, int column) {
  return ToList(AnalogueColumnItems(Channel(channel), column));
}

int& AnalogueChannelGrid::Choice(int channel, int column) {
  AnalogueChannelSettings& c = Channel(channel);
  int* field = AnalogueChoiceField(c, column);
  return field ? *field : c.decimals;
}

bool AnalogueChannelGrid::ListEnabled(int channel, int column) {
  const AnalogueEnables e = AnalogueChannelEnables(Channel(channel));
  switch (column) {
    case kAnlgCondition:
      return e.condition;
    case kAnlgAlarm:
      return e.action;
    case kAnlgActivity:
      return e.activity;
    case kAnlgUnit:
      return e.unit;
    case kAnlgDot:
      return e.decimals;
    default:
      return true;  // function and type
  }
}

QComboBox* AnalogueChannelGrid::ExistingList(int channel, int column) const {
  if (channel < 0 || channel > 2 || column < kAnlgName || column > kAnlgDot) return nullptr;
  return lists_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(column)];
}

QComboBox* AnalogueChannelGrid::List(int channel, int column) {
  if (channel < 0 || channel > 2 || column < kAnlgName || column > kAnlgDot) return nullptr;
  QComboBox*& list = lists_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(column)];
  if (list) return list;
  // Made when first needed: the model holds the choices, the grid shows their texts.
  list = new QComboBox(viewport());
  list->setObjectName(QString("cbAnlg%1%2").arg(channel + 1).arg(kColumnNames[column]));
  list->hide();
  connect(list, &QComboBox::activated, this, [this, channel, column](int index) {
    if (column == kAnlgName) {
      emit functionChosen(channel, index);
      return;
    }
    Choice(channel, column) = index;
    switch (column) {
      case kAnlgType:
        emit typeChanged(channel);
        return;
      case kAnlgUnit:
        emit unitChanged(channel);
        break;
      case kAnlgDot:
        emit decimalsChanged(channel);
        break;
      default:
        break;
    }
    RewriteRow(channel);
    emit rowsRewritten();
  });
  ShowList(channel, column, true);
  return list;
}

void AnalogueChannelGrid::ShowList(int channel, int column, bool refill) {
  QComboBox* list = ExistingList(channel, column);
  if (!list) return;
  if (refill) {
    list->clear();
    list->addItems(Items(channel, column));
  }
  const int index = Choice(channel, column);
  list->setCurrentIndex(index < list->count() ? index : -1);
  list->setEnabled(ListEnabled(channel, column));
}

void AnalogueChannelGrid::SetTitles() {
  for (int c = 0; c < 9; ++c)
    SetCellText(0, c, Q(AnalogueColumnTitles()[static_cast<std::size_t>(c)].Pick()));
  StyleTitleRow();
  for (int n = 0; n < 3; ++n) SetCellText(n + 1, 0, QString("AI%1").arg(n + 1));
}

void AnalogueChannelGrid::FillFunctionLists() {
  for (int n = 0; n < 3; ++n) {
    Channel(n).function = -1;
    for (int column = kAnlgName; column <= kAnlgDot; ++column) ShowList(n, column, true);
  }
}

void AnalogueChannelGrid::RelabelLists() {
  for (int n = 0; n < 3; ++n) {
    for (int column = kAnlgName; column <= kAnlgDot; ++column) ShowList(n, column, true);
    RewriteRow(n);
  }
}

void AnalogueChannelGrid::ShowChannel(int n) {
  if (n < 0 || n > 2) return;
  for (int column = kAnlgName; column <= kAnlgDot; ++column)
    ShowList(n, column, column == kAnlgType);  // the type list follows the function
  CurveButton(n)->setEnabled(AnalogueChannelEnables(Channel(n)).curve);
  RewriteRow(n);
}

void AnalogueChannelGrid::ShowAllChannels() {
  for (int n = 0; n < 3; ++n) ShowChannel(n);
}

void AnalogueChannelGrid::RewriteRow(int n) {
  const int row = n + 1;
  for (int column = kAnlgName; column <= kAnlgDot; ++column) {
    SetCellText(row, column, Q(AnalogueCellText(Channel(n), column)));
    // The cells of disabled lists read as disabled.
    if (QTableWidgetItem* cell = item(row, column)) {
      cell->setForeground(palette().color(
          ListEnabled(n, column) ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    }
  }
}

void AnalogueChannelGrid::HideLists() {
  for (auto& channel : lists_) {
    for (QComboBox* list : channel) {
      if (list) list->hide();
    }
  }
}

void AnalogueChannelGrid::ShowListOf(int row, int column) {
  if (row < 1 || row > 3 || column < kAnlgName || column > kAnlgDot) return;
  // The function list always; the others only while enabled.
  if (column != kAnlgName && !ListEnabled(row - 1, column)) return;
  QComboBox* list = List(row - 1, column);
  PlaceOver(list, row, column);
  list->setFocus();
}

}  // namespace vorel

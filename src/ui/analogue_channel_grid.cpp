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

struct ColumnTitle {
  const char* english;
  const char* chinese;
};
constexpr ColumnTitle kTitles[] = {
    {"Channel", "通道"},
    {"Name", "名称"},
    {"Type", "类型"},
    {"Above/Under", "报警条件"},
    {"Alarm action", "报警保护"},
    {"Active when", "激活条件"},
    {"Unit", "单位"},
    {"Dec", "小数"},
    {"Chart", "曲线"},
};

// Room for the arrow of a list laid over a cell, and the margins of a cell.
constexpr int kListExtra = 20;
constexpr int kCellExtra = 10;

void FillList(QComboBox* list, const QStringList& items, int selected) {
  list->clear();
  list->addItems(items);
  list->setCurrentIndex(selected < list->count() ? selected : -1);
}

QStringList TwoEntryItems(TwoEntryList which) {
  QStringList items;
  for (const BilingualText& t : TwoEntries(which)) items << Q(t.Pick());
  return items;
}

}  // namespace

AnalogueChannelGrid::AnalogueChannelGrid(EditorModel& model, QWidget* parent)
    : StringGrid(4, 9, parent), model_(model) {
  setObjectName("sgAnlg");
  SetColumnWidths({64, 86, 126, 70, 112, 73, 52, 32, 38});
  for (int n = 0; n < 3; ++n) {
    for (int column = kAnlgName; column <= kAnlgDot; ++column) {
      auto* list = new QComboBox(viewport());
      list->setObjectName(QString("cbAnlg%1%2").arg(n + 1).arg(kColumnNames[column]));
      list->hide();
      lists_[static_cast<std::size_t>(n)][static_cast<std::size_t>(column)] = list;
      connect(list, &QComboBox::activated, this, [this, n, column](int index) {
        AnalogueChannelSettings& c = Channel(n);
        switch (column) {
          case kAnlgName:
            emit functionChosen(n, index);
            return;
          case kAnlgType:
            c.type = index;
            emit typeChanged(n);
            return;
          case kAnlgCondition:
            c.condition = index;
            break;
          case kAnlgAlarm:
            c.action = index;
            break;
          case kAnlgActivity:
            c.activity = index;
            break;
          case kAnlgUnit:
            c.unit = index;
            emit unitChanged(n);
            break;
          case kAnlgDot:
            c.decimals = index;
            emit decimalsChanged(n);
            break;
          default:
            break;
        }
        RewriteRow(n);
        emit rowsRewritten();
      });
    }
    auto* button = new QToolButton(this);
    button->setObjectName(QString("tbAnlg%1").arg(n + 1));
    button->setText("...");
    curve_[static_cast<std::size_t>(n)] = button;
    setCellWidget(n + 1, kAnlgChart, button);
    connect(button, &QToolButton::clicked, this, [this, n] { emit curveClicked(n); });
  }
  // The fixed lists; the function and type lists follow the language and the function.
  for (int n = 0; n < 3; ++n) {
    QStringList actions;
    for (const AlarmAction& a : AlarmActionList()) actions << Q(a.text.Pick());
    QStringList units;
    for (std::string_view u : Units()) units << Q(u);
    QStringList decimals;
    for (std::string_view d : DecimalsList()) decimals << Q(d);
    FillList(List(n, kAnlgCondition), TwoEntryItems(TwoEntryList::AlarmCondition), -1);
    FillList(List(n, kAnlgAlarm), actions, -1);
    FillList(List(n, kAnlgActivity), TwoEntryItems(TwoEntryList::Activity), -1);
    FillList(List(n, kAnlgUnit), units, -1);
    FillList(List(n, kAnlgDot), decimals, -1);
  }
  FitColumns();
  StyleTitleRow();
  connect(this, &QTableWidget::cellClicked, this, [this](int row, int column) {
    if (row == 0) {
      HideLists();
      for (int n = 0; n < 3; ++n) RewriteRow(n);
      emit rowsRewritten();
      return;
    }
    for (int n = 0; n < 3; ++n) RewriteRow(n);
    emit rowsRewritten();
    ShowListOf(row, column);
  });
}

void AnalogueChannelGrid::FitColumns() {
  std::array<QStringList, 9> texts;
  ForEachLanguage([&] {
    for (int c = 0; c < 9; ++c)
      texts[static_cast<std::size_t>(c)] << Q(PickText(kTitles[c].english, kTitles[c].chinese));
    for (int i = 0; i < kAnalogueFunctionCount; ++i) texts[kAnlgName] << Q(AnalogueFunctionText(i));
    for (SensorList list : {SensorList::Pressure, SensorList::Temperature, SensorList::Level,
                            SensorList::BinaryOnly}) {
      for (const TSensorType& t : SensorTypes(list)) texts[kAnlgType] << Q(t.text.Pick());
    }
    texts[kAnlgCondition] << TwoEntryItems(TwoEntryList::AlarmCondition);
    for (const AlarmAction& a : AlarmActionList()) texts[kAnlgAlarm] << Q(a.text.Pick());
    texts[kAnlgActivity] << TwoEntryItems(TwoEntryList::Activity);
    for (std::string_view u : Units()) texts[kAnlgUnit] << Q(u);
    for (std::string_view d : DecimalsList()) texts[kAnlgDot] << Q(d);
  });
  for (int c = 0; c < 9; ++c) {
    WidenColumn(c, texts[static_cast<std::size_t>(c)],
                c >= kAnlgName && c <= kAnlgDot ? kListExtra : kCellExtra);
  }
  FitToCells();
}

QComboBox* AnalogueChannelGrid::List(int channel, int column) const {
  if (channel < 0 || channel > 2 || column < kAnlgName || column > kAnlgDot) return nullptr;
  return lists_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(column)];
}

AnalogueChannelSettings& AnalogueChannelGrid::Channel(int channel) {
  return model_.Channels().analogue[static_cast<std::size_t>(channel)];
}

void AnalogueChannelGrid::SetTitles() {
  for (int c = 0; c < 9; ++c)
    SetCellText(0, c, Q(PickText(kTitles[c].english, kTitles[c].chinese)));
  for (int n = 0; n < 3; ++n) SetCellText(n + 1, 0, QString("AI%1").arg(n + 1));
}

void AnalogueChannelGrid::FillFunctionLists() {
  QStringList functions;
  for (int i = 0; i < kAnalogueFunctionCount; ++i) functions << Q(AnalogueFunctionText(i));
  QStringList conditions = TwoEntryItems(TwoEntryList::AlarmCondition);
  QStringList activities = TwoEntryItems(TwoEntryList::Activity);
  QStringList actions;
  for (const AlarmAction& a : AlarmActionList()) actions << Q(a.text.Pick());
  for (int n = 0; n < 3; ++n) {
    Channel(n).function = -1;
    FillList(List(n, kAnlgName), functions, -1);
    FillList(List(n, kAnlgCondition), conditions, Channel(n).condition);
    FillList(List(n, kAnlgAlarm), actions, Channel(n).action);
    FillList(List(n, kAnlgActivity), activities, Channel(n).activity);
  }
}

void AnalogueChannelGrid::FillTypeList(int channel) {
  QStringList types;
  for (const TSensorType& t : SensorTypes(SensorListForFunction(Channel(channel).function)))
    types << Q(t.text.Pick());
  FillList(List(channel, kAnlgType), types, Channel(channel).type);
}

void AnalogueChannelGrid::ShowChannel(int n) {
  if (n < 0 || n > 2) return;
  const AnalogueChannelSettings& c = Channel(n);
  List(n, kAnlgName)->setCurrentIndex(c.function < List(n, kAnlgName)->count() ? c.function : -1);
  FillTypeList(n);
  const std::pair<int, int> selections[] = {{kAnlgCondition, c.condition},
                                            {kAnlgAlarm, c.action},
                                            {kAnlgActivity, c.activity},
                                            {kAnlgUnit, c.unit},
                                            {kAnlgDot, c.decimals}};
  for (const auto& [column, index] : selections) {
    QComboBox* list = List(n, column);
    list->setCurrentIndex(index < list->count() ? index : -1);
  }
  const AnalogueEnables e = AnalogueChannelEnables(c);
  List(n, kAnlgCondition)->setEnabled(e.condition);
  List(n, kAnlgAlarm)->setEnabled(e.action);
  List(n, kAnlgActivity)->setEnabled(e.activity);
  List(n, kAnlgUnit)->setEnabled(e.unit);
  List(n, kAnlgDot)->setEnabled(e.decimals);
  CurveButton(n)->setEnabled(e.curve);
  RewriteRow(n);
}

void AnalogueChannelGrid::ShowAllChannels() {
  for (int n = 0; n < 3; ++n) ShowChannel(n);
}

void AnalogueChannelGrid::RewriteRow(int n) {
  const int row = n + 1;
  auto text = [this, n](int column) { return List(n, column)->currentText(); };
  SetCellText(row, kAnlgName, text(kAnlgName));
  SetCellText(row, kAnlgType, text(kAnlgType));
  SetCellText(row, kAnlgAlarm, text(kAnlgAlarm));
  SetCellText(row, kAnlgActivity, text(kAnlgActivity));
  const bool sensor = Channel(n).type >= 3;
  for (int column : {kAnlgCondition, kAnlgUnit, kAnlgDot})
    SetCellText(row, column, sensor ? text(column) : QString("--"));
  // The cells of disabled lists read as disabled.
  for (int column = kAnlgType; column <= kAnlgDot; ++column) {
    QTableWidgetItem* cell = item(row, column);
    if (cell)
      cell->setForeground(palette().color(
          List(n, column)->isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
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
  if (row < 1 || row > 3) return;
  QComboBox* list = List(row - 1, column);
  if (!list) return;  // the title column and the curve buttons
  if (column != kAnlgName && !list->isEnabled()) return;
  PlaceOver(list, row, column);
  list->setFocus();
}

}  // namespace vorel

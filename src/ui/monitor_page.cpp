#include "ui/monitor_page.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QTableWidgetItem>
#include <QVBoxLayout>

#include "core/language.h"
#include "ui/qt_text.h"
#include "ui/setpoint_grid.h"
#include "ui/trend_view.h"

namespace vorel {
namespace {

// Section captions: control name, text, grid row they lie over.
struct SectionCaption {
  const char* name;
  BilingualText text;
  int row;
};
constexpr SectionCaption kCaptions[] = {
    {"lbMonitorEngine", {"Engine", "发动机"}, 0},
    {"lbMonitorGenerator", {"Generator", "发电机"}, 0},
    {"lbMonitorMains", {"Mains", "市电"}, 11},
    {"lbMonitorInputs", {"Inputs", "开关量输入"}, 0},
    {"lbMonitorOutputs", {"Outputs", "开关量输出"}, 9},
    {"lbMonitorAlarmList", {"Alarm List", "报警清单"}, 9},
};
// The alarm list takes engine rows 10 to 17, two lines per row.
constexpr int kFirstAlarmRow = 10;
// The title column (1) of the engine, generator and binary grids: its width at least, and the
// room beside the longest title when that is wider.
constexpr std::array<int, 3> kTitleColumnWidths{150, 110, 170};
constexpr int kTitlePadding = 12;

QColor ToQColor(const Rgb& c) {
  return QColor(c.red, c.green, c.blue);
}

// MUTE and RESET tell by their caption colour, red or white; on a near-black face both read
// (and the buttons do not look disabled, as white on a light face does).
const QColor kIndicatorFace(32, 32, 32);
const QColor kIndicatorFaceBorder(96, 96, 96);

QLabel* StateLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setMinimumWidth(200);
  return label;
}

}  // namespace

MonitorPage::MonitorPage(QWidget* parent) : QWidget(parent) {
  setObjectName("pnlMonitor");
  auto* top = new QHBoxLayout;
  genSetStateLabel_ = StateLabel("lbGenSetStatus", this);
  mainsStateLabel_ = StateLabel("lbMains1Status", this);
  loadStateLabel_ = StateLabel("lbLoad1Status", this);
  stateLabels_ = {mainsStateLabel_, genSetStateLabel_, loadStateLabel_};
  top->addWidget(genSetStateLabel_);
  top->addWidget(mainsStateLabel_);
  top->addWidget(loadStateLabel_);
  dataAgeLabel_ = new QLabel(this);
  dataAgeLabel_->setObjectName("lbDataAge");
  dataAgeLabel_->setStyleSheet("color: #c00000; font-weight: bold;");
  dataAgeLabel_->hide();
  top->addSpacing(12);
  top->addWidget(dataAgeLabel_);
  top->addStretch();

  // One button per command row: the mode buttons show the mode the controller reports (one of
  // them down), the action buttons only send; a gap parts the groups.
  auto* modes = new QButtonGroup(this);
  modes->setExclusive(true);
  auto* modeRow = new QHBoxLayout;
  const CommandGroup* group = nullptr;
  for (const RemoteCommandInfo& info : kRemoteCommands) {
    if (group && *group != info.group) modeRow->addSpacing(24);
    group = &info.group;
    auto* b = new QPushButton(this);
    b->setObjectName(Q(info.controlName));
    if (info.group == CommandGroup::Mode) {
      b->setCheckable(true);
      modes->addButton(b);
    }
    commandButtons_[IndexOf(info.command)] = b;
    modeRow->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, command = info.command] {
      // A mode button shows down at once and stays down while the command waits for its reply
      // (seconds through a modem); after it the ticks show the mode the image holds again.
      const QPointer<MonitorPage> self(this);
      if (IsModeCommand(command)) requestedMode_ = static_cast<OperatingMode>(IndexOf(command));
      emit commandRequested(command);
      if (!self) return;  // the window closed while the command waited
      if (!IsModeCommand(command)) return;
      requestedMode_.reset();
      Invalidate();
    });
  }
  for (RemoteCommand c : {RemoteCommand::Mute, RemoteCommand::Reset})
    SetButtonColours(c, kIndicatorFace, QColor(Qt::white));
  modeRow->addSpacing(24);
  trendButton_ = new QPushButton(this);
  trendButton_->setObjectName("tbTrend");
  trendButton_->setCheckable(true);
  modeRow->addWidget(trendButton_);
  modeRow->addStretch();
  clockLabel_ = new QLabel(this);
  clockLabel_->setObjectName("lbTime");
  modeRow->addWidget(clockLabel_);

  engineGrid_ = new StringGrid(18, 3, this);
  engineGrid_->setObjectName("sgEngine");
  engineGrid_->SetColumnWidths({8, kTitleColumnWidths[0], 90});
  generatorGrid_ = new StringGrid(18, 6, this);
  generatorGrid_->setObjectName("sgGenerator");
  generatorGrid_->SetColumnWidths({8, kTitleColumnWidths[1], 56, 56, 56, 56});
  binaryIoGrid_ = new StringGrid(20, 3, this);
  binaryIoGrid_->setObjectName("sgBIO");
  binaryIoGrid_->SetColumnWidths({8, kTitleColumnWidths[2], 80});
  for (StringGrid* g : {engineGrid_, generatorGrid_, binaryIoGrid_})
    g->setSelectionMode(QAbstractItemView::NoSelection);

  // Section captions and alarm lines over grid rows.
  const StringGrid* captionGrids[] = {engineGrid_,   generatorGrid_, generatorGrid_,
                                      binaryIoGrid_, binaryIoGrid_,  engineGrid_};
  for (std::size_t i = 0; i < captions_.size(); ++i) {
    auto* label = new QLabel(captionGrids[i]->viewport());
    label->setObjectName(kCaptions[i].name);
    label->setAlignment(Qt::AlignCenter);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setAutoFillBackground(true);
    captions_[i] = label;
  }
  mainsTitleLabel_ = captions_[2];
  for (int i = 1; i <= kAlarmLines; ++i) {
    auto* alarm = new QLabel(engineGrid_->viewport());
    alarm->setObjectName(QString("lbAlarmList%1").arg(i));
    // On the viewport a child would take its Base and Text roles; the line's colours are set
    // as Window and WindowText.
    alarm->setBackgroundRole(QPalette::Window);
    alarm->setForegroundRole(QPalette::WindowText);
    alarm->setAutoFillBackground(true);
    alarm->hide();
    alarmLabels_[static_cast<std::size_t>(i - 1)] = alarm;
  }
  // Nothing ever shows as selected: a click puts the current cell back to column 0.
  for (StringGrid* g : {engineGrid_, generatorGrid_, binaryIoGrid_}) {
    connect(g, &QTableWidget::cellClicked, g, [g](int row, int) { g->setCurrentCell(row, 0); });
  }

  live_ = new QWidget;
  auto* grids = new QHBoxLayout;
  grids->setContentsMargins(0, 0, 0, 0);
  grids->addWidget(engineGrid_, 0, Qt::AlignTop);
  grids->addWidget(generatorGrid_, 0, Qt::AlignTop);
  grids->addWidget(binaryIoGrid_, 0, Qt::AlignTop);
  grids->addStretch();
  auto* liveLayout = new QVBoxLayout(live_);
  liveLayout->setContentsMargins(0, 0, 0, 0);
  liveLayout->addLayout(grids);
  liveLayout->addStretch();
  trend_ = new TrendView;
  stack_ = new QStackedWidget(this);
  stack_->addWidget(live_);
  stack_->addWidget(trend_);
  connect(trendButton_, &QPushButton::toggled, this, &MonitorPage::ShowTrend);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(modeRow);
  layout->addWidget(stack_, 1);
}

void MonitorPage::ShowTrend(bool shown) {
  if (trendButton_->isChecked() != shown) trendButton_->setChecked(shown);
  stack_->setCurrentWidget(shown ? static_cast<QWidget*>(trend_) : live_);
  // The grids come back as the image holds them now.
  if (!shown) Update();
}

void MonitorPage::SetSource(std::function<std::optional<std::uint64_t>()> changes,
                            std::function<void(MonitorValues&)> values) {
  changes_ = std::move(changes);
  values_ = std::move(values);
  drawn_ = false;
}

bool MonitorPage::InView() const {
  return isVisible() && !window()->isMinimized();
}

bool MonitorPage::GridsShown() const {
  return stack_->currentWidget() == live_;
}

void MonitorPage::Update() {
  if (!changes_ || !values_ || !InView()) return;
  const std::optional<std::uint64_t> changes = changes_();
  if (!changes) return;
  if (!drawn_ || *changes != drawnChanges_ || (!gridsDrawn_ && GridsShown())) {
    values_(shownValues_);
    Refresh(shownValues_);
    drawn_ = true;
    drawnChanges_ = *changes;
    ++draws_;
  }
  if (!GridsShown()) trend_->Refresh();
}

void MonitorPage::ShowDataAge(bool stale, const QString& text) {
  if (dataAgeLabel_->text() != text) dataAgeLabel_->setText(text);
  if (dataAgeLabel_->isVisibleTo(this) != stale) dataAgeLabel_->setVisible(stale);
  if (stale == stale_) return;
  stale_ = stale;
  PaintValues();
}

QBrush MonitorPage::ValueBrush() const {
  // Live values in the grid's own text colour; stale ones as disabled text.
  return stale_ ? palette().brush(QPalette::Disabled, QPalette::Text) : QBrush();
}

void MonitorPage::PaintValues() {
  const QBrush brush = ValueBrush();
  for (const MonitorCell& cell : shownValues_.cells) {
    if (QTableWidgetItem* item = Grid(cell.grid)->item(cell.row, cell.column))
      item->setForeground(brush);
  }
  for (QLabel* label : stateLabels_) {
    QPalette p = label->palette();
    p.setBrush(QPalette::WindowText, stale_ ? brush : palette().brush(QPalette::WindowText));
    label->setPalette(p);
  }
  // The alarm lines take their colours again.
  alarmsKnown_ = false;
  if (GridsShown() && drawn_) RefreshAlarms(shownValues_.alarms);
}

void MonitorPage::SetButtonCaptions() {
  for (const RemoteCommandInfo& info : kRemoteCommands)
    CommandButton(info.command)->setText(Q(info.caption.Pick()));
  trendButton_->setText(Q(PickText("Trend", "趋势")));
  trend_->ApplyTexts();
  // The state texts and the activity cells follow the language at the next tick.
  Invalidate();
}

void MonitorPage::SetMainsLabelsShown(bool shown) {
  mainsStateLabel_->setVisible(shown);
  loadStateLabel_->setVisible(shown);
  mainsTitleLabel_->setProperty("mainsShown", shown);
  mainsTitleLabel_->setVisible(shown);
}

void MonitorPage::SetTimeLabelShown(bool shown) {
  clockLabel_->setVisible(shown);
}

void MonitorPage::SetSectionCaptions() {
  for (std::size_t i = 0; i < captions_.size(); ++i)
    captions_[i]->setText(Q(kCaptions[i].text.Pick()));
  PlaceOverlays();
}

void MonitorPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  PlaceOverlays();
  // A window restored from its icon shows no new widget: its state change draws the page.
  if (window() != watchedWindow_) {
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
    watchedWindow_ = window();
    watchedWindow_->installEventFilter(this);
  }
  Update();
}

bool MonitorPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watchedWindow_ && event->type() == QEvent::WindowStateChange) Update();
  return QWidget::eventFilter(watched, event);
}

void MonitorPage::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // The alarm lines take their colours from the palette.
  if (event->type() == QEvent::PaletteChange) alarmsKnown_ = false;
}

void MonitorPage::PlaceOverlays() {
  const StringGrid* captionGrids[] = {engineGrid_,   generatorGrid_, generatorGrid_,
                                      binaryIoGrid_, binaryIoGrid_,  engineGrid_};
  for (std::size_t i = 0; i < captions_.size(); ++i) {
    const StringGrid* g = captionGrids[i];
    const int row = kCaptions[i].row;
    captions_[i]->setGeometry(0, g->rowViewportPosition(row), g->viewport()->width(),
                              g->rowHeight(row));
  }
  const int half = engineGrid_->viewport()->width() / 2;
  for (int i = 0; i < kAlarmLines; ++i) {
    const int row = kFirstAlarmRow + i / 2;
    alarmLabels_[static_cast<std::size_t>(i)]->setGeometry(i % 2 == 0 ? 0 : half,
                                                           engineGrid_->rowViewportPosition(row),
                                                           half, engineGrid_->rowHeight(row));
  }
}

StringGrid* MonitorPage::Grid(MonitorGrid grid) const {
  switch (grid) {
    case MonitorGrid::Engine:
      return engineGrid_;
    case MonitorGrid::Generator:
      return generatorGrid_;
    case MonitorGrid::BinaryIo:
      return binaryIoGrid_;
  }
  return engineGrid_;
}

std::string* MonitorPage::CellText(MonitorGrid grid, int row, int column) {
  const StringGrid* g = Grid(grid);
  if (row < 0 || row >= g->rowCount() || column < 0 || column >= g->columnCount()) return nullptr;
  std::vector<std::string>& texts = cellTexts_[static_cast<std::size_t>(grid)];
  return &texts[static_cast<std::size_t>(row * g->columnCount() + column)];
}

void MonitorPage::ForgetCellTexts() {
  // What the grids hold now, written by whoever wrote them.
  for (MonitorGrid grid : {MonitorGrid::Engine, MonitorGrid::Generator, MonitorGrid::BinaryIo}) {
    const StringGrid* g = Grid(grid);
    std::vector<std::string>& texts = cellTexts_[static_cast<std::size_t>(grid)];
    texts.resize(static_cast<std::size_t>(g->rowCount() * g->columnCount()));
    for (int r = 0; r < g->rowCount(); ++r) {
      for (int c = 0; c < g->columnCount(); ++c)
        texts[static_cast<std::size_t>(r * g->columnCount() + c)] = g->CellText(r, c).toStdString();
    }
  }
}

void MonitorPage::SetTitles(const std::vector<MonitorCell>& titles) {
  for (int r = 1; r <= 7; ++r) engineGrid_->SetCellText(r, 1, QString());
  for (int r = 1; r < generatorGrid_->rowCount(); ++r) generatorGrid_->SetCellText(r, 1, QString());
  for (int c = 2; c <= 5; ++c) {
    generatorGrid_->SetCellText(1, c, QString());
    generatorGrid_->SetCellText(12, c, QString());
  }
  for (int r = 1; r < binaryIoGrid_->rowCount(); ++r) binaryIoGrid_->SetCellText(r, 1, QString());
  for (const MonitorCell& cell : titles)
    Grid(cell.grid)->SetCellText(cell.row, cell.column, Q(cell.text));
  FitTitleColumns();
  ForgetCellTexts();
  // The values are drawn again under the new titles (a new type or access level).
  drawn_ = false;
}

void MonitorPage::FitTitleColumns() {
  // A long input or output name ("BO6 (Generator set running)") widens its grid rather than
  // being cut off.
  const std::array<StringGrid*, 3> grids{engineGrid_, generatorGrid_, binaryIoGrid_};
  for (std::size_t i = 0; i < grids.size(); ++i) {
    StringGrid* g = grids[i];
    QStringList texts;
    for (int r = 0; r < g->rowCount(); ++r) texts << g->CellText(r, 1);
    g->setColumnWidth(1, kTitleColumnWidths[i]);
    g->WidenColumn(1, texts, kTitlePadding);
    g->FitToCells();
  }
  PlaceOverlays();
}

void MonitorPage::Refresh(const MonitorValues& v) {
  drawn_ = false;  // Update() tells which change count this is
  gridsDrawn_ = GridsShown();
  if (gridsDrawn_) {
    if (cellTexts_[0].empty()) ForgetCellTexts();
    for (const MonitorCell& cell : v.cells) {
      std::string* shown = CellText(cell.grid, cell.row, cell.column);
      if (!shown) continue;
      if (*shown == cell.text) continue;
      *shown = cell.text;
      Grid(cell.grid)->SetCellText(cell.row, cell.column, Q(cell.text));
      if (stale_) Grid(cell.grid)->item(cell.row, cell.column)->setForeground(ValueBrush());
    }
    RefreshAlarms(v.alarms);
  }
  if (requestedMode_) {
    ModeButton(*requestedMode_)->setChecked(true);
  } else if (v.mode) {
    ModeButton(*v.mode)->setChecked(true);
  }

  const std::array<std::pair<std::size_t, const std::string*>, 3> labels{
      {{0, &v.mainsLabel}, {1, &v.genSetLabel}, {2, &v.transferSwitchLabel}}};
  for (const auto& [i, text] : labels) {
    if (labelTexts_[i] == *text) continue;
    labelTexts_[i] = *text;
    stateLabels_[i]->setText(Q(*text));
  }

  if (v.startStop) {
    SetButtonColours(RemoteCommand::Start, ToQColor(v.startStop->start), std::nullopt);
    SetButtonColours(RemoteCommand::Stop, ToQColor(v.startStop->stop), std::nullopt);
  }
  if (v.muteText) SetButtonColours(RemoteCommand::Mute, std::nullopt, ToQColor(*v.muteText));
  SetButtonColours(RemoteCommand::Reset, std::nullopt, ToQColor(v.resetText));
}

void MonitorPage::RefreshAlarms(const std::array<AlarmLine, kAlarmLines>& alarms) {
  const QPalette base = palette();
  for (std::size_t i = 0; i < alarmLabels_.size(); ++i) {
    QLabel* label = alarmLabels_[i];
    const AlarmLine& line = alarms[i];
    AlarmLine& shown = shownAlarms_[i];
    if (alarmsKnown_ && shown.shown == line.shown && shown.text == line.text &&
        shown.highlighted == line.highlighted)
      continue;
    shown = line;
    if (!line.shown) {
      label->hide();
      continue;
    }
    const QString t = Q(line.text);
    if (label->text() != t) label->setText(t);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, line.highlighted ? ToQColor(kSilver) : base.color(QPalette::Base));
    p.setColor(QPalette::WindowText, stale_ ? base.color(QPalette::Disabled, QPalette::Text)
                                     : line.highlighted ? base.color(QPalette::Highlight)
                                                        : base.color(QPalette::Text));
    if (p != label->palette()) label->setPalette(p);
    label->show();
  }
  alarmsKnown_ = true;
}

void MonitorPage::SetButtonColours(RemoteCommand command, std::optional<QColor> background,
                                   std::optional<QColor> text) {
  const std::size_t index = IndexOf(command);
  const QColor newBackground = background.value_or(backgrounds_[index]);
  const QColor newText = text.value_or(texts_[index]);
  if (newBackground == backgrounds_[index] && newText == texts_[index]) return;
  backgrounds_[index] = newBackground;
  texts_[index] = newText;
  QString sheet;
  if (newBackground.isValid()) sheet += "background-color: " + newBackground.name() + ";";
  if (newText.isValid()) sheet += "color: " + newText.name() + ";";
  if (newBackground == kIndicatorFace) {
    // A drawn border of its own, and a lighter face while pressed.
    sheet = "QPushButton {" + sheet + "font-weight: bold; border: 1px solid " +
            kIndicatorFaceBorder.name() +
            "; border-radius: 3px; padding: 4px 12px;} QPushButton:pressed {background-color: " +
            kIndicatorFaceBorder.name() + ";}";
  }
  commandButtons_[index]->setStyleSheet(sheet);
}

}  // namespace vorel

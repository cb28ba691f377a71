#include "ui/parameter_window.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "control/settings.h"
#include "core/binary_io_layout.h"
#include "core/language.h"
#include "core/monitor_format.h"
#include "core/register_table.h"
#include "core/site_images.h"
#include "files/parameter_compare.h"
#include "ui/analogue_channel_grid.h"
#include "ui/binary_io_grids.h"
#include "ui/both_languages.h"
#include "ui/changed_cells.h"
#include "ui/curve_editor.h"
#include "ui/elided_label.h"
#include "ui/event_log_page.h"
#include "ui/freed_memory.h"
#include "ui/grid_editors.h"
#include "ui/grid_notices.h"
#include "ui/help_window.h"
#include "ui/monitor_page.h"
#include "ui/parameter_compare_dialog.h"
#include "ui/qt_text.h"
#include "ui/setpoint_grid.h"
#include "ui/site_window_tabs.h"
#include "ui/status_panel.h"
#include "ui/trend_view.h"
#include "ui/write_preview_dialog.h"

namespace vorel {
namespace {

constexpr std::uint16_t kSerialNumberGateBit = 0x0040;
constexpr int kStatusPanelWidths[] = {150, 100, 350, 100};
// How long a clamp notice spans the whole status bar.
constexpr int kNoticeWholeMs = 8000;
constexpr int kPasswordButtonWidth = 48;

// The sub-pages refreshed as units, each in this order.
constexpr SetpointGrid kBasicPage[] = {SetpointGrid::System, SetpointGrid::Compensation,
                                       SetpointGrid::Basic};
constexpr SetpointGrid kEnginePage[] = {SetpointGrid::Engine, SetpointGrid::EngineProtection};
constexpr SetpointGrid kGeneratorPage[] = {SetpointGrid::Generator, SetpointGrid::Mains};

std::span<const SetpointGrid> SubPageOf(SetpointGrid grid) {
  switch (grid) {
    case SetpointGrid::System:
    case SetpointGrid::Compensation:
    case SetpointGrid::Basic:
      return kBasicPage;
    case SetpointGrid::Engine:
    case SetpointGrid::EngineProtection:
      return kEnginePage;
    case SetpointGrid::Generator:
    case SetpointGrid::Mains:
      return kGeneratorPage;
  }
  return kBasicPage;
}

// Width of the value columns (left half, right half).
std::pair<int, int> ValueColumnWidths(SetpointGrid grid) {
  switch (grid) {
    case SetpointGrid::System:
      return {160, 0};
    case SetpointGrid::Generator:
      return {84, 124};
    case SetpointGrid::EngineProtection:
      return {84, 84};
    case SetpointGrid::Mains:
      return {110, 0};
    default:
      return {96, 0};
  }
}

QString Pick(const BilingualText& t) {
  return Q(t.Pick());
}

QString ShortDateText(const CivilDate& d) {
  return QLocale().toString(QDate(d.year, d.month, d.day), QLocale::ShortFormat);
}

QString LongTimeText(const TimeOfDay& t) {
  QString format = QLocale().timeFormat(QLocale::LongFormat);
  format.remove(QRegularExpression("\\s*t+\\s*"));  // no time zone
  return QLocale().toString(QTime(t.hour, t.minute, t.second), format.trimmed());
}

std::string ChannelEditorName(int channel, std::string_view what) {
  return "seAnlg" + std::to_string(channel + 1) + std::string(what);
}

}  // namespace

ParameterWindow::ParameterWindow(SiteImages& images, const SiteSlots& siteSlots, int site,
                                 SiteCommands& commands, QWidget* parent)
    : QMainWindow(parent), images_(images), slots_(siteSlots), site_(site), commands_(commands) {
  setObjectName("fmParameter");
  factory_ = IsFactoryLevel();
  editors_ = new GridEditors(model_, this);

  pages_ = new QTabWidget(this);
  pages_->setObjectName("pcParameter");
  configurationPage_ = new QWidget;
  configurationPage_->setObjectName("tsConfiguration");
  // The monitor and event-log pages are built when first needed (Monitor(), EventLog()): in
  // most windows they are never shown, and they are most of a window's widgets. Until then
  // their tabs hold empty pages and what they would show is kept here.
  monitorPage_ = new QWidget;
  monitorPage_->setObjectName("tsStatusDisplay");
  auto* monitorLayout = new QVBoxLayout(monitorPage_);
  monitorLayout->setContentsMargins(0, 0, 0, 0);
  eventLogPage_ = new QWidget;
  eventLogPage_->setObjectName("tsHistoryDisplay");
  auto* eventLogLayout = new QVBoxLayout(eventLogPage_);
  eventLogLayout->setContentsMargins(0, 0, 0, 0);
  pages_->addTab(configurationPage_, QString());
  pages_->addTab(monitorPage_, QString());
  pages_->addTab(eventLogPage_, QString());
  monitorPage_->installEventFilter(this);
  eventLogPage_->installEventFilter(this);
  BuildConfigurationPage(configurationPage_);
  setCentralWidget(pages_);

  QStatusBar* bar = statusBar();
  bar->setObjectName("stbParameter");
  bar->setSizeGripEnabled(false);
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    panels_[i] = new QLabel(bar);
    panels_[i]->setObjectName(QString("stbParameterPanel%1").arg(i));
    panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panels_[i]->setFixedWidth(kStatusPanelWidths[i]);
    bar->addWidget(panels_[i]);
  }
  dataAgeLabel_ = new QLabel(bar);
  dataAgeLabel_->setObjectName("stbDataAge");
  dataAgeLabel_->setStyleSheet("color: #c00000;");
  bar->addWidget(dataAgeLabel_);
  dataAgeLabel_->hide();
  changedLabel_ = new QLabel(bar);
  changedLabel_->setObjectName("stbChanged");
  bar->addWidget(changedLabel_);
  noticeLabel_ = new ElidedLabel(bar);
  noticeLabel_->setObjectName("stbNotice");
  bar->addWidget(noticeLabel_, 1);

  connect(editors_, &GridEditors::moveRequested, this, &ParameterWindow::MoveFromEditor);
  connect(editors_, &GridEditors::revertRequested, this, &ParameterWindow::RevertEditor);
  connect(editors_, &GridEditors::clamped, this, &ParameterWindow::ShowClampNotice);
  connect(editors_, &GridEditors::edited, this, [this] { UpdateChangedCount(); });

  // The monitor's engine titles carry the channel names and units.
  connect(this, &ParameterWindow::channelTitlesChanged, this, [this] {
    monitorTitlesSet_ = true;
    if (!monitor_) return;
    monitor_->SetTitles(MonitorTitles(images_, site_));
    monitor_->Trend()->ApplyTexts();
  });
  connect(this, &ParameterWindow::curveEditorRequested, this, &ParameterWindow::OpenCurveEditor);

  ApplyWindowTexts();
  GridTitleChannelShow();
  FillItemLists();
  SizeTitleColumns();
}

ParameterWindow::~ParameterWindow() {
  // The child widgets outlive the members; nothing they send while they are destroyed may
  // reach the window or the editors.
  for (QObject* child : findChildren<QObject*>()) {
    child->disconnect(this);
    child->disconnect(editors_);
  }
}

void ParameterWindow::BuildConfigurationPage(QWidget* page) {
  configurationPages_ = new QTabWidget(page);
  configurationPages_->setObjectName("pcConfiguration");
  const std::pair<QWidget**, const char*> pages[] = {{&basicPage_, "tbBasic"},
                                                     {&enginePage_, "tbEngine"},
                                                     {&generatorProtectionPage_, "tbGenProtection"},
                                                     {&sensorPage_, "tbSensor"}};
  for (const auto& [widget, name] : pages) {
    *widget = new QWidget;
    (*widget)->setObjectName(name);
    configurationPages_->addTab(*widget, QString());
  }

  // The setpoint grids with their editors, built from the parameter table.
  for (const SetpointGridInfo& info : SetpointGrids()) {
    auto* grid = new SetpointGridWidget(info, this);
    grids_[static_cast<std::size_t>(info.grid)] = grid;
    const auto [left, right] = ValueColumnWidths(info.grid);
    grid->setColumnWidth(1, left);
    if (info.columns == 4) grid->setColumnWidth(3, right);
    ConnectGrid(grid);
  }
  const std::span<const ParameterRow> rows = EditorModel::Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SetpointGridWidget* grid = Grid(rows[i].grid);
    editors_->SetParentOf(i, grid->viewport());
    if (rows[i].kind == EditorKind::CheckBox) {
      // Always visible on its cell.
      QWidget* editor = editors_->Ensure(i);
      auto* holder = new QWidget(grid);
      auto* layout = new QHBoxLayout(holder);
      layout->setContentsMargins(4, 0, 0, 0);
      editor->setParent(holder);
      layout->addWidget(editor);
      layout->addStretch();
      grid->setCellWidget(rows[i].row, SetpointGridWidget::ValueColumn(rows[i].half), holder);
    }
  }

  unlockButton_ = new QToolButton(Grid(SetpointGrid::System)->viewport());
  unlockButton_->setObjectName("tbUnlock");
  unlockButton_->setCheckable(true);
  changePasswordButton_ = new QToolButton(Grid(SetpointGrid::System)->viewport());
  changePasswordButton_->setObjectName("tbPswChange");
  auto fieldText = [this](std::string_view name) {
    std::string text = model_.Find(name)->text;
    text.resize(4, ' ');
    return text;
  };
  connect(unlockButton_, &QToolButton::clicked, this, [this, fieldText] {
    // The button shows what the controller reports, not the click.
    unlockButton_->setChecked(!unlockButton_->isChecked());
    commands_.UnlockParameters(site_, fieldText("medPSWUnlock"));
  });
  connect(changePasswordButton_, &QToolButton::clicked, this,
          [this, fieldText] { commands_.ChangePassword(site_, fieldText("medPSWChange")); });

  auto side = [](std::initializer_list<QWidget*> widgets) {
    auto* row = new QHBoxLayout;
    for (QWidget* w : widgets) row->addWidget(w, 0, Qt::AlignTop);
    row->addStretch();
    return row;
  };
  auto* basic = new QVBoxLayout(basicPage_);
  basic->addLayout(side(
      {Grid(SetpointGrid::System), Grid(SetpointGrid::Compensation), Grid(SetpointGrid::Basic)}));
  basic->addStretch();
  auto* engine = new QVBoxLayout(enginePage_);
  engine->addLayout(side({Grid(SetpointGrid::Engine), Grid(SetpointGrid::EngineProtection)}));
  engine->addStretch();
  auto* generator = new QVBoxLayout(generatorProtectionPage_);
  generator->addLayout(side({Grid(SetpointGrid::Generator), Grid(SetpointGrid::Mains)}));
  generator->addStretch();

  analogueGrid_ = new AnalogueChannelGrid(model_, sensorPage_);
  inputGrid_ = new BinaryIoGrid(BinaryIoGrid::Kind::Inputs, model_, sensorPage_);
  outputGrid_ = new BinaryIoGrid(BinaryIoGrid::Kind::Outputs, model_, sensorPage_);
  auto* sensor = new QVBoxLayout(sensorPage_);
  // One above the other: the lists' texts make the grids too wide to stand side by side.
  sensor->addLayout(side({analogueGrid_}));
  sensor->addLayout(side({inputGrid_}));
  sensor->addLayout(side({outputGrid_}));
  sensor->addStretch();
  for (StringGrid* g :
       {static_cast<StringGrid*>(analogueGrid_), static_cast<StringGrid*>(inputGrid_),
        static_cast<StringGrid*>(outputGrid_)}) {
    connect(g, &StringGrid::aboutToSelect, this, [this] { HideChannelLists(); });
  }
  connect(analogueGrid_, &AnalogueChannelGrid::functionChosen, this,
          &ParameterWindow::OnFunctionChosen);
  connect(analogueGrid_, &AnalogueChannelGrid::typeChanged, this, &ParameterWindow::OnTypeChanged);
  connect(analogueGrid_, &AnalogueChannelGrid::unitChanged, this, &ParameterWindow::OnUnitChanged);
  connect(analogueGrid_, &AnalogueChannelGrid::decimalsChanged, this,
          &ParameterWindow::OnDecimalsChanged);
  connect(analogueGrid_, &AnalogueChannelGrid::curveClicked, this,
          &ParameterWindow::OnCurveClicked);
  connect(analogueGrid_, &AnalogueChannelGrid::rowsRewritten, this,
          &ParameterWindow::ChannelRowsRewritten);

  auto button = [this](QPushButton*& b, const char* name) {
    b = new QPushButton(this);
    b->setObjectName(name);
  };
  button(saveButton_, "btnSave");
  button(openButton_, "btnOpen");
  button(compareButton_, "btnCompare");
  button(reportButton_, "btnServiceReport");
  button(readButton_, "btnRead");
  button(writeButton_, "btnWrite");
  button(undoButton_, "btnUndoWrite");
  undoButton_->setEnabled(false);
  button(exitButton_, "btnExit");
  button(helpButton_, "btnHelp");
  connect(readButton_, &QPushButton::clicked, this, [this] { commands_.ReadParameters(site_); });
  connect(writeButton_, &QPushButton::clicked, this, [this] {
    SettleOpenEditors();
    commands_.WriteEditedParameters(site_);
  });
  connect(undoButton_, &QPushButton::clicked, this, [this] { commands_.UndoLastWrite(site_); });
  connect(saveButton_, &QPushButton::clicked, this, [this] {
    SettleOpenEditors();
    commands_.SaveParameterFile(site_);
  });
  connect(openButton_, &QPushButton::clicked, this, [this] { commands_.LoadParameterFile(site_); });
  connect(compareButton_, &QPushButton::clicked, this, &ParameterWindow::CompareWithFile);
  connect(reportButton_, &QPushButton::clicked, this,
          [this] { commands_.WriteServiceReport(site_); });
  connect(exitButton_, &QPushButton::clicked, this, [this] { close(); });
  connect(helpButton_, &QPushButton::clicked, this, [this] { ShowHelp(); });
  auto* helpKey = new QAction(this);
  helpKey->setShortcut(QKeySequence::HelpContents);
  connect(helpKey, &QAction::triggered, this, [this] { ShowHelp(); });
  addAction(helpKey);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* b : {saveButton_, openButton_, compareButton_, reportButton_, readButton_,
                         writeButton_, undoButton_, exitButton_, helpButton_})
    buttons->addWidget(b);

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(configurationPages_, 1);
  layout->addLayout(buttons);
}

std::string ParameterWindow::HelpPage() const {
  // The guide's page of each page and configuration sub-page (by object name).
  // clang-format off
  static constexpr std::pair<const char*, const char*> kPages[] = {
      {"tbBasic",          "parameters-system.md"},
      {"tbEngine",         "parameters-engine.md"},
      {"tbGenProtection",  "parameters-protection.md"},
      {"tbSensor",         "inputs-outputs.md"},
      {"tsStatusDisplay",  "monitor.md"},
      {"tsHistoryDisplay", "event-log.md"},
      {"tsSiteHistory",    "history.md"},
  };
  // clang-format on
  QWidget* page = pages_->currentWidget();
  if (page == configurationPage_) page = configurationPages_->currentWidget();
  for (const auto& [name, file] : kPages)
    if (page && page->objectName() == name) return file;
  return "parameters.md";
}

void ParameterWindow::ShowHelp() {
  ShowHelpPage(HelpPage());
}

void ParameterWindow::ConnectGrid(SetpointGridWidget* grid) {
  const SetpointGrid which = grid->Info().grid;
  connect(grid, &StringGrid::aboutToSelect, this, [this, which] { CloseRowEditors(which); });
  connect(grid->Header(), &ClickLabel::clicked, this, [this, which] { CloseRowEditors(which); });
  connect(grid, &QTableWidget::currentCellChanged, this,
          [this, which](int, int, int, int) { CloseRowEditors(which); });
  connect(grid, &QTableWidget::cellClicked, this,
          [this, which](int row, int column) { ShowRowEditor(which, row, column); });
}

void ParameterWindow::SizeTitleColumns() {
  // Title columns wide enough for the titles of both languages.
  QFontMetrics metrics(font());
  std::string longestFunction;
  ForEachLanguage([&] {
    for (int i = 0; i < kAnalogueFunctionCount; ++i) {
      const std::string name(AnalogueFunctionText(i));
      if (metrics.horizontalAdvance(Q(name)) > metrics.horizontalAdvance(Q(longestFunction)))
        longestFunction = name;
    }
  });
  for (SetpointGridWidget* grid : grids_) {
    std::array<int, 2> widths{60, 60};
    for (const ParameterRow& r : EditorModel::Rows()) {
      if (r.grid != grid->Info().grid || r.row == 0) continue;
      for (std::string_view title : {r.title.english, r.title.chinese}) {
        std::string text(title);
        if (r.titleRule == TitleRule::ChannelLevel || r.titleRule == TitleRule::ChannelDelay)
          text = longestFunction + text;
        if (r.titleRule != TitleRule::Fixed && r.titleRule != TitleRule::ChannelDelay)
          text += "(KPa)";
        auto& w = widths[static_cast<std::size_t>(r.half)];
        w = std::max(w, metrics.horizontalAdvance(Q(text)) + 14);
      }
    }
    grid->setColumnWidth(0, widths[0]);
    if (grid->columnCount() == 4) grid->setColumnWidth(2, widths[1]);
    grid->FitToCells();
  }
  PlaceButtonsBesideRows();
}

void ParameterWindow::PlaceButtonsBesideRows() {
  SetpointGridWidget* system = Grid(SetpointGrid::System);
  const std::pair<QToolButton*, int> buttons[] = {{unlockButton_, 1}, {changePasswordButton_, 2}};
  for (const auto& [b, row] : buttons) {
    QRect cell = system->visualRect(system->model()->index(row, 1));
    b->setGeometry(cell.right() - kPasswordButtonWidth + 1, cell.top(), kPasswordButtonWidth,
                   cell.height());
    b->show();
  }
}

bool ParameterWindow::eventFilter(QObject* watched, QEvent* event) {
  // A page is built when it is first shown: its tab current in a shown window.
  if (event->type() == QEvent::Show) {
    if (watched == monitorPage_) BuildMonitorPage();
    if (watched == eventLogPage_) BuildEventLogPage();
  }
  // And given back once out of view (another tab, its window hidden).
  if (event->type() == QEvent::Hide && (watched == monitorPage_ || watched == eventLogPage_)) {
    QTimer::singleShot(0, this,
                       [this, page = static_cast<QWidget*>(watched)] { ReleaseHiddenPage(page); });
  }
  return QMainWindow::eventFilter(watched, event);
}

void ParameterWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  PlaceButtonsBesideRows();
}

SetpointGridWidget* ParameterWindow::Grid(SetpointGrid grid) const {
  return grids_[static_cast<std::size_t>(grid)];
}

QWidget* ParameterWindow::Editor(std::string_view name) {
  std::optional<std::size_t> row = FindParameterRow(name);
  return row ? editors_->Ensure(*row) : nullptr;
}

std::string ParameterWindow::StatusPanelText(int panel) const {
  return StatusPanel(panel).toStdString();
}

QString ParameterWindow::StatusPanel(int panel) const {
  return panel >= 0 && panel < 4 ? panels_[static_cast<std::size_t>(panel)]->text() : QString();
}

// ---- Set-up -------------------------------------------------------------------------------------

void ParameterWindow::SetUpWindow() {
  online_ = slots_.WindowState(site_) == kWindowOnline;
  factory_ = IsFactoryLevel();
  // A window opened from a file has no controller to unlock.
  unlockButton_->setEnabled(online_);
  changePasswordButton_->setEnabled(online_);
  readButton_->setEnabled(online_);
  writeButton_->setEnabled(online_);
  if (eventLog_) eventLog_->ReadButton()->setEnabled(online_);
  AdaptToControllerType();
  if (online_) ApplyEditorLimits();
  SetGridTitles({SetpointGrid::System, SetpointGrid::Compensation, SetpointGrid::Basic,
                 SetpointGrid::Generator, SetpointGrid::Mains});
  GridTitleChannelShow();
  emit channelTitlesChanged();
  fileLoaded_ = false;
  ApplyWindowTexts();
  if (!generatorTabCaption_.english.empty())
    configurationPages_->setTabText(configurationPages_->indexOf(generatorProtectionPage_),
                                    Q(generatorTabCaption_.Pick()));
  FillItemLists();
  LoadAllPages();
  SetGridTitles({SetpointGrid::Engine, SetpointGrid::EngineProtection});
  RefillEventLog();
}

void ParameterWindow::AdaptToControllerType() {
  const std::uint16_t type = images_.Word(site_, reg::kProductCode.address);
  const ControllerTypeLayout layout = model_.AdaptToControllerType(type, factory_);
  generatorTabCaption_ = layout.generatorTabCaption;
  SetpointGridWidget* mains = Grid(SetpointGrid::Mains);
  mains->setEnabled(layout.mainsGrid);
  mains->setVisible(layout.mainsGrid);
  monitorLabels_ = {layout.mainsLabels, layout.timeLabel};
  if (monitor_) {
    monitor_->SetMainsLabelsShown(layout.mainsLabels);
    monitor_->SetTimeLabelShown(layout.timeLabel);
  }
  const BinaryIoLayout io = BinaryIoLayoutOf(type);
  inputGrid_->SetLayout(io);
  outputGrid_->SetLayout(io);
  editors_->ShowAll();
}

void ParameterWindow::ApplyEditorLimits() {
  model_.ApplyEditorLimits(images_, site_);
  editors_->ShowAll();
}

void ParameterWindow::ApplyWindowTexts() {
  setWindowTitle(Pick({"Configuration/Monitor", "参数/监测"}));
  const std::pair<QWidget*, BilingualText> pages[] = {
      {configurationPage_, {"Configuration", "参数设置"}},
      {monitorPage_, {"Monitor", "监测"}},
      {eventLogPage_, {"Event Log", "历史记录"}},
  };
  for (const auto& [page, text] : pages) pages_->setTabText(pages_->indexOf(page), Pick(text));
  if (history_) {
    pages_->setTabText(pages_->indexOf(history_), Pick({"History", "站点历史"}));
    history_->ApplyTexts();
  }
  const std::pair<QWidget*, BilingualText> subPages[] = {
      {basicPage_, {"System/Basic", "系统/基本设定"}},
      {enginePage_, {"Engine/Engine Protection", "发动机/发动机保护"}},
      {generatorProtectionPage_, {"Generator/Mains Protection", "发电机保护/市电保护"}},
      {sensorPage_, {"Analogue Inputs/Inputs/Outputs", "传感器/输入/输出"}},
  };
  for (const auto& [page, text] : subPages) {
    // The generator tab's caption follows the controller type once it is known.
    if (page == generatorProtectionPage_ && !generatorTabCaption_.english.empty()) {
      configurationPages_->setTabText(configurationPages_->indexOf(page),
                                      Q(generatorTabCaption_.Pick()));
      continue;
    }
    configurationPages_->setTabText(configurationPages_->indexOf(page), Pick(text));
  }
  for (SetpointGridWidget* grid : grids_) grid->Header()->setText(Q(grid->Info().header.Pick()));
  const std::pair<QPushButton*, BilingualText> buttons[] = {
      {saveButton_, {"Backup", "备份"}},
      {openButton_, {"Load", "打开"}},
      {compareButton_, {"Compare with file...", "与文件比较..."}},
      {reportButton_, {"Service report...", "维护报告..."}},
      {readButton_, {"Read", "读出"}},
      {writeButton_, {"Write", "写入"}},
      {undoButton_, {"Undo last write", "撤销上次写入"}},
      {exitButton_, {"Exit", "退出"}},
      {helpButton_, {"Help", "帮助"}},
  };
  for (const auto& [b, text] : buttons) b->setText(Pick(text));
  ApplyEventLogTexts();
  if (monitor_) monitor_->SetSectionCaptions();
  unlockButton_->setText(Pick({"Unlock", "解锁"}));
  changePasswordButton_->setText(Pick({"Change", "修改"}));
}

void ParameterWindow::ApplyEventLogTexts() {
  if (!eventLog_) return;
  const std::pair<QPushButton*, BilingualText> buttons[] = {
      {eventLog_->ReadButton(), {"Read event log", "读历史记录"}},
      {eventLog_->SaveButton(), {"Save event log", "保存到文件"}},
      {eventLog_->OpenButton(), {"Open event log", "打开记录文件"}},
      {eventLog_->ExportButton(), {"Export CSV...", "导出CSV..."}},
  };
  for (const auto& [b, text] : buttons) b->setText(Pick(text));
  eventLog_->HideEmptyBox()->setText(Pick({"Hide empty records", "隐藏空记录"}));
  eventLog_->NewestFirstBox()->setText(Pick({"Newest first", "最新在前"}));
}

MonitorPage* ParameterWindow::Monitor() const {
  return const_cast<ParameterWindow*>(this)->BuildMonitorPage();
}

MonitorPage* ParameterWindow::BuildMonitorPage() {
  if (monitor_) return monitor_;
  monitor_ = new MonitorPage(monitorPage_);
  monitorPage_->layout()->addWidget(monitor_);
  if (monitorPage_->isVisible()) monitor_->show();
  // The monitor draws the live values of an online window when its image changed.
  monitor_->SetSource(
      [this]() -> std::optional<std::uint64_t> {
        if (!online_) return std::nullopt;  // a window opened from a file has no live data
        return images_.ChangeCount(site_);
      },
      [this](MonitorValues& values) { FillMonitorValues(images_, site_, factory_, values); });
  // The trend draws the samples the session keeps for the site.
  monitor_->Trend()->SetSource(
      [this] { return commands_.Trend(site_); },
      [this](int series) { return TrendSeriesTitle(images_, site_, series); });
  connect(monitor_->Trend(), &TrendView::exportRequested, this,
          [this] { commands_.ExportTrendCsv(site_); });
  connect(monitor_, &MonitorPage::commandRequested, this,
          [this](RemoteCommand command) { commands_.SendCommand(site_, command); });
  // What the page would show had it been built with the window.
  monitor_->SetSectionCaptions();
  monitor_->SetButtonCaptions();
  if (monitorLabels_) {
    monitor_->SetMainsLabelsShown(monitorLabels_->first);
    monitor_->SetTimeLabelShown(monitorLabels_->second);
  }
  if (monitorTitlesSet_) {
    monitor_->SetTitles(MonitorTitles(images_, site_));
    monitor_->Trend()->ApplyTexts();
  }
  if (monitorClockText_) monitor_->TimeLabel()->setText(*monitorClockText_);
  if (dataStale_) monitor_->ShowDataAge(true, dataAgeText_);
  if (monitorRefreshed_) RefreshMonitor();
  if (keptMonitor_) RestoreMonitorPage(*monitor_, *keptMonitor_);
  keptMonitor_.reset();
  return monitor_;
}

EventLogPage* ParameterWindow::EventLog() const {
  // Building the page changes no state a caller can see: it shows what it would have shown.
  return const_cast<ParameterWindow*>(this)->BuildEventLogPage();
}

void ParameterWindow::AddHistoryPage(HistoryPageSource source) {
  if (history_) return;
  history_ = new HistoryPage(std::move(source));
  pages_->addTab(history_, Pick({"History", "站点历史"}));
}

EventLogPage* ParameterWindow::BuildEventLogPage() {
  if (eventLog_) return eventLog_;
  eventLog_ = new EventLogPage(eventLogPage_);
  eventLogPage_->layout()->addWidget(eventLog_);
  if (eventLogPage_->isVisible()) eventLog_->show();
  connect(eventLog_->ReadButton(), &QPushButton::clicked, this, [this] {
    eventLogFromFile_ = false;
    commands_.ReadEventLog(site_);
  });
  connect(eventLog_->SaveButton(), &QPushButton::clicked, this,
          [this] { commands_.SaveEventLog(site_); });
  connect(eventLog_->OpenButton(), &QPushButton::clicked, this,
          [this] { commands_.OpenEventLog(site_); });
  connect(eventLog_->ExportButton(), &QPushButton::clicked, this,
          [this] { commands_.ExportEventLogCsv(site_); });
  eventLog_->ReadButton()->setEnabled(online_);
  ApplyEventLogTexts();
  if (keptEventLog_ && keptEventLog_->sheet) eventLog_->ShowCells(*keptEventLog_->sheet, 0, 0);
  if (eventLogRefillPending_) RefillEventLog();
  if (keptEventLog_) RestoreEventLogPage(*eventLog_, *keptEventLog_);
  keptEventLog_.reset();
  return eventLog_;
}

void ParameterWindow::ReleaseHiddenPage(QWidget* page) {
  if (page->isVisible()) return;
  bool released = false;
  if (page == monitorPage_ && monitor_ && !monitor_->ModeRequested()) {
    keptMonitor_ = KeepMonitorPage(*monitor_);
    delete monitor_;
    monitor_ = nullptr;
    released = true;
  }
  // A page showing rows stays: its fixed title row and columns do not yet come back in step
  // with a restored scroll position.
  if (page == eventLogPage_ && eventLog_ && eventLog_->Grid()->isHidden()) {
    keptEventLog_ = KeepEventLogPage(*eventLog_);
    // Without rows to keep, the page is filled from the value image as it is when shown.
    if (!keptEventLog_->sheet) eventLogRefillPending_ = true;
    delete eventLog_;
    eventLog_ = nullptr;
    released = true;
  }
  if (released) ReturnFreedMemorySoon();
}

void ParameterWindow::SetGridTitles(std::initializer_list<SetpointGrid> which) {
  const std::span<const ParameterRow> rows = EditorModel::Rows();
  for (SetpointGrid g : which) {
    SetpointGridWidget* grid = Grid(g);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const ParameterRow& r = rows[i];
      if (r.grid != g || r.row == 0) continue;
      const QString title = r.factoryOnly && !factory_ ? QString() : Q(model_.Title(i));
      grid->SetCellText(r.row, r.half * 2, title);
    }
  }
}

void ParameterWindow::GridTitleChannelShow() {
  analogueGrid_->SetTitles();
  inputGrid_->SetTitles();
  outputGrid_->SetTitles();
}

void ParameterWindow::RelabelEditorLists() {
  editors_->RelabelLists();
  analogueGrid_->RelabelLists();
  inputGrid_->RelabelLists();
  outputGrid_->RelabelLists();
}

void ParameterWindow::FillItemLists() {
  const auto refill = [this](std::string_view name) {
    if (std::optional<std::size_t> row = FindParameterRow(name)) editors_->RefillList(*row);
  };
  refill("cbLanguage");
  refill("cbRetFromTest");
  refill("cbFuelValve");
  analogueGrid_->FillFunctionLists();
  inputGrid_->FillFunctionLists();
  outputGrid_->FillFunctionLists();
  for (std::string_view name : {"cbATSLogic", "cbOverCurrProtection", "cbShortProtection",
                                "cbOverLoadProtection", "cbUnbalCurrProtection"})
    refill(name);
  if (monitor_) monitor_->SetButtonCaptions();
}

// ---- Load and store
// ------------------------------------------------------------------------------

void ParameterWindow::LoadAllPages() {
  const bool fromController = !fileLoaded_ && !slots_.FileLoaded(site_);
  if (fromController) {
    const auto image = images_.Image(site_);
    controllerWords_.assign(image.begin(), image.end());
  }
  model_.Load(images_, site_);
  if (fromController && online_) controllerValues_ = model_;
  for (int n = 0; n < kAnalogueChannels; ++n) ApplyChannelEnables(n);
  editors_->ShowAll();
  analogueGrid_->ShowAllChannels();
  for (SetpointGridWidget* grid : grids_) RefreshValueCells(grid->Info().grid);
  inputGrid_->ShowSlots();
  outputGrid_->ShowSlots();
  // The channel names and units in the engine titles follow the channels just loaded.
  SetGridTitles({SetpointGrid::Engine, SetpointGrid::EngineProtection});
  emit channelTitlesChanged();
}

void ParameterWindow::StoreAllPages() {
  model_.Store(images_, site_);
}

void ParameterWindow::ChannelFromImage() {
  AnalogueFromImage(images_, site_, model_.Channels());
  InputsFromImage(images_, site_, model_.Channels());
  OutputsFromImage(images_, site_, model_.Channels());
  for (int n = 0; n < kAnalogueChannels; ++n) ApplyChannelEnables(n);
  analogueGrid_->ShowAllChannels();
  inputGrid_->ShowSlots();
  outputGrid_->ShowSlots();
  emit channelTitlesChanged();
}

// ---- Editing the setpoint grids
// ------------------------------------------------------------------

void ParameterWindow::ShowRowEditor(SetpointGrid g, int row, int column) {
  SetpointGridWidget* grid = Grid(g);
  const int half = grid->columnCount() == 4 && column >= 2 ? 1 : 0;
  switch (g) {
    case SetpointGrid::System:
    case SetpointGrid::Compensation:
    case SetpointGrid::Basic:
    case SetpointGrid::Engine:
      grid->setCurrentCell(row, 0);
      break;
    case SetpointGrid::EngineProtection:
      grid->setCurrentCell(row, half * 2);
      break;
    default:
      break;
  }
  if (row < 1) return;
  const std::span<const ParameterRow> rows = EditorModel::Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ParameterRow& r = rows[i];
    if (r.grid != g || r.row != row || r.half != half) continue;
    if (r.kind == EditorKind::CheckBox) return;  // always on its cell
    if (r.factoryOnly && !factory_) return;
    if (r.gatedBySystemBit6 && !(images_.Word(site_, reg::kSystem.address) & kSerialNumberGateBit))
      return;
    QWidget* editor = editors_->Ensure(i);
    editors_->Begin(i);
    grid->PlaceOver(editor, row, SetpointGridWidget::ValueColumn(half));
    if (row == 1 || row == 2) {
      if (g == SetpointGrid::System) {
        // The password fields leave room for their buttons.
        editor->resize(editor->width() - kPasswordButtonWidth, editor->height());
      }
    }
    editor->setFocus();
    // Typing replaces what the editor shows.
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) edit->selectAll();
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(editor)) spin->selectAll();
    return;
  }
}

void ParameterWindow::CloseRowEditors(SetpointGrid which) {
  const std::span<const ParameterRow> rows = EditorModel::Rows();
  for (SetpointGrid g : SubPageOf(which)) {
    // An editor being left brings its value within its limits.
    for (std::size_t i = 0; i < rows.size(); ++i) {
      QWidget* w = editors_->Widget(i);
      if (rows[i].grid != g || rows[i].kind == EditorKind::CheckBox || !w || w->isHidden())
        continue;
      if (editors_->Settle(i)) continue;  // told, and within the limits already
      if (rows[i].clampOnExit) {
        const double before = model_[i].number;
        model_.ClampToLimits(i);
        if (model_[i].number != before) {
          editors_->Show(i);
          ShowClampNotice(i, before, model_[i].number);
        }
      }
    }
    RefreshValueCells(g);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      QWidget* w = editors_->Widget(i);
      if (rows[i].grid == g && rows[i].kind != EditorKind::CheckBox && w) w->hide();
    }
  }
}

void ParameterWindow::MoveFromEditor(std::size_t row, int step) {
  const ParameterRow& r = EditorModel::Rows()[row];
  SetpointGridWidget* grid = Grid(r.grid);
  CloseRowEditors(r.grid);
  const int next = r.row + step;
  if (next >= 1 && next < grid->rowCount())
    ShowRowEditor(r.grid, next, SetpointGridWidget::ValueColumn(r.half));
  // A row without an editor leaves the keys to the grid.
  if (ShownEditorRow(r.grid) < 0) grid->setFocus();
}

void ParameterWindow::RevertEditor(std::size_t row) {
  const ParameterRow& r = EditorModel::Rows()[row];
  editors_->Revert(row);
  CloseRowEditors(r.grid);
  Grid(r.grid)->setFocus();
}

void ParameterWindow::ShowClampNotice(std::size_t row, double from, double limit) {
  std::string name;
  std::string unit;
  SplitTitleUnit(model_.Title(row), &name, &unit);
  const int d = model_[row].decimals;
  QLocale locale;  // numbers as the cells show them: no group separators
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  // A typed number keeps the digits it was typed with.
  const QString notice =
      ClampNotice(Q(name), locale.toString(from, 'g', 15), locale.toString(limit, 'f', d));
  noticeLabel_->setText(notice);
  // The panels leave the notice little room: told whole across the bar first, then kept in
  // its place (shortened, whole in the tooltip).
  statusBar()->showMessage(notice, kNoticeWholeMs);
}

void ParameterWindow::SettleOpenEditors() {
  for (std::size_t i = 0; i < EditorModel::Rows().size(); ++i) {
    QWidget* w = editors_->Widget(i);
    if (w && !w->isHidden()) editors_->Settle(i);
  }
}

int ParameterWindow::ChangedCount() const {
  return static_cast<int>(CountChanged(model_, controllerValues_));
}

void ParameterWindow::UpdateChangedCount() {
  changedLabel_->setText(ChangedCountText(ChangedCount()));
}

int ParameterWindow::ShownEditorRow(SetpointGrid g) const {
  const std::span<const ParameterRow> rows = EditorModel::Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    QWidget* w = editors_->Widget(i);
    if (rows[i].grid == g && rows[i].kind != EditorKind::CheckBox && w && !w->isHidden())
      return static_cast<int>(i);
  }
  return -1;
}

void ParameterWindow::RefreshValueCells(SetpointGrid g) {
  SetpointGridWidget* grid = Grid(g);
  const std::span<const ParameterRow> rows = EditorModel::Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ParameterRow& r = rows[i];
    if (r.grid != g || r.row == 0) continue;
    QString text;
    if (r.factoryOnly && !factory_) {
      text = QString();
    } else if (r.kind == EditorKind::MaskedText && r.conversion == Conversion::None) {
      text = "****";
    } else if (r.kind == EditorKind::Date) {
      text = ShortDateText(model_[i].date);
    } else if (r.kind == EditorKind::Time) {
      text = LongTimeText(model_[i].time);
    } else if (r.kind == EditorKind::Spin) {
      text = LocaleNumber(model_.Text(i));
    } else {
      text = Q(model_.Text(i));
    }
    const int column = SetpointGridWidget::ValueColumn(r.half);
    grid->SetCellText(r.row, column, text);
    if (QTableWidgetItem* cell = grid->item(r.row, column)) {
      // The range of a number, and the controller's value of a changed cell, on the cell.
      const bool shown = !(r.factoryOnly && !factory_);
      QStringList tip;
      if (shown && r.kind == EditorKind::Spin && model_[i].minimum < model_[i].maximum) {
        const int d = model_[i].decimals;
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        tip << RangeTip(locale.toString(model_[i].minimum, 'f', d),
                        locale.toString(model_[i].maximum, 'f', d));
      }
      const bool changed =
          shown && controllerValues_ && EditorDiffers(r, model_[i], (*controllerValues_)[i]);
      if (changed) {
        const std::string held = controllerValues_->Text(i);
        tip << ControllerValueTip(r.kind == EditorKind::Spin ? LocaleNumber(held) : Q(held));
      }
      cell->setToolTip(tip.join('\n'));
      QFont font = grid->font();
      font.setBold(changed);
      cell->setFont(font);
      cell->setBackground(changed ? QBrush(QColor(255, 244, 190)) : QBrush());
      cell->setTextAlignment(r.kind == EditorKind::Spin ? Qt::AlignRight | Qt::AlignVCenter
                                                        : Qt::AlignLeft | Qt::AlignVCenter);
      // A value whose editor is disabled reads as disabled.
      cell->setForeground(grid->palette().color(
          model_[i].enabled ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    }
  }
  if (g == SetpointGrid::Compensation) {
    for (const FactoryRow& f : FactoryRows()) {
      grid->SetCellText(f.row, 0, factory_ ? Q(f.title) : QString());
      grid->SetCellText(f.row, 1, factory_ ? Q(FactoryHexText(images_, site_, f.reg)) : QString());
      if (QTableWidgetItem* cell = grid->item(f.row, 1))
        cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
  }
  UpdateChangedCount();
}

// ---- Analogue channels
// ---------------------------------------------------------------------------

void ParameterWindow::ApplyChannelEnables(int channel) {
  const bool levels =
      AnalogueChannelEnables(model_.Channels().analogue[static_cast<std::size_t>(channel)]).levels;
  for (std::string_view what : {"Lev1", "Lev2", "Del"}) {
    const std::string name = ChannelEditorName(channel, what);
    if (EditorValue* v = model_.Find(name)) v->enabled = levels;
    if (std::optional<std::size_t> row = FindParameterRow(name)) editors_->Show(*row);
  }
}

void ParameterWindow::RetitleChannelRows(int channel) {
  SetpointGridWidget* grid = Grid(SetpointGrid::EngineProtection);
  for (std::string_view what : {"Lev1", "Lev2", "Del"}) {
    if (std::optional<std::size_t> row = FindParameterRow(ChannelEditorName(channel, what))) {
      const ParameterRow& r = EditorModel::Rows()[*row];
      grid->SetCellText(r.row, r.half * 2, Q(model_.Title(*row)));
    }
  }
}

void ParameterWindow::RetitleCrankOilPressure(int channel) {
  const AnalogueChannelSettings& c = model_.Channels().analogue[static_cast<std::size_t>(channel)];
  if (c.function != 0) return;
  if (std::optional<std::size_t> row = FindParameterRow("seCrankOilPre")) {
    const ParameterRow& r = EditorModel::Rows()[*row];
    std::string title(r.title.Pick());
    title += "(";
    title += UnitText(c.unit);
    title += ")";
    Grid(SetpointGrid::Engine)->SetCellText(r.row, 0, Q(title));
  }
}

void ParameterWindow::OnFunctionChosen(int channel, int position) {
  ChangeAnalogueFunction(images_, site_, channel + 1, model_.Channels(), position);
  ApplyChannelEnables(channel);
  analogueGrid_->ShowChannel(channel);
  RetitleChannelRows(channel);
  // The crank oil-pressure threshold follows whichever channel now measures oil pressure.
  model_.ApplyChannelDecimals();
  editors_->ShowAll();
  SetGridTitles({SetpointGrid::Engine});
  RefreshValueCells(SetpointGrid::Engine);
  RefreshValueCells(SetpointGrid::EngineProtection);
  emit channelTitlesChanged();
}

void ParameterWindow::OnTypeChanged(int channel) {
  ApplyChannelEnables(channel);
  analogueGrid_->ShowChannel(channel);
  RefreshValueCells(SetpointGrid::EngineProtection);
  emit channelTitlesChanged();
}

void ParameterWindow::OnUnitChanged(int channel) {
  RetitleCrankOilPressure(channel);
  RetitleChannelRows(channel);
}

void ParameterWindow::OnDecimalsChanged(int channel) {
  (void)channel;
  model_.ApplyChannelDecimals();
  for (std::string_view name : {"seCrankOilPre", "seAnlg1Lev1", "seAnlg1Lev2", "seAnlg2Lev1",
                                "seAnlg2Lev2", "seAnlg3Lev1", "seAnlg3Lev2"}) {
    if (std::optional<std::size_t> row = FindParameterRow(name)) editors_->Show(*row);
  }
  RefreshValueCells(SetpointGrid::Engine);
  RefreshValueCells(SetpointGrid::EngineProtection);
}

void ParameterWindow::OnCurveClicked(int channel) {
  if (online_ && !fileLoaded_ && !slots_.FileLoaded(site_)) {
    commands_.ReadSensorBlock(site_);
    ChannelFromImage();
  }
  if (model_.Channels().analogue[static_cast<std::size_t>(channel)].type > 2)
    emit curveEditorRequested(channel);
}

void ParameterWindow::OpenCurveEditor(int channel) {
  if (channel < 0 || channel >= kAnalogueChannels) return;
  if (!curveEditor_) {
    curveEditor_ = new CurveEditor(images_, commands_, this);
    connect(curveEditor_, &CurveEditor::curveWritten, this, &ParameterWindow::OnCurveWritten);
  }
  const AnalogueChannelSettings& c = model_.Channels().analogue[static_cast<std::size_t>(channel)];
  const auto codes = AnalogueFunctionCodes();
  const int function = c.function >= 0 && c.function < static_cast<int>(codes.size())
                           ? codes[static_cast<std::size_t>(c.function)]
                           : images_.Word(site_, reg::kAnalogueProperty1.address + channel);
  curveEditor_->SetChannel(site_, channel, function, c.type, c.decimals);
  curveEditor_->SetLive(online_);
  if (runModal_) {
    runModal_(*curveEditor_);
  } else {
    curveEditor_->exec();
  }
}

void ParameterWindow::CompareWithFile() {
  const std::optional<ParameterComparison> comparison = commands_.CompareParameterFile(site_);
  if (!comparison) return;
  ParameterCompareDialog dialog(*comparison, this);
  if (runModal_) {
    runModal_(dialog);
  } else {
    dialog.exec();
  }
}

std::optional<PreflightOptions> ParameterWindow::ConfirmWrite(
    const std::vector<ParameterDifference>& changes, bool offerAddress, bool offerCounters) {
  WritePreviewDialog dialog(changes, offerAddress, offerCounters, this);
  const int answer = runModal_ ? runModal_(dialog) : dialog.exec();
  if (answer != QDialog::Accepted) return std::nullopt;
  return dialog.Options();
}

void ParameterWindow::SetUndoAvailable(bool available) {
  undoButton_->setEnabled(available && online_);
}

void ParameterWindow::OnCurveWritten(int channel) {
  model_.Channels().analogue[static_cast<std::size_t>(channel)].type = kUserDefinedSensor;
  ApplyChannelEnables(channel);
  analogueGrid_->ShowChannel(channel);
  emit channelTitlesChanged();
}

void ParameterWindow::HideChannelLists() {
  analogueGrid_->HideLists();
  inputGrid_->HideLists();
  outputGrid_->HideLists();
}

void ParameterWindow::ChannelRowsRewritten() {
  emit channelTitlesChanged();
}

// ---- SiteWindow
// ------------------------------------------------------------------------------------

void ParameterWindow::SetCaption(const std::string& caption) {
  setWindowTitle(Q(caption));
}

void ParameterWindow::SetStatusPanel(int panel, const std::string& text) {
  if (panel >= 0 && panel < 4)
    SetPanelText(panels_[static_cast<std::size_t>(panel)], Q(text), kStatusPanelWidths[panel]);
}

void ParameterWindow::SetPageVisibility(bool statusPage, bool eventLogPage) {
  pages_->setTabVisible(pages_->indexOf(monitorPage_), statusPage);
  pages_->setTabVisible(pages_->indexOf(eventLogPage_), eventLogPage);
}

void ParameterWindow::SetWindowEnabled(bool enabled) {
  setEnabled(enabled);
}

void ParameterWindow::ShowWindow() {
  BringSiteWindowForward(this);
}

void ParameterWindow::ShowControllerClock(std::optional<QDate> date, std::optional<QTime> time) {
  SetpointGridWidget* system = Grid(SetpointGrid::System);
  const std::pair<std::string_view, bool> pickers[] = {{"dtpDate", date.has_value()},
                                                       {"dtpTime", time.has_value()}};
  for (const auto& [name, given] : pickers) {
    const std::optional<std::size_t> row = FindParameterRow(name);
    if (!row || !given || model_[*row].changed) continue;
    if (name == "dtpDate") {
      const CivilDate d{date->year(), date->month(), date->day()};
      model_[*row].date = d;
      if (clockDate_ != d) clockDateText_ = ShortDateText(d);
      clockDate_ = d;
      system->SetCellText(EditorModel::Rows()[*row].row, 1, clockDateText_);
    } else {
      const TimeOfDay t{time->hour(), time->minute(), time->second()};
      model_[*row].time = t;
      if (clockTime_ != t) clockTimeText_ = LongTimeText(t);
      clockTime_ = t;
      system->SetCellText(EditorModel::Rows()[*row].row, 1, clockTimeText_);
    }
    editors_->Show(*row);
  }
  const QString dateText = system->CellText(6, 1);
  const QString timeText = system->CellText(7, 1);
  if (clockLabelSet_ && dateText == clockLabelDate_ && timeText == clockLabelTime_) return;
  clockLabelSet_ = true;
  clockLabelDate_ = dateText;
  clockLabelTime_ = timeText;
  monitorClockText_ = dateText + "  " + timeText;
  if (monitor_) monitor_->TimeLabel()->setText(*monitorClockText_);
}

void ParameterWindow::ShowProtectionState(bool unlocked) {
  unlockButton_->setChecked(unlocked);
  SetStatusPanel(1, std::string(unlocked ? PickText("unlocked", "参数保护已解锁")
                                         : PickText("locked", "参数保护未解锁")));
}

void ParameterWindow::RefreshMonitor() {
  // A window opened from a file has no live data.
  if (!online_) return;
  monitorRefreshed_ = true;
  if (!monitor_) return;  // drawn from the value image when it is built and seen
  // Only a page the user can see is drawn, and only when the image changed; a page coming into
  // view draws itself.
  monitor_->Update();
}

void ParameterWindow::ShowDataAge(bool stale, const std::string& text) {
  if (!online_) return;  // a window opened from a file has no live data
  const QString shown = stale ? Q(text) : QString();
  if (stale == dataStale_ && shown == dataAgeText_) return;
  dataStale_ = stale;
  dataAgeText_ = shown;
  dataAgeLabel_->setText(shown);
  dataAgeLabel_->setVisible(stale);
  if (monitor_) monitor_->ShowDataAge(stale, shown);
}

bool ParameterWindow::DateChanged() const {
  return Value("dtpDate").changed;
}

bool ParameterWindow::TimeChanged() const {
  return Value("dtpTime").changed;
}

void ParameterWindow::ClearDateChanged() {
  Value("dtpDate").changed = false;
}

void ParameterWindow::ClearTimeChanged() {
  Value("dtpTime").changed = false;
}

bool ParameterWindow::SerialNumberEditable() const {
  return (images_.Word(site_, reg::kSystem.address) & kSerialNumberGateBit) != 0 &&
         Value("medMasterSN").enabled;
}

void ParameterWindow::OpenCurveEditors() {
  for (int channel = 0; channel < kAnalogueChannels; ++channel) OnCurveClicked(channel);
}

void ParameterWindow::RefillEventLog() {
  // A page not built yet is filled when it is built, from the value image as it is then.
  eventLogRefillPending_ = !eventLog_;
  if (!eventLog_) return;
  EventLogSheet sheet = eventLog_->Sheet();
  SetEventLogTitles(images_, site_, sheet);
  if (!eventLogFromFile_) DisplayEventLog(images_, site_, sheet);
  eventLog_->ShowCells(sheet, 0, 0);
}

void ParameterWindow::ShowEventLogComplete() {
  EventLogPage* page = BuildEventLogPage();
  page->Grid()->show();
  page->SaveButton()->setEnabled(true);
  page->ExportButton()->setEnabled(true);
}

bool ParameterWindow::EventLogShown() const {
  if (!eventLog_) return keptEventLog_ && keptEventLog_->sheet;
  return !eventLog_->Grid()->isHidden();
}

EventLogSheet ParameterWindow::EventLogCells() const {
  // The rows of a page given back are kept as it showed them (no need to build it for them).
  if (!eventLog_ && keptEventLog_ && keptEventLog_->sheet && !eventLogRefillPending_)
    return *keptEventLog_->sheet;
  return EventLog()->Sheet();
}

void ParameterWindow::ShowEventLogFile(const EventLogSheet& sheet) {
  EventLogPage* page = BuildEventLogPage();
  eventLogFromFile_ = true;
  page->ShowCells(sheet, 1, 1);
  page->Grid()->show();
  page->ExportButton()->setEnabled(true);
}

void ParameterWindow::closeEvent(QCloseEvent* event) {
  // Values changed and not written are not lost without a word.
  const int changed = ChangedCount();
  if (changed > 0 && !discardAgreed_) {
    QMessageBox question(QMessageBox::Question, windowTitle(), DiscardQuestion(changed),
                         QMessageBox::Discard | QMessageBox::Cancel, this);
    question.setObjectName("discardQuestion");
    question.setDefaultButton(QMessageBox::Cancel);
    const int answer = runModal_ ? runModal_(question) : question.exec();
    if (answer != QMessageBox::Discard) {
      event->ignore();
      return;
    }
    discardAgreed_ = true;
  }
  event->accept();
  // The session destroys the window and frees its slot, so only after this event is done.
  QTimer::singleShot(0, this,
                     [commands = &commands_, site = site_] { commands->WindowClosed(site); });
}

}  // namespace vorel

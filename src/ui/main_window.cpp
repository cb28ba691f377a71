#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QStackedLayout>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "core/language.h"
#include "link/preferred_port.h"
#include "link/qt_event_pump.h"
#include "ui/about_dialog.h"
#include "ui/fleet_features.h"
#include "ui/fleet_overview.h"
#include "ui/help_window.h"
#include "ui/icons.h"
#include "ui/port_settings_dialog.h"
#include "ui/progress_window.h"
#include "ui/qt_text.h"
#include "ui/qt_translations.h"
#include "ui/scan_line_window.h"
#include "ui/site_list_dialog.h"
#include "ui/site_window_tabs.h"
#include "ui/status_panel.h"
#include "ui/traffic_view.h"
#include "ui/window_language.h"

namespace vorel {
namespace {

// The connection-state panel of the status bar is at least this wide.
constexpr int kStatusPanel0Width = 120;

// The desktop colour behind the power-up log.
const QColor kDesktopColour(58, 110, 165);

}  // namespace

MainWindow::MainWindow(Host& host, MainWindowServices services, QWidget* parent)
    : QMainWindow(parent), host_(host), services_(std::move(services)) {
  setObjectName("fmMain");
  setWindowTitle("Vorel2000");
  // Minimise and close, no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  BuildToolBar();
  BuildMenus();
  BuildPanel();
  for (auto*& panel : statusPanels_) {
    panel = new QLabel(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  }
  statusPanels_[0]->setObjectName("StatusPanel0");
  statusPanels_[1]->setObjectName("StatusPanel1");
  statusPanels_[2]->setObjectName("StatusPanel2");
  statusPanels_[0]->setFixedWidth(kStatusPanel0Width);
  statusBar()->addWidget(statusPanels_[0]);
  statusBar()->addWidget(statusPanels_[1], 1);
  statusBar()->addWidget(statusPanels_[2], 2);
  statusBar()->setSizeGripEnabled(false);
  resize(560, 400);

  // Main window creation: the language, the site slots.
  bool settingsRead = true;
  try {
    SetLanguageSetting(LoadLanguage());
  } catch (const SettingsError& e) {
    SetLanguageSetting("english");
    host_.ShowMessage(e.what());
    settingsRead = false;
  }
  // A file that could not be read is reported once; a bad value of this key on its own.
  try {
    if (settingsRead) separateSiteWindows_ = LoadSeparateSiteWindows(false);
  } catch (const SettingsError& e) {
    host_.ShowMessage(e.what());
  }
  siteTabs_ = std::make_unique<SiteWindowTabs>();
  // Online windows share one caption until a Read: their tabs name the address; a window
  // opened from a file is named by the file.
  siteTabs_->tabLabel = [this](const QWidget* window, int site) {
    if (session_ && session_->Slots().WindowState(site) == kWindowOffline)
      return QFileInfo(window->windowTitle()).fileName();
    return Q(PickText("Address ", "地址 ")) + QString::number(site);
  };
  pump_ = services_.pump ? services_.pump : std::make_shared<QtEventPump>();
  session_ = std::make_unique<Session>(host_, *pump_, *this);
  if (services_.makeWindow) {
    session_->SetWindowFactory([this](int site, SiteCommands& commands) {
      std::unique_ptr<SiteWindow> window = services_.makeWindow(*session_, site, commands);
      PlaceSiteWindow(window.get(), site);
      return window;
    });
  }
  session_->SetPortFactory(services_.makePort);
  fleet_ = new FleetFeatures(*this, mainPanel_, *session_, host_);
  panelStack_->addWidget(&fleet_->Overview());
  fleet_->AddMenuItems(viewMenu_);
  fleet_->onPanelChoiceChanged = [this] { ShowPowerUpLog(PowerUpLogShown()); };
  fleet_->Overview().onSitesChanged = [this] { ShowPowerUpLog(PowerUpLogShown()); };

  // The auxiliary windows, created hidden in this order.
  portSettingsDialog_ = new PortSettingsDialog(this);
  aboutDialog_ = new AboutDialog(this);
  progressWindow_ = new ProgressWindow(this);
  siteListDialog_ = new SiteListDialog(this);
  scanLineWindow_ = new ScanLineWindow(host_, *pump_, services_.makePort, this);
  scanLineWindow_->onUseAddresses = [this](const std::array<bool, kSiteCount>& sites, int baud) {
    siteListDialog_->SetSelections(sites);
    try {
      SaveSiteSelections(sites);
      // The controllers answered at this speed: the port follows it.
      if (baud > 0 && baud != portSettings_.baud) {
        portSettings_.baud = baud;
        SavePortSettings(portSettings_);
      }
    } catch (const SettingsError& e) {
      host_.ShowMessage(e.what());
    }
  };
  Relabel();
}

MainWindow::~MainWindow() {
  // The traffic view reads the session's log; the parameter windows go before the main window
  // they report to.
  delete trafficView_;
  trafficView_ = nullptr;
  // The fleet features watch the session on its pump: they go first.
  delete fleet_;
  fleet_ = nullptr;
  session_.reset();
  siteTabs_.reset();
}

void MainWindow::BuildToolBar() {
  auto* bar = addToolBar("Tools");
  bar->setObjectName("ToolBar");
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  bar->setIconSize(QSize(32, 32));
  auto button = [&](const char* name, ToolImage image, auto handler) {
    auto* b = new QToolButton(bar);
    b->setObjectName(name);
    b->setIcon(ToolIcon(image));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    connect(b, &QToolButton::clicked, this, handler);
    bar->addWidget(b);
    return b;
  };
  connectButton_ = button("tbConnect", ToolImage::Connect, [this] { Connect(); });
  connectButton_->setCheckable(true);
  disconnectButton_ = button("tbDisconnect", ToolImage::Disconnect, [this] { DisconnectLine(); });
  openFileButton_ = button("tbOpenOffLine", ToolImage::File, [this] { OpenOffLine(); });
  hangupButton_ = button("tbHangup", ToolImage::Hangup, [this] { Hangup(); });
  hangupButton_->setEnabled(false);  // enabled only while a modem dial is under way
  bar->addSeparator();
  siteListButton_ = button("tbSiteAddr", ToolImage::Address, [this] { ShowSiteAddresses(); });
  portButton_ = button("tbComPort", ToolImage::ComPort, [this] { ChoosePort(); });
}

void MainWindow::BuildMenus() {
  auto item = [&](QMenu* menu, const char* name, auto handler) {
    QAction* a = menu->addAction(QString());
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  openMenu_ = menuBar()->addMenu(QString());
  openMenu_->setObjectName("mOpen");
  connectAction_ = item(openMenu_, "mOpenConnect", [this] { Connect(); });
  connectAction_->setCheckable(true);
  disconnectAction_ = item(openMenu_, "mOpenDisconnect", [this] { DisconnectLine(); });
  disconnectAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  openFileAction_ = item(openMenu_, "mOpenFile", [this] { OpenOffLine(); });
  openMenu_->addSeparator();
  exitAction_ = item(openMenu_, "mOpenExit", [this] { Exit(); });

  configurationMenu_ = menuBar()->addMenu(QString());
  configurationMenu_->setObjectName("mConfiguration");
  portAction_ = item(configurationMenu_, "mConfigurationPort", [this] { ChoosePort(); });
  addressAction_ =
      item(configurationMenu_, "mConfigurationAddress", [this] { ShowSiteAddresses(); });
  configurationMenu_->addSeparator();
  chineseAction_ =
      item(configurationMenu_, "mConfigurationChinese", [this] { SetLanguage("chinese"); });
  englishAction_ =
      item(configurationMenu_, "mConfigurationEnglish", [this] { SetLanguage("english"); });
  chineseAction_->setCheckable(true);
  englishAction_->setCheckable(true);

  viewMenu_ = menuBar()->addMenu(QString());
  viewMenu_->setObjectName("mView");
  trafficAction_ = item(viewMenu_, "mViewTraffic", [this] { ShowTraffic(); });
  viewMenu_->addSeparator();
  separateWindowsAction_ = viewMenu_->addAction(QString());
  separateWindowsAction_->setObjectName("mViewSeparateWindows");
  separateWindowsAction_->setCheckable(true);
  connect(separateWindowsAction_, &QAction::triggered, this,
          [this](bool checked) { SetSeparateSiteWindows(checked); });
  toolsMenu_ = menuBar()->addMenu(QString());
  toolsMenu_->setObjectName("mTools");
  scanLineAction_ = item(toolsMenu_, "mToolsScanLine", [this] { ShowScanLine(); });

  helpMenu_ = menuBar()->addMenu(QString());
  helpMenu_->setObjectName("mHelp");
  helpAction_ = item(helpMenu_, "mHelpHelp", [] { ShowHelpPage("index.md"); });
  helpAction_->setShortcut(QKeySequence::HelpContents);
  aboutAction_ = item(helpMenu_, "mHelpAbout", [this] { ShowAbout(); });
}

void MainWindow::BuildPanel() {
  mainPanel_ = new QFrame(this);
  mainPanel_->setObjectName("pnlMain");
  mainPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panelStack_ = new QStackedLayout(mainPanel_);
  idlePicture_ = new QLabel(mainPanel_);
  idlePicture_->setObjectName("imgIdle");
  idlePicture_->setPixmap(IdlePicture());
  idlePicture_->setAlignment(Qt::AlignCenter);
  powerUpLog_ = new QPlainTextEdit(mainPanel_);
  powerUpLog_->setObjectName("memPowerUp");
  powerUpLog_->setReadOnly(true);
  QFont bold = powerUpLog_->font();
  bold.setBold(true);
  powerUpLog_->setFont(bold);
  QPalette palette = powerUpLog_->palette();
  palette.setColor(QPalette::Base, kDesktopColour);
  palette.setColor(QPalette::Text, Qt::white);
  powerUpLog_->setPalette(palette);
  panelStack_->addWidget(idlePicture_);
  panelStack_->addWidget(powerUpLog_);
  panelStack_->setCurrentWidget(idlePicture_);
  setCentralWidget(mainPanel_);
}

void MainWindow::Relabel() {
  bool english = IsEnglish();
  UseQtTranslations(english);
  chineseAction_->setChecked(!english);
  englishAction_->setChecked(english);
  const std::pair<QToolButton*, BilingualText> buttons[] = {
      {connectButton_, {"Connect(&C)", "连接(&C)"}},
      {disconnectButton_, {"Disconnect", "断开"}},
      {openFileButton_, {"File(&F)", "文件(&F)"}},
      {hangupButton_, {"Hungup", "挂断"}},
      {siteListButton_, {"Address(&G)", "设备地址(&G)"}},
      {portButton_, {"Com Port(&P)", "通讯端口(&P)"}},
  };
  for (const auto& [button, caption] : buttons) button->setText(Q(caption.Pick()));
  const std::pair<QMenu*, BilingualText> menus[] = {
      {openMenu_, {"Open(&O)", "打开(&O)"}},
      {configurationMenu_, {"Configurations(&T)", "设置(&T)"}},
      {viewMenu_, {"View(&V)", "查看(&V)"}},
      {toolsMenu_, {"Tools(&L)", "工具(&L)"}},
      {helpMenu_, {"Help(&H)", "帮助(&H)"}},
  };
  for (const auto& [menu, caption] : menus) menu->setTitle(Q(caption.Pick()));
  const std::pair<QAction*, BilingualText> items[] = {
      {connectAction_, {"Connect(&C)", "连接(&C)"}},
      {disconnectAction_, {"Disconnect(&D)", "断开(&D)"}},
      {openFileAction_, {"File(&F)", "文件(&F)"}},
      {exitAction_, {"Exit(&E)", "退出(&E)"}},
      {portAction_, {"Com Port(&P)", "通讯端口(&P)"}},
      {addressAction_, {"Address(&G)", "设备地址(&G)"}},
      {chineseAction_, {"Chinese", "中文"}},
      {englishAction_, {"English", "英文"}},
      {trafficAction_, {"Traffic(&R)", "通讯监视(&R)"}},
      {separateWindowsAction_, {"Separate site windows", "设备窗口分开显示"}},
      {scanLineAction_, {"Scan line...", "扫描线路..."}},
      {helpAction_, {"Vorel Help(&H)", "帮助(&H)"}},
      {aboutAction_, {"About(&A)", "关于(&A)"}},
  };
  for (const auto& [action, caption] : items) action->setText(Q(caption.Pick()));
  separateWindowsAction_->setChecked(separateSiteWindows_);
  if (fleet_) fleet_->Relabel();
  // A switch while connected keeps saying that the line is up; polling goes on.
  if (session_ && PortOpen()) {
    SetStatusText(0, std::string(PickText("Connected.", "连接.")));
  } else {
    SetStatusText(0, std::string(PickText("Disconnected", "未连接")));
    SetStatusText(1, "");
  }
  SetStatusText(2, "");
  ShowConnectionState();
  if (trafficView_) trafficView_->Relabel();
  siteTabs_->Relabel();
}

void MainWindow::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) Relabel();
  QMainWindow::showEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Closing ends an open connection quietly; the modem is not hung up.
  session_->Connector().CloseQuietly();
  event->accept();
}

void MainWindow::SetLanguage(const std::string& language) {
  try {
    SaveLanguage(language);
  } catch (const SettingsError& e) {
    // The triggered item ticked itself: the ticks show the language still in force.
    chineseAction_->setChecked(!IsEnglish());
    englishAction_->setChecked(IsEnglish());
    host_.ShowMessage(e.what());
    return;
  }
  SetLanguageSetting(language);
  Relabel();
  RelabelSiteWindows(*session_);
  if (HelpWindow* help = HelpWindow::SharedIfMade()) help->FollowLanguage();
}

void MainWindow::SetSeparateSiteWindows(bool separate) {
  try {
    SaveSeparateSiteWindows(separate);
  } catch (const SettingsError& e) {
    separateWindowsAction_->setChecked(separateSiteWindows_);
    host_.ShowMessage(e.what());
    return;
  }
  separateSiteWindows_ = separate;
  separateWindowsAction_->setChecked(separate);
  QWidget* current = siteTabs_->Tabs()->currentWidget();
  for (int site = 1; site <= kSiteCount; ++site) {
    auto* window = dynamic_cast<QWidget*>(session_->Window(site));
    if (!window) continue;
    if (separate) {
      siteTabs_->Release(window);
    } else if (window->isVisible()) {  // a closed window waiting to go stays out
      siteTabs_->Adopt(window, site);
      if (!current) current = window;
    }
  }
  if (!separate && current) BringSiteWindowForward(current);
}

void MainWindow::PlaceSiteWindow(SiteWindow* window, int site) {
  auto* widget = dynamic_cast<QWidget*>(window);
  if (widget && !separateSiteWindows_) siteTabs_->Adopt(widget, site);
}

void MainWindow::ShowAbout() {
  RunModal(*aboutDialog_);
}

TrafficView& MainWindow::Traffic() {
  if (!trafficView_) trafficView_ = new TrafficView(session_->Traffic(), this);
  return *trafficView_;
}

void MainWindow::ShowTraffic() {
  TrafficView& view = Traffic();
  view.show();
  view.raise();
  view.activateWindow();
}

bool MainWindow::LoadCommunicationProperties() {
  CommunicationProperties current;
  current.modem = portSettingsDialog_->Modem();
  current.sites = siteListDialog_->Selections();
  try {
    CommunicationProperties loaded = vorel::LoadCommunicationProperties(current);
    portSettingsDialog_->SetModem(loaded.modem);
    siteListDialog_->SetSelections(loaded.sites);
    return true;
  } catch (const SettingsError& e) {
    host_.ShowMessage(e.what());
    return false;
  }
}

bool MainWindow::ModemOption() const {
  return portSettingsDialog_->Modem();
}

std::string MainWindow::DialNumber() const {
  return portSettingsDialog_->DialNumber();
}

bool MainWindow::SiteSelected(int site) const {
  return SiteSlots::Valid(site) && siteListDialog_->Selections()[site - 1];
}

void MainWindow::ChoosePort() {
  PortSettings loaded;
  bool portStored = false;
  try {
    loaded = LoadPortSettings(portSettings_);
    portStored = !LoadPortSettings(PortSettings{.name = ""}).name.empty();
  } catch (const SettingsError& e) {
    host_.ShowMessage(e.what());
    return;
  }
  portSettings_ = loaded;
  std::vector<std::string> names;
  if (services_.portNames) names = services_.portNames();
  portSettingsDialog_->SetPortNames(names);
  // No port chosen yet: the machine's USB adapter rather than a port it may not have.
  const std::string offered = PreferredPortName(names);
  portSettingsDialog_->SetPortName(portStored || offered.empty() ? portSettings_.name : offered);
  portSettingsDialog_->SetLineSettings(portSettings_);
  portSettingsDialog_->SetDiscardEcho(portSettings_.discardEcho);
  portSettingsDialog_->SetFastReplies(portSettings_.fastReplies);
  if (!LoadCommunicationProperties()) return;
  portSettingsDialog_->onDetect = [this] { DetectLine(); };
  if (RunModal(*portSettingsDialog_) == QDialog::Accepted) {
    portSettings_ = portSettingsDialog_->LineSettings(portSettings_);
    portSettings_.name = portSettingsDialog_->PortName();
    portSettings_.discardEcho = portSettingsDialog_->DiscardEcho();
    portSettings_.fastReplies = portSettingsDialog_->FastReplies();
    try {
      SaveModemOption(portSettingsDialog_->Modem());
      SavePortSettings(portSettings_);
    } catch (const SettingsError& e) {
      host_.ShowMessage(e.what());
    }
  }
  portSettingsDialog_->hide();
}

void MainWindow::DetectLine() {
  // The scan runs on the port and line settings as the dialog shows them now.
  PortSettings shown = portSettingsDialog_->LineSettings(portSettings_);
  shown.name = portSettingsDialog_->PortName();
  shown.discardEcho = portSettingsDialog_->DiscardEcho();
  scanLineWindow_->SetPortSettings(shown);
  scanLineWindow_->SetEverySpeed(true);
  const auto taken = scanLineWindow_->onUseAddresses;
  // The addresses are kept at once, as the site list keeps them; the speed goes into the window
  // and is kept with its OK.
  scanLineWindow_->onUseAddresses = [this, shown](const std::array<bool, kSiteCount>& sites,
                                                  int baud) {
    PortSettings found = shown;
    if (baud > 0) found.baud = baud;
    portSettingsDialog_->SetLineSettings(found);
    siteListDialog_->SetSelections(sites);
    try {
      SaveSiteSelections(sites);
    } catch (const SettingsError& e) {
      host_.ShowMessage(e.what());
    }
  };
  RunModal(*scanLineWindow_);
  scanLineWindow_->hide();
  scanLineWindow_->onUseAddresses = taken;
}

void MainWindow::ShowScanLine() {
  if (PortOpen()) return;
  try {
    portSettings_ = LoadPortSettings(portSettings_);
  } catch (const SettingsError& e) {
    host_.ShowMessage(e.what());
    return;
  }
  scanLineWindow_->SetPortSettings(portSettings_);
  RunModal(*scanLineWindow_);
  scanLineWindow_->hide();
}

void MainWindow::ShowSiteAddresses() {
  if (!LoadCommunicationProperties()) return;
  if (RunModal(*siteListDialog_) == QDialog::Accepted) {
    try {
      SaveSiteSelections(siteListDialog_->Selections());
    } catch (const SettingsError& e) {
      host_.ShowMessage(e.what());
    }
  }
  siteListDialog_->hide();
}

void MainWindow::SetConfigurationButtonsEnabled(bool enabled) {
  siteListButton_->setEnabled(enabled);
  portButton_->setEnabled(enabled);
  ShowConnectionState();
}

void MainWindow::SetConfigurationMenuEnabled(bool enabled) {
  portAction_->setEnabled(enabled);
  addressAction_->setEnabled(enabled);
  scanLineAction_->setEnabled(enabled);  // the scan needs the port, which a connection holds
}

void MainWindow::ShowCommunicationProperties(const CommunicationProperties& properties) {
  portSettingsDialog_->SetModem(properties.modem);
  siteListDialog_->SetSelections(properties.sites);
}

void MainWindow::Connect() {
  ConnectSequence& connector = session_->Connector();
  CommunicationProperties current;
  current.modem = portSettingsDialog_->Modem();
  current.sites = siteListDialog_->Selections();
  connector.SetProperties(current);
  connector.Connect();
  ShowConnectionState();  // a refused Connect leaves its checkable controls as they were
}

void MainWindow::OpenOffLine() {
  session_->ParameterFiles().OpenOffline();
}

void MainWindow::Disconnect() {
  session_->Connector().Disconnect();
}

void MainWindow::DisconnectLine() {
  session_->Connector().DisconnectKeepingWindows();
  ShowConnectionState();
}

void MainWindow::Exit() {
  if (PortOpen() &&
      host_.AskQuestion(0, std::string(PickText("Exit", "退出")),
                        std::string(PickText("The tool is connected. Disconnect and exit?",
                                             "正在连接中。断开连接并退出吗？"))) != Answer::Yes) {
    return;
  }
  Disconnect();
  close();
}

void MainWindow::ShowConnectionState() {
  const bool connected = session_ && PortOpen();
  disconnectButton_->setEnabled(connected);
  disconnectAction_->setEnabled(connected);
  connectButton_->setChecked(connected);
  connectAction_->setChecked(connected);
}

void MainWindow::Hangup() {
  session_->Modem().HangupPressed();
}

void MainWindow::SetHangupEnabled(bool enabled) {
  hangupButton_->setEnabled(enabled);
}

void MainWindow::BringToFront() {
  raise();
  activateWindow();
}

void MainWindow::SetStatusText(int panel, const std::string& text) {
  // Every change of the line's state is told on this panel.
  if (panel == 0 && disconnectAction_) ShowConnectionState();
  if (panel == 0) SetPanelText(statusPanels_[0], Q(text), kStatusPanel0Width);
  if (panel == 1 || panel == 2) statusPanels_[panel]->setText(Q(text));  // the rest of the bar
}

std::string MainWindow::StatusText(int panel) const {
  return panel >= 0 && panel <= 2 ? statusPanels_[panel]->text().toStdString() : std::string();
}

void MainWindow::ClearPowerUpLog() {
  powerUpLog_->clear();
}

void MainWindow::AppendPowerUpLine(const std::string& line) {
  powerUpLog_->appendPlainText(Q(line));
}

void MainWindow::AppendPowerUpText(const std::string& text) {
  QTextCursor cursor = powerUpLog_->textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(Q(text));
}

void MainWindow::ShowPowerUpLog(bool shown) {
  QWidget* idle = fleet_ && fleet_->OverviewWanted() ? static_cast<QWidget*>(&fleet_->Overview())
                                                     : static_cast<QWidget*>(idlePicture_);
  panelStack_->setCurrentWidget(shown ? static_cast<QWidget*>(powerUpLog_) : idle);
}

bool MainWindow::PowerUpLogShown() const {
  return panelStack_->currentWidget() == powerUpLog_;
}

int MainWindow::RunModal(QDialog& dialog) {
  return services_.runModal ? services_.runModal(dialog) : dialog.exec();
}

}  // namespace vorel

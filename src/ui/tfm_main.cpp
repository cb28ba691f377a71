#include "ui/tfm_main.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QStackedLayout>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "core/language.h"
#include "link/qt_event_pump.h"
#include "ui/about_box.h"
#include "ui/icons.h"
#include "ui/qt_text.h"
#include "ui/tfm_properties.h"
#include "ui/tfm_site_addr.h"
#include "ui/tfm_status.h"

namespace vorel {
namespace {

// The desktop colour behind the power-up log.
const QColor kDesktopColour(58, 110, 165);

std::string PortErrorText() {
  return std::string(PickText("Com port openning error！Please select right port.",
                              "通讯端口打开错误！请选择正确的通讯端口。"));
}

// A caption table row: the control it labels and its two texts.
struct Caption {
  const char* english;
  const char* chinese;
};

}  // namespace

TfmMain::TfmMain(Host& host, MainWindowServices services, QWidget* parent)
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
  statusPanels_[0]->setFixedWidth(120);
  statusBar()->addWidget(statusPanels_[0]);
  statusBar()->addWidget(statusPanels_[1], 1);
  statusBar()->setSizeGripEnabled(false);
  resize(560, 400);

  // Main window creation: the language, the help file, the site slots.
  SetLanguageSetting(LoadLanguage());
  helpFile_ = (QDir(QCoreApplication::applicationDirPath()).filePath("Vorel.hlp")).toStdString();
  pump_ = services_.pump ? services_.pump : std::make_shared<QtEventPump>();
  connection_ = std::make_unique<Connection>(host_, *pump_, *this);
  connection_->SetWindowFactory(services_.makeWindow);
  connection_->onLastWindowClosed = [this] { ClearPowerUpLog(); };

  // The auxiliary windows, created hidden in this order.
  fmProperties_ = new TfmProperties(this);
  aboutBox_ = new TAboutBox(this);
  fmStatus_ = new TfmStatus(this);
  fmSiteAddr_ = new TfmSiteAddr(this);
  Relabel();
}

TfmMain::~TfmMain() {
  // The parameter windows go before the main window they report to.
  connection_.reset();
}

void TfmMain::BuildToolBar() {
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
  tbConnect_ = button("tbConnect", ToolImage::Connect, [this] { Connect(); });
  tbOpenOffLine_ = button("tbOpenOffLine", ToolImage::File, [this] { OpenOffLine(); });
  tbHangup_ = button("tbHangup", ToolImage::Hangup, [this] { Hangup(); });
  tbHangup_->setEnabled(false);  // enabled only while a modem dial is under way
  bar->addSeparator();
  tbSiteAddr_ = button("tbSiteAddr", ToolImage::Address, [this] { ShowSiteAddresses(); });
  tbComPort_ = button("tbComPort", ToolImage::ComPort, [this] { ChoosePort(); });
}

void TfmMain::BuildMenus() {
  auto item = [&](QMenu* menu, const char* name, auto handler) {
    QAction* a = menu->addAction(QString());
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  mOpen_ = menuBar()->addMenu(QString());
  mOpen_->setObjectName("mOpen");
  mOpenConnect_ = item(mOpen_, "mOpenConnect", [this] { Connect(); });
  mOpenFile_ = item(mOpen_, "mOpenFile", [this] { OpenOffLine(); });
  mOpen_->addSeparator();
  mOpenExit_ = item(mOpen_, "mOpenExit", [this] {
    Disconnect();
    close();
  });

  mConfiguration_ = menuBar()->addMenu(QString());
  mConfiguration_->setObjectName("mConfiguration");
  mConfigurationPort_ = item(mConfiguration_, "mConfigurationPort", [this] { ChoosePort(); });
  mConfigurationAddress_ =
      item(mConfiguration_, "mConfigurationAddress", [this] { ShowSiteAddresses(); });
  mConfiguration_->addSeparator();
  mConfigurationChinese_ =
      item(mConfiguration_, "mConfigurationChinese", [this] { SetLanguage("chinese"); });
  mConfigurationEnglish_ =
      item(mConfiguration_, "mConfigurationEnglish", [this] { SetLanguage("english"); });
  mConfigurationChinese_->setCheckable(true);
  mConfigurationEnglish_->setCheckable(true);

  mHelp_ = menuBar()->addMenu(QString());
  mHelp_->setObjectName("mHelp");
  mHelpHelp_ = item(mHelp_, "mHelpHelp", [] {});
  mHelpHelp_->setEnabled(false);
  mHelpAbout_ = item(mHelp_, "mHelpAbout", [this] { ShowAbout(); });
}

void TfmMain::BuildPanel() {
  pnlMain_ = new QFrame(this);
  pnlMain_->setObjectName("pnlMain");
  pnlMain_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panelStack_ = new QStackedLayout(pnlMain_);
  imgIdle_ = new QLabel(pnlMain_);
  imgIdle_->setObjectName("imgIdle");
  imgIdle_->setPixmap(IdlePicture());
  imgIdle_->setAlignment(Qt::AlignCenter);
  memPowerUp_ = new QPlainTextEdit(pnlMain_);
  memPowerUp_->setObjectName("memPowerUp");
  memPowerUp_->setReadOnly(true);
  QFont bold = memPowerUp_->font();
  bold.setBold(true);
  memPowerUp_->setFont(bold);
  QPalette palette = memPowerUp_->palette();
  palette.setColor(QPalette::Base, kDesktopColour);
  palette.setColor(QPalette::Text, Qt::white);
  memPowerUp_->setPalette(palette);
  panelStack_->addWidget(imgIdle_);
  panelStack_->addWidget(memPowerUp_);
  panelStack_->setCurrentWidget(imgIdle_);
  setCentralWidget(pnlMain_);
}

void TfmMain::Relabel() {
  bool english = IsEnglish();
  mConfigurationChinese_->setChecked(!english);
  mConfigurationEnglish_->setChecked(english);
  const std::pair<QToolButton*, Caption> buttons[] = {
      {tbConnect_, {"Connect(&C)", "连接(&C)"}},
      {tbOpenOffLine_, {"File(&F)", "文件(&F)"}},
      {tbHangup_, {"Hungup", "挂断"}},
      {tbSiteAddr_, {"Address(&G)", "设备地址(&G)"}},
      {tbComPort_, {"Com Port(&P)", "通讯端口(&P)"}},
  };
  for (const auto& [button, caption] : buttons)
    button->setText(Q(PickText(caption.english, caption.chinese)));
  const std::pair<QMenu*, Caption> menus[] = {
      {mOpen_, {"Open(&O)", "打开(&O)"}},
      {mConfiguration_, {"Configurations(&T)", "设置(&T)"}},
      {mHelp_, {"Help(&H)", "帮助(&H)"}},
  };
  for (const auto& [menu, caption] : menus)
    menu->setTitle(Q(PickText(caption.english, caption.chinese)));
  const std::pair<QAction*, Caption> items[] = {
      {mOpenConnect_, {"Connect(&C)", "连接(&C)"}},
      {mOpenFile_, {"File(&F)", "文件(&F)"}},
      {mOpenExit_, {"Exit(&E)", "退出(&E)"}},
      {mConfigurationPort_, {"Com Port(&P)", "通讯端口(&P)"}},
      {mConfigurationAddress_, {"Address(&G)", "设备地址(&G)"}},
      {mConfigurationChinese_, {"Chinese", "中文"}},
      {mConfigurationEnglish_, {"English", "英文"}},
      {mHelpHelp_, {"Vorel Help(&H)", "帮助(&H)"}},
      {mHelpAbout_, {"About(&A)", "关于(&A)"}},
  };
  for (const auto& [action, caption] : items)
    action->setText(Q(PickText(caption.english, caption.chinese)));
  SetStatusText(0, std::string(PickText("Disconnected", "未连接")));
  SetStatusText(1, "");
}

void TfmMain::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) Relabel();
  QMainWindow::showEvent(event);
}

void TfmMain::closeEvent(QCloseEvent* event) {
  // Closing ends an open connection quietly; the modem is not hung up.
  connection_->CloseQuietly();
  event->accept();
}

void TfmMain::SetLanguage(const std::string& language) {
  try {
    SaveLanguage(language);
  } catch (const SettingsError& e) {
    host_.ShowMessage(e.what());
    return;
  }
  SetLanguageSetting(language);
  Relabel();
}

void TfmMain::ShowAbout() {
  RunModal(*aboutBox_);
}

bool TfmMain::LoadCommunicationProperties() {
  CommunicationProperties current;
  current.modem = fmProperties_->Modem();
  current.sites = fmSiteAddr_->Selections();
  try {
    CommunicationProperties loaded = vorel::LoadCommunicationProperties(current);
    fmProperties_->SetModem(loaded.modem);
    fmSiteAddr_->SetSelections(loaded.sites);
    return true;
  } catch (const SettingsError& e) {
    host_.ShowMessage(e.what());
    return false;
  }
}

bool TfmMain::ModemOption() const {
  return fmProperties_->Modem();
}

std::string TfmMain::DialNumber() const {
  return fmProperties_->DialNumber();
}

bool TfmMain::SiteSelected(int site) const {
  return SiteSlots::Valid(site) && fmSiteAddr_->Selections()[site - 1];
}

bool TfmMain::PortOpen() const {
  return connection_->PortOpen();
}

void TfmMain::ChoosePort() {
  PortSettings loaded;
  try {
    loaded = LoadPortSettings(portSettings_);
  } catch (const SettingsError& e) {
    host_.ShowMessage(e.what());
    return;
  }
  portSettings_ = loaded;
  if (services_.portNames) fmProperties_->SetPortNames(services_.portNames());
  fmProperties_->SetPortName(portSettings_.name);
  if (!LoadCommunicationProperties()) return;
  if (RunModal(*fmProperties_) == QDialog::Accepted) {
    portSettings_.name = fmProperties_->PortName();
    try {
      SaveModemOption(fmProperties_->Modem());
      SavePortSettings(portSettings_);
    } catch (const SettingsError& e) {
      host_.ShowMessage(e.what());
    }
  }
  fmProperties_->hide();
}

void TfmMain::ShowSiteAddresses() {
  if (!LoadCommunicationProperties()) return;
  if (RunModal(*fmSiteAddr_) == QDialog::Accepted) {
    try {
      SaveSiteSelections(fmSiteAddr_->Selections());
    } catch (const SettingsError& e) {
      host_.ShowMessage(e.what());
    }
  }
  fmSiteAddr_->hide();
}

void TfmMain::SetConfigurationEnabled(bool toolButtons, bool menuItems) {
  tbSiteAddr_->setEnabled(toolButtons);
  tbComPort_->setEnabled(toolButtons);
  mConfigurationPort_->setEnabled(menuItems);
  mConfigurationAddress_->setEnabled(menuItems);
}

void TfmMain::Connect() {
  connection_->ResetPoll();
  if (!LoadCommunicationProperties()) return;
  ReadAccessLevel();
  if (!fmSiteAddr_->AnySelected()) {
    host_.ShowMessage(std::string(PickText("Please select address!", "请选择地址!")));
    return;
  }
  tbSiteAddr_->setEnabled(false);
  tbComPort_->setEnabled(false);
  connection_->SetModem(ModemOption());
  if (PortOpen()) {
    // The port stays; modem redialling on a lost carrier belongs to the modem feature.
    connection_->PauseForReconnect();
  } else {
    std::string error;
    bool opened = false;
    try {
      portSettings_ = LoadPortSettings(portSettings_);
      opened = connection_->OpenPort(services_.makePort ? services_.makePort() : nullptr,
                                     portSettings_, &error);
    } catch (const SettingsError&) {
      opened = false;
    }
    if (!opened) {
      host_.ShowMessage(PortErrorText());
      tbSiteAddr_->setEnabled(true);
      tbComPort_->setEnabled(true);
      return;
    }
    SetStatusText(0, std::string(PickText("connecting...", "正在连接...")));
  }
  ConnectSites();
}

void TfmMain::ConnectSites() {
  connection_->ConnectSites(fmSiteAddr_->Selections(), [this](int n) { return IdentifySite(n); });
}

bool TfmMain::IdentifySite(int site) {
  return connection_->IdentifySite(site);
}

void TfmMain::Disconnect() {
  fmStatus_->SetPercent(0);
  fmStatus_->hide();
  connection_->Disconnect();
}

void TfmMain::BringToFront() {
  raise();
  activateWindow();
}

void TfmMain::SetStatusText(int panel, const std::string& text) {
  if (panel == 0 || panel == 1) statusPanels_[panel]->setText(Q(text));
}

std::string TfmMain::StatusText(int panel) const {
  return panel == 0 || panel == 1 ? statusPanels_[panel]->text().toStdString() : std::string();
}

void TfmMain::ClearPowerUpLog() {
  memPowerUp_->clear();
}

void TfmMain::AppendPowerUpLine(const std::string& line) {
  memPowerUp_->appendPlainText(Q(line));
}

void TfmMain::AppendPowerUpText(const std::string& text) {
  QTextCursor cursor = memPowerUp_->textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(Q(text));
}

void TfmMain::ShowPowerUpLog(bool shown) {
  panelStack_->setCurrentWidget(shown ? static_cast<QWidget*>(memPowerUp_) : imgIdle_);
}

bool TfmMain::PowerUpLogShown() const {
  return panelStack_->currentWidget() == memPowerUp_;
}

void TfmMain::Delay(int ms) {
  if (services_.delayWithEvents) {
    services_.delayWithEvents(ms);
    return;
  }
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

int TfmMain::RunModal(QDialog& dialog) {
  return services_.runModal ? services_.runModal(dialog) : dialog.exec();
}

}  // namespace vorel

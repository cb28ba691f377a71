#include "ui/site_placeholder_window.h"

#include <QCloseEvent>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/language.h"
#include "ui/qt_text.h"

namespace vorel {
namespace {

QLineEdit* PasswordEdit(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setInputMask("0000;_");
  e->setEchoMode(QLineEdit::Password);
  e->setMaxLength(4);
  return e;
}

std::string Digits(const QLineEdit* e) {
  std::string text = e->text().toStdString();
  text.resize(4, ' ');
  return text;
}

std::uint16_t Bcd(int high, int low) {
  auto bcd = [](int v) { return static_cast<std::uint16_t>(((v / 10) << 4) | (v % 10)); };
  return static_cast<std::uint16_t>((bcd(high) << 8) | bcd(low));
}

}  // namespace

SitePlaceholderWindow::SitePlaceholderWindow(int site, SiteCommands& commands)
    : site_(site), commands_(commands) {
  setObjectName("fmParameter" + QString::number(site));
  // The program ends with the main window, not with the last site window.
  setAttribute(Qt::WA_QuitOnClose, false);
  // Cascaded beside the main window, which is brought to the front after each site.
  move(580 + 24 * ((site - 1) % 8), 24 * ((site - 1) % 8));
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);

  medPSWUnlock_ = PasswordEdit(this, "medPSWUnlock");
  tbUnlock_ = new QToolButton(this);
  tbUnlock_->setObjectName("tbUnlock");
  tbUnlock_->setCheckable(true);
  tbUnlock_->setText(Q(PickText("Unlock", "解锁")));
  connect(tbUnlock_, &QToolButton::clicked, this, [this] {
    tbUnlock_->setChecked(!tbUnlock_->isChecked());  // the controller decides, at the refresh
    commands_.UnlockParameters(site_);
  });
  medPSWChange_ = PasswordEdit(this, "medPSWChange");
  auto* tbPswChange = new QToolButton(this);
  tbPswChange->setObjectName("tbPswChange");
  tbPswChange->setText(Q(PickText("Change", "修改")));
  connect(tbPswChange, &QToolButton::clicked, this, [this] { commands_.ChangePassword(site_); });
  dtpDate_ = new QDateEdit(this);
  dtpDate_->setObjectName("dtpDate");
  dtpDate_->setDisplayFormat("yyyy-MM-dd");
  connect(dtpDate_, &QDateEdit::dateChanged, this, [this] {
    if (!settingClock_) dateChanged_ = true;
  });
  dtpTime_ = new QTimeEdit(this);
  dtpTime_->setObjectName("dtpTime");
  dtpTime_->setDisplayFormat("HH:mm:ss");
  connect(dtpTime_, &QTimeEdit::timeChanged, this, [this] {
    if (!settingClock_) timeChanged_ = true;
  });
  grid->addWidget(new QLabel(Q(PickText("Password", "密码")), this), 0, 0);
  grid->addWidget(medPSWUnlock_, 0, 1);
  grid->addWidget(tbUnlock_, 0, 2);
  grid->addWidget(new QLabel(Q(PickText("New password", "新密码")), this), 1, 0);
  grid->addWidget(medPSWChange_, 1, 1);
  grid->addWidget(tbPswChange, 1, 2);
  grid->addWidget(new QLabel(Q(PickText("Date", "日期")), this), 2, 0);
  grid->addWidget(dtpDate_, 2, 1);
  grid->addWidget(new QLabel(Q(PickText("Time", "时间")), this), 3, 0);
  grid->addWidget(dtpTime_, 3, 1);
  lbTime_ = new QLabel(this);
  lbTime_->setObjectName("lbTime");
  layout->addWidget(lbTime_);

  auto* buttons = new QHBoxLayout;
  layout->addLayout(buttons);
  const std::pair<const char*, std::pair<const char*, const char*>> names[] = {
      {"btnRead", {"Read", "读出"}},
      {"btnWrite", {"Write", "写入"}},
      {"btnExit", {"Exit", "退出"}}};
  for (const auto& [name, caption] : names) {
    auto* b = new QPushButton(Q(PickText(caption.first, caption.second)), this);
    b->setObjectName(name);
    buttons->addWidget(b);
    const std::string n = name;
    connect(b, &QPushButton::clicked, this, [this, n] {
      if (n == "btnRead") commands_.ReadParameters(site_);
      if (n == "btnWrite") commands_.WriteParameters(site_);
      if (n == "btnExit") close();
    });
  }
  auto* bar = new QHBoxLayout;
  layout->addLayout(bar);
  const int widths[] = {150, 100, 350, 100};
  for (int i = 0; i < 4; ++i) {
    panels_[i] = new QLabel(this);
    panels_[i]->setObjectName("stbParameter" + QString::number(i));
    panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panels_[i]->setMinimumWidth(widths[i]);
    bar->addWidget(panels_[i], i == 2 ? 1 : 0);
  }
}

void SitePlaceholderWindow::SetCaption(const std::string& caption) {
  setWindowTitle(Q(caption));
}

void SitePlaceholderWindow::SetStatusPanel(int panel, const std::string& text) {
  if (panel >= 0 && panel < 4) panels_[panel]->setText(Q(text));
}

void SitePlaceholderWindow::ShowWindow() {
  show();
  raise();
}

void SitePlaceholderWindow::ShowControllerClock(std::optional<QDate> date,
                                                std::optional<QTime> time) {
  settingClock_ = true;
  if (date && !dateChanged_) dtpDate_->setDate(*date);
  if (time && !timeChanged_) dtpTime_->setTime(*time);
  settingClock_ = false;
  lbTime_->setText(QLocale().toString(dtpDate_->date(), QLocale::ShortFormat) + "  " +
                   QLocale().toString(dtpTime_->time(), QLocale::LongFormat));
}

void SitePlaceholderWindow::ShowProtectionState(bool unlocked) {
  tbUnlock_->setChecked(unlocked);
}

void SitePlaceholderWindow::StoreAllPages() {
  if (!storeWord) return;
  if (dateChanged_) {
    const QDate d = dtpDate_->date();
    storeWord(0x000E, Bcd(d.day(), d.month()));
    storeWord(0x000F, static_cast<std::uint16_t>(Bcd(d.year() % 100, 0)));
  }
  if (timeChanged_) {
    const QTime t = dtpTime_->time();
    storeWord(0x000C, Bcd(t.hour(), t.minute()));
    storeWord(0x000D, static_cast<std::uint16_t>(Bcd(t.second(), 0)));
  }
}

std::string SitePlaceholderWindow::UnlockPasswordText() const {
  return Digits(medPSWUnlock_);
}

std::string SitePlaceholderWindow::NewPasswordText() const {
  return Digits(medPSWChange_);
}

void SitePlaceholderWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  // The connection destroys this window: only after the close event has been handled.
  SiteCommands& commands = commands_;
  const int site = site_;
  QTimer::singleShot(0, [&commands, site] { commands.WindowClosed(site); });
}

}  // namespace vorel

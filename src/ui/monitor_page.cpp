#include "ui/monitor_page.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/language.h"
#include "ui/qt_text.h"
#include "ui/setpoint_grid.h"

namespace vorel {
namespace {

struct ButtonCaption {
  const char* name;
  const char* english;
  const char* chinese;
};
constexpr ButtonCaption kModeButtons[] = {{"lbsbOff", "OFF", "模式"},
                                          {"lbsbManual", "MANU", "手动"},
                                          {"lbsbAuto", "AUTO", "自动"},
                                          {"lbsbTest", "TEST", "测试"}};
constexpr ButtonCaption kCommandButtons[] = {{"lbsbStart", "START", "启动"},
                                             {"lbsbStop", "STOP", "停机"},
                                             {"lbsbMute", "MUTE", "消音"},
                                             {"lbsbReset", "RESET", "复位"}};

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
  top->addWidget(genSetStateLabel_);
  top->addWidget(mainsStateLabel_);
  top->addWidget(loadStateLabel_);
  top->addStretch();

  auto* modes = new QButtonGroup(this);
  modes->setExclusive(true);
  auto* modeRow = new QHBoxLayout;
  for (std::size_t i = 0; i < modeButtons_.size(); ++i) {
    auto* b = new QPushButton(this);
    b->setObjectName(kModeButtons[i].name);
    b->setCheckable(true);
    modes->addButton(b);
    modeButtons_[i] = b;
    modeRow->addWidget(b);
  }
  modeRow->addSpacing(24);
  for (std::size_t i = 0; i < commandButtons_.size(); ++i) {
    auto* b = new QPushButton(this);
    b->setObjectName(kCommandButtons[i].name);
    commandButtons_[i] = b;
    modeRow->addWidget(b);
  }
  modeRow->addStretch();
  clockLabel_ = new QLabel(this);
  clockLabel_->setObjectName("lbTime");
  modeRow->addWidget(clockLabel_);

  engineGrid_ = new StringGrid(18, 3, this);
  engineGrid_->setObjectName("sgEngine");
  engineGrid_->SetColumnWidths({8, 150, 90});
  generatorGrid_ = new StringGrid(18, 6, this);
  generatorGrid_->setObjectName("sgGenerator");
  generatorGrid_->SetColumnWidths({8, 110, 56, 56, 56, 56});
  binaryIoGrid_ = new StringGrid(20, 3, this);
  binaryIoGrid_->setObjectName("sgBIO");
  binaryIoGrid_->SetColumnWidths({8, 170, 80});
  for (StringGrid* g : {engineGrid_, generatorGrid_, binaryIoGrid_})
    g->setSelectionMode(QAbstractItemView::NoSelection);

  // Section captions over grid rows.
  const std::pair<const char*, StringGrid*> captions[] = {
      {"lbMonitorEngine", engineGrid_},   {"lbMonitorGenerator", generatorGrid_},
      {"lbMonitorMains", generatorGrid_}, {"lbMonitorInputs", binaryIoGrid_},
      {"lbMonitorOutputs", binaryIoGrid_},     {"lbMonitorAlarmList", engineGrid_}};
  for (const auto& [name, grid] : captions) {
    auto* label = new QLabel(grid);
    label->setObjectName(name);
    label->hide();
    if (std::string_view(name) == "lbMonitorMains") mainsTitleLabel_ = label;
  }
  for (int i = 1; i <= 16; ++i) {
    auto* alarm = new QLabel(engineGrid_);
    alarm->setObjectName(QString("lbAlarmList%1").arg(i));
    alarm->hide();
  }

  auto* grids = new QHBoxLayout;
  grids->addWidget(engineGrid_, 0, Qt::AlignTop);
  grids->addWidget(generatorGrid_, 0, Qt::AlignTop);
  grids->addWidget(binaryIoGrid_, 0, Qt::AlignTop);
  grids->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(modeRow);
  layout->addLayout(grids);
  layout->addStretch();
}

void MonitorPage::SetButtonCaptions() {
  for (std::size_t i = 0; i < modeButtons_.size(); ++i)
    modeButtons_[i]->setText(Q(PickText(kModeButtons[i].english, kModeButtons[i].chinese)));
  for (std::size_t i = 0; i < commandButtons_.size(); ++i)
    commandButtons_[i]->setText(
        Q(PickText(kCommandButtons[i].english, kCommandButtons[i].chinese)));
}

void MonitorPage::SetMainsLabelsShown(bool shown) {
  mainsStateLabel_->setVisible(shown);
  loadStateLabel_->setVisible(shown);
  if (mainsTitleLabel_) mainsTitleLabel_->setProperty("mainsShown", shown);
}

void MonitorPage::SetTimeLabelShown(bool shown) {
  clockLabel_->setVisible(shown);
}

}  // namespace vorel

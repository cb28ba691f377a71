#include "ui/tfm_properties.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/language.h"
#include "ui/center_on_screen.h"
#include "ui/qt_text.h"

namespace vorel {

TfmProperties::TfmProperties(QWidget* parent)
    : QDialog(parent),
      lbPropertyComPort_(new QLabel(this)),
      ccbPort_(new QComboBox(this)),
      cbPropertyModem_(new QCheckBox(this)),
      lbPropertyDial_(new QLabel(this)),
      edTelNum_(new QLineEdit(kDefaultDialNumber, this)),
      btnOK_(new QPushButton("OK", this)),
      btnCancel_(new QPushButton("Cancel", this)) {
  setObjectName("fmProperties");
  lbPropertyComPort_->setObjectName("lbPropertyComPort");
  ccbPort_->setObjectName("ccbPort");
  cbPropertyModem_->setObjectName("cbPropertyModem");
  lbPropertyDial_->setObjectName("lbPropertyDial");
  edTelNum_->setObjectName("edTelNum");
  btnOK_->setObjectName("btnOK");
  btnCancel_->setObjectName("btnCancel");

  // Editable, so that any device path (a symbolic link to a pseudo-terminal, say) can be used.
  ccbPort_->setEditable(true);
  ccbPort_->setInsertPolicy(QComboBox::NoInsert);
  ccbPort_->setMinimumWidth(220);
  ccbPort_->setEditText("COM1");
  lbPropertyComPort_->setBuddy(ccbPort_);
  lbPropertyDial_->setBuddy(edTelNum_);
  btnOK_->setDefault(true);
  connect(btnOK_, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK_);
  buttons->addWidget(btnCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lbPropertyComPort_);
  layout->addWidget(ccbPort_);
  layout->addWidget(cbPropertyModem_);
  layout->addWidget(lbPropertyDial_);
  layout->addWidget(edTelNum_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  Relabel();
}

void TfmProperties::SetPortNames(const std::vector<std::string>& names) {
  QString typed = ccbPort_->currentText();
  ccbPort_->clear();
  for (const auto& name : names) ccbPort_->addItem(Q(name));
  ccbPort_->setEditText(typed);
}

void TfmProperties::SetPortName(const std::string& name) {
  ccbPort_->setEditText(Q(name));
}

std::string TfmProperties::PortName() const {
  return ccbPort_->currentText().trimmed().toStdString();
}

bool TfmProperties::Modem() const {
  return cbPropertyModem_->isChecked();
}

void TfmProperties::SetModem(bool modem) {
  cbPropertyModem_->setChecked(modem);
}

std::string TfmProperties::DialNumber() const {
  return edTelNum_->text().toStdString();
}

void TfmProperties::Relabel() {
  setWindowTitle(Q(PickText("Properties", "属性")));
  lbPropertyComPort_->setText(Q(PickText("Com Port", "通讯端口")));
  cbPropertyModem_->setText(Q(PickText("Connect by modem", "调制解调器")));
  lbPropertyDial_->setText(Q(PickText("Dial number", "拨号")));
}

void TfmProperties::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    Relabel();
    CenterOnScreen(*this);
  }
  QDialog::showEvent(event);
}

}  // namespace vorel

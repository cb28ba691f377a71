#include "ui/port_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "core/language.h"
#include "link/tcp_port.h"
#include "ui/center_on_screen.h"
#include "ui/qt_text.h"

namespace vorel {

PortSettingsDialog::PortSettingsDialog(QWidget* parent)
    : QDialog(parent),
      portLabel_(new QLabel(this)),
      ccbPort_(new QComboBox(this)),
      tcpNote_(new QLabel(this)),
      modemCheck_(new QCheckBox(this)),
      dialLabel_(new QLabel(this)),
      edTelNum_(new QLineEdit(kDefaultDialNumber, this)),
      echoCheck_(new QCheckBox(this)),
      okButton_(new QPushButton("OK", this)),
      cancelButton_(new QPushButton("Cancel", this)) {
  setObjectName("fmProperties");
  portLabel_->setObjectName("lbPropertyComPort");
  ccbPort_->setObjectName("ccbPort");
  tcpNote_->setObjectName("lbTcpNote");
  modemCheck_->setObjectName("cbPropertyModem");
  dialLabel_->setObjectName("lbPropertyDial");
  edTelNum_->setObjectName("edTelNum");
  echoCheck_->setObjectName("cbDiscardEcho");
  okButton_->setObjectName("btnOK");
  cancelButton_->setObjectName("btnCancel");

  // Editable, so that any device path (a symbolic link to a pseudo-terminal, say) can be used.
  ccbPort_->setEditable(true);
  ccbPort_->setInsertPolicy(QComboBox::NoInsert);
  ccbPort_->setMinimumWidth(220);
  ccbPort_->setEditText("COM1");
  portLabel_->setBuddy(ccbPort_);
  tcpNote_->setWordWrap(true);
  tcpNote_->setVisible(false);
  connect(ccbPort_, &QComboBox::editTextChanged, this, [this](const QString& text) {
    tcpNote_->setVisible(IsTcpPortName(text.trimmed().toStdString()));
  });
  dialLabel_->setBuddy(edTelNum_);
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(portLabel_);
  layout->addWidget(ccbPort_);
  layout->addWidget(tcpNote_);
  layout->addWidget(modemCheck_);
  layout->addWidget(dialLabel_);
  layout->addWidget(edTelNum_);
  layout->addWidget(echoCheck_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  Relabel();
}

void PortSettingsDialog::SetPortNames(const std::vector<std::string>& names) {
  QString typed = ccbPort_->currentText();
  ccbPort_->clear();
  for (const auto& name : names) ccbPort_->addItem(Q(name));
  ccbPort_->setEditText(typed);
}

void PortSettingsDialog::SetPortName(const std::string& name) {
  ccbPort_->setEditText(Q(name));
}

std::string PortSettingsDialog::PortName() const {
  return ccbPort_->currentText().trimmed().toStdString();
}

bool PortSettingsDialog::Modem() const {
  return modemCheck_->isChecked();
}

void PortSettingsDialog::SetModem(bool modem) {
  modemCheck_->setChecked(modem);
}

std::string PortSettingsDialog::DialNumber() const {
  return edTelNum_->text().toStdString();
}

bool PortSettingsDialog::DiscardEcho() const {
  return echoCheck_->isChecked();
}

void PortSettingsDialog::SetDiscardEcho(bool on) {
  echoCheck_->setChecked(on);
}

void PortSettingsDialog::Relabel() {
  setWindowTitle(Q(PickText("Properties", "属性")));
  portLabel_->setText(Q(PickText("Com Port", "通讯端口")));
  modemCheck_->setText(Q(PickText("Connect by modem", "调制解调器")));
  dialLabel_->setText(Q(PickText("Dial number", "拨号")));
  echoCheck_->setText(Q(PickText("Discard echo", "丢弃回送")));
  tcpNote_->setText(Q(PickText(
      "tcp://HOST:PORT: a serial device server. Baud rate, parity and stop bits are set on the "
      "server and are ignored here.",
      "tcp://主机:端口：串口服务器。波特率、校验位和停止位由服务器设置，此处不起作用。")));
}

void PortSettingsDialog::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    Relabel();
    CenterOnScreen(*this);
  }
  QDialog::showEvent(event);
}

}  // namespace vorel

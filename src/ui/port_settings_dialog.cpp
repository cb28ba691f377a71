#include "ui/port_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "control/settings.h"
#include "core/language.h"
#include "link/tcp_port.h"
#include "ui/center_on_screen.h"
#include "ui/qt_text.h"

namespace vorel {
namespace {

// The choices of the lists, in their order, with their texts in both languages.
template <typename T>
struct Choice {
  T value;
  BilingualText text;
};

constexpr Choice<Parity> kParityChoices[] = {
    {Parity::None, {"None", "无"}},     {Parity::Odd, {"Odd", "奇"}},
    {Parity::Even, {"Even", "偶"}},     {Parity::Mark, {"Mark", "标记"}},
    {Parity::Space, {"Space", "空格"}},
};
constexpr Choice<StopBits> kStopBitChoices[] = {
    {StopBits::One, {"1", "1"}},
    {StopBits::OnePointFive, {"1.5", "1.5"}},
    {StopBits::Two, {"2", "2"}},
};
// Custom (the port's lines left as they are) is the last one and offered only when present.
constexpr Choice<FlowControl> kFlowChoices[] = {
    {FlowControl::None, {"None", "无"}},
    {FlowControl::RtsCts, {"Hardware (RTS/CTS)", "硬件 (RTS/CTS)"}},
    {FlowControl::XonXoff, {"Software (XON/XOFF)", "软件 (XON/XOFF)"}},
    {FlowControl::Custom, {"Custom (as the port is set)", "自定义（保持端口现有设置）"}},
};
constexpr int kDataBitChoices[] = {5, 6, 7, 8};
constexpr int kMaxBaud = 4000000;

template <typename T, std::size_t N>
void SelectValue(QComboBox* box, const Choice<T> (&choices)[N], T value) {
  for (std::size_t i = 0; i < N && static_cast<int>(i) < box->count(); ++i)
    if (choices[i].value == value) box->setCurrentIndex(static_cast<int>(i));
}

template <typename T, std::size_t N>
T SelectedValue(const QComboBox* box, const Choice<T> (&choices)[N], T fallback) {
  const int i = box->currentIndex();
  return i >= 0 && static_cast<std::size_t>(i) < N ? choices[i].value : fallback;
}

template <typename T, std::size_t N>
void RelabelChoices(QComboBox* box, const Choice<T> (&choices)[N]) {
  for (int i = 0; i < box->count() && static_cast<std::size_t>(i) < N; ++i)
    box->setItemText(i, Q(choices[i].text.Pick()));
}

}  // namespace

PortSettingsDialog::PortSettingsDialog(QWidget* parent)
    : QDialog(parent),
      portLabel_(new QLabel(this)),
      ccbPort_(new QComboBox(this)),
      tcpNote_(new QLabel(this)),
      baudLabel_(new QLabel(this)),
      cbBaudRate_(new QComboBox(this)),
      dataBitsLabel_(new QLabel(this)),
      cbDataBits_(new QComboBox(this)),
      parityLabel_(new QLabel(this)),
      cbParity_(new QComboBox(this)),
      stopBitsLabel_(new QLabel(this)),
      cbStopBits_(new QComboBox(this)),
      flowLabel_(new QLabel(this)),
      cbFlowControl_(new QComboBox(this)),
      detectButton_(new QPushButton(this)),
      modemCheck_(new QCheckBox(this)),
      dialLabel_(new QLabel(this)),
      edTelNum_(new QLineEdit(kDefaultDialNumber, this)),
      echoCheck_(new QCheckBox(this)),
      fastCheck_(new QCheckBox(this)),
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
  fastCheck_->setObjectName("cbFastReplies");
  okButton_->setObjectName("btnOK");
  cancelButton_->setObjectName("btnCancel");
  cbBaudRate_->setObjectName("cbBaudRate");
  cbDataBits_->setObjectName("cbDataBits");
  cbParity_->setObjectName("cbParity");
  cbStopBits_->setObjectName("cbStopBits");
  cbFlowControl_->setObjectName("cbFlowControl");
  detectButton_->setObjectName("btnDetect");

  // Any speed the adapter takes can be typed; the usual ones are listed.
  cbBaudRate_->setEditable(true);
  cbBaudRate_->setInsertPolicy(QComboBox::NoInsert);
  cbBaudRate_->setValidator(new QIntValidator(1, kMaxBaud, cbBaudRate_));
  for (std::string_view rate : StandardBaudRates()) cbBaudRate_->addItem(Q(std::string(rate)));
  for (int bits : kDataBitChoices) cbDataBits_->addItem(QString::number(bits));
  for (const auto& c : kParityChoices) cbParity_->addItem(Q(c.text.Pick()));
  for (const auto& c : kStopBitChoices) cbStopBits_->addItem(Q(c.text.Pick()));
  for (const auto& label : {baudLabel_, dataBitsLabel_, parityLabel_, stopBitsLabel_, flowLabel_})
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  baudLabel_->setBuddy(cbBaudRate_);
  dataBitsLabel_->setBuddy(cbDataBits_);
  parityLabel_->setBuddy(cbParity_);
  stopBitsLabel_->setBuddy(cbStopBits_);
  flowLabel_->setBuddy(cbFlowControl_);
  connect(detectButton_, &QPushButton::clicked, this, [this] {
    if (onDetect) onDetect();
  });
  SetLineSettings(PortSettings{});

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
  auto* line = new QGridLayout;
  const std::pair<QLabel*, QComboBox*> rows[] = {{baudLabel_, cbBaudRate_},
                                                 {dataBitsLabel_, cbDataBits_},
                                                 {parityLabel_, cbParity_},
                                                 {stopBitsLabel_, cbStopBits_},
                                                 {flowLabel_, cbFlowControl_}};
  int r = 0;
  for (const auto& [label, box] : rows) {
    line->addWidget(label, r, 0);
    line->addWidget(box, r++, 1);
  }
  line->addWidget(detectButton_, 0, 2);
  line->setColumnStretch(1, 1);
  layout->addLayout(line);
  layout->addWidget(modemCheck_, 0, Qt::AlignLeft);
  layout->addWidget(dialLabel_);
  layout->addWidget(edTelNum_);
  layout->addWidget(echoCheck_, 0, Qt::AlignLeft);
  layout->addWidget(fastCheck_, 0, Qt::AlignLeft);
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

bool PortSettingsDialog::FastReplies() const {
  return fastCheck_->isChecked();
}

void PortSettingsDialog::SetFastReplies(bool on) {
  fastCheck_->setChecked(on);
}

void PortSettingsDialog::SetLineSettings(const PortSettings& settings) {
  baud_ = settings.baud;
  cbBaudRate_->setEditText(QString::number(settings.baud));
  const int bits = cbDataBits_->findText(QString::number(settings.dataBits));
  cbDataBits_->setCurrentIndex(bits >= 0 ? bits : cbDataBits_->count() - 1);
  SelectValue(cbParity_, kParityChoices, settings.parity);
  SelectValue(cbStopBits_, kStopBitChoices, settings.stopBits);
  const bool custom = settings.flowControl == FlowControl::Custom;
  const int flows = static_cast<int>(std::size(kFlowChoices)) - (custom ? 0 : 1);
  cbFlowControl_->clear();
  for (int i = 0; i < flows; ++i) cbFlowControl_->addItem(Q(kFlowChoices[i].text.Pick()));
  SelectValue(cbFlowControl_, kFlowChoices, settings.flowControl);
}

PortSettings PortSettingsDialog::LineSettings(PortSettings base) const {
  bool ok = false;
  const int baud = cbBaudRate_->currentText().trimmed().toInt(&ok);
  base.baud = ok && baud > 0 && baud <= kMaxBaud ? baud : baud_;
  base.dataBits = kDataBitChoices[std::max(0, cbDataBits_->currentIndex())];
  base.parity = SelectedValue(cbParity_, kParityChoices, base.parity);
  base.stopBits = SelectedValue(cbStopBits_, kStopBitChoices, base.stopBits);
  base.flowControl = SelectedValue(cbFlowControl_, kFlowChoices, base.flowControl);
  return base;
}

void PortSettingsDialog::Relabel() {
  setWindowTitle(Q(PickText("Properties", "属性")));
  portLabel_->setText(Q(PickText("Com Port", "通讯端口")));
  modemCheck_->setText(Q(PickText("Connect by modem", "调制解调器")));
  dialLabel_->setText(Q(PickText("Dial number", "拨号")));
  echoCheck_->setText(Q(PickText("Discard echo", "丢弃回送")));
  fastCheck_->setText(
      Q(PickText("Complete replies at their last byte", "收到最后一个字节即完成应答")));
  fastCheck_->setToolTip(Q(PickText("Off: replies are collected in steps of 100 ms.",
                                    "关闭时按 100 毫秒的步长接收应答。")));
  baudLabel_->setText(Q(PickText("Baud rate", "波特率")));
  dataBitsLabel_->setText(Q(PickText("Data bits", "数据位")));
  parityLabel_->setText(Q(PickText("Parity", "校验位")));
  stopBitsLabel_->setText(Q(PickText("Stop bits", "停止位")));
  flowLabel_->setText(Q(PickText("Flow control", "流控制")));
  detectButton_->setText(Q(PickText("Detect...", "检测...")));
  detectButton_->setToolTip(
      Q(PickText("Scans the line at every speed and takes the speed and the addresses that answer.",
                 "以每种波特率扫描线路，采用应答的波特率和地址。")));
  okButton_->setText(Q(PickText("OK", "确定")));
  cancelButton_->setText(Q(PickText("Cancel", "取消")));
  RelabelChoices(cbParity_, kParityChoices);
  RelabelChoices(cbFlowControl_, kFlowChoices);
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

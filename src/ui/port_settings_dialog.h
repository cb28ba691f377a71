// The Properties window: the port (any name the user types, or one of the machine's serial
// ports, or tcp://HOST:PORT for a serial device server), its line settings (speed, data bits,
// parity, stop bits, flow control; Detect finds the speed and the addresses by a line scan), the
// modem option, the dial number, "Discard echo" for adapters that hear their own requests and
// "Complete replies at their last byte" (no 100 ms collection steps). Its
// controls keep their states between showings; the dial number is never stored in a file.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "link/serial_port.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vorel {

// The dial field starts empty: there is no number that would be right for every user.
inline constexpr const char* kDefaultDialNumber = "";

class PortSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit PortSettingsDialog(QWidget* parent = nullptr);

  void SetPortNames(const std::vector<std::string>& names);
  void SetPortName(const std::string& name);
  std::string PortName() const;
  bool Modem() const;
  void SetModem(bool modem);
  std::string DialNumber() const;
  bool DiscardEcho() const;
  void SetDiscardEcho(bool on);
  bool FastReplies() const;
  void SetFastReplies(bool on);
  // Speed, data bits, parity, stop bits and flow control. Custom flow control is offered only
  // while the settings hold it; a typed speed that is not a positive number keeps the last one.
  void SetLineSettings(const PortSettings& settings);
  PortSettings LineSettings(PortSettings base) const;
  // Detect: scans the line at every speed; the speed it finds comes back by SetLineSettings.
  std::function<void()> onDetect;

  // Caption and label texts in the current language.
  void Relabel();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* portLabel_;
  QComboBox* ccbPort_;
  QLabel* tcpNote_;
  QLabel* baudLabel_;
  QComboBox* cbBaudRate_;
  QLabel* dataBitsLabel_;
  QComboBox* cbDataBits_;
  QLabel* parityLabel_;
  QComboBox* cbParity_;
  QLabel* stopBitsLabel_;
  QComboBox* cbStopBits_;
  QLabel* flowLabel_;
  QComboBox* cbFlowControl_;
  QPushButton* detectButton_;
  int baud_ = 9600;
  QCheckBox* modemCheck_;
  QLabel* dialLabel_;
  QLineEdit* edTelNum_;
  QCheckBox* echoCheck_;
  QCheckBox* fastCheck_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
};

}  // namespace vorel

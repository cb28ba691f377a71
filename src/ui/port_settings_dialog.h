// The Properties window: the port (any name the user types, or one of the machine's serial
// ports, or tcp://HOST:PORT for a serial device server), the modem option, the dial number and
// "Discard echo" for adapters that hear their own requests. Its controls keep their states
// between showings; the dial number is never stored in a file.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
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

  // Caption and label texts in the current language.
  void Relabel();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* portLabel_;
  QComboBox* ccbPort_;
  QLabel* tcpNote_;
  QCheckBox* modemCheck_;
  QLabel* dialLabel_;
  QLineEdit* edTelNum_;
  QCheckBox* echoCheck_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
};

}  // namespace vorel

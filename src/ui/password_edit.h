// The editor of a four-digit password: each position holds a digit or is blank (a blank counts
// as 0 when the password is sent). A typed digit shows as "*", a blank position as the blank
// character, so the user sees how many digits are typed and where. The positions are kept here
// rather than in a Qt input mask, whose text drops blank positions and whose password echo
// hides them.
#pragma once

#include <QChar>
#include <QLineEdit>
#include <string>
#include <string_view>

namespace vorel {

class PasswordEdit : public QLineEdit {
  Q_OBJECT
 public:
  PasswordEdit(int positions, QChar blank, QWidget* parent = nullptr);

  // One character per position: the digit, or a space where the position is blank.
  const std::string& Digits() const { return digits_; }
  // Shows `digits` (non-digits and missing positions are blank); not reported as an edit.
  void SetDigits(std::string_view digits);

 signals:
  void digitsEdited();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Blanks the selected positions; returns where the selection started (or the cursor).
  int BlankSelection();
  void Render(int cursor);

  std::string digits_;
  QChar blank_;
};

}  // namespace vorel

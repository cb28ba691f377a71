#include "ui/password_edit.h"

#include <QKeyEvent>
#include <QString>
#include <algorithm>

namespace vorel {

PasswordEdit::PasswordEdit(int positions, QChar blank, QWidget* parent)
    : QLineEdit(parent),
      digits_(static_cast<std::size_t>(std::max(positions, 1)), ' '),
      blank_(blank) {
  setMaxLength(static_cast<int>(digits_.size()));
  // The shown stars are no text of their own: nothing may be pasted, dropped or cut into them.
  setContextMenuPolicy(Qt::NoContextMenu);
  setAcceptDrops(false);
  Render(0);
}

void PasswordEdit::SetDigits(std::string_view digits) {
  for (std::size_t k = 0; k < digits_.size(); ++k) {
    const char c = k < digits.size() ? digits[k] : ' ';
    digits_[k] = c >= '0' && c <= '9' ? c : ' ';
  }
  Render(0);
}

int PasswordEdit::BlankSelection() {
  if (!hasSelectedText()) return cursorPosition();
  const int start = selectionStart();
  const int end =
      std::min(start + static_cast<int>(selectedText().size()), static_cast<int>(digits_.size()));
  for (int k = start; k < end; ++k) digits_[static_cast<std::size_t>(k)] = ' ';
  return start;
}

void PasswordEdit::keyPressEvent(QKeyEvent* event) {
  const int size = static_cast<int>(digits_.size());
  const QString text = event->text();
  const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  const bool digit = text.size() == 1 && text[0].isDigit() && text[0].unicode() < 128;
  if (plain && (digit || text == " ")) {
    // A digit overwrites its position, as in a masked field; a space leaves it blank.
    const int pos = BlankSelection();
    if (pos < size) digits_[static_cast<std::size_t>(pos)] = digit ? text[0].toLatin1() : ' ';
    Render(std::min(pos + 1, size));
    emit digitsEdited();
    return;
  }
  if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) {
    int pos = cursorPosition();
    if (hasSelectedText()) {
      pos = BlankSelection();
    } else if (event->key() == Qt::Key_Backspace) {
      if (pos > 0) digits_[static_cast<std::size_t>(--pos)] = ' ';
    } else if (pos < size) {
      digits_[static_cast<std::size_t>(pos)] = ' ';
    }
    Render(pos);
    emit digitsEdited();
    return;
  }
  const bool edits = event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) ||
                     event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo) ||
                     event->matches(QKeySequence::DeleteStartOfWord) ||
                     event->matches(QKeySequence::DeleteEndOfWord) ||
                     event->matches(QKeySequence::DeleteEndOfLine) ||
                     (plain && !text.isEmpty() && text[0].isPrint());
  if (edits) {
    event->accept();  // letters and editing shortcuts change nothing
    return;
  }
  QLineEdit::keyPressEvent(event);  // cursor movement, selection, Enter, Escape
}

void PasswordEdit::Render(int cursor) {
  QString shown;
  for (char c : digits_) shown += c == ' ' ? blank_ : QChar('*');
  setText(shown);
  setCursorPosition(cursor);
}

}  // namespace vorel

#include "ui/grid_editors.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QTimeEdit>

#include "ui/grid_notices.h"
#include "ui/password_edit.h"
#include "ui/qt_text.h"

namespace vorel {

SpinEdit::SpinEdit(QWidget* parent) : QDoubleSpinBox(parent) {}

namespace {

// A number in the locale with at most `decimals` digits after the separator.
std::optional<double> ParseTyped(const QLocale& locale, const QString& text, int decimals) {
  const QString t = text.trimmed();
  const int point = t.indexOf(locale.decimalPoint());
  if (point >= 0 && t.size() - point - 1 > decimals) return std::nullopt;
  bool ok = false;
  const double value = locale.toDouble(t, &ok);
  if (!ok) return std::nullopt;
  return value;
}

}  // namespace

QValidator::State SpinEdit::validate(QString& text, int& pos) const {
  const QValidator::State state = QDoubleSpinBox::validate(text, pos);
  if (state != QValidator::Invalid) return state;
  return ParseTyped(locale(), text, decimals()) ? QValidator::Intermediate : state;
}

std::optional<double> SpinEdit::TypedNumber() const {
  return ParseTyped(locale(), lineEdit()->text(), decimals());
}

namespace {

// A spin editor whose limits are equal (a register no descriptor names) has no limits.
constexpr double kOpenLimit = 1e9;

class ShowingGuard {
 public:
  explicit ShowingGuard(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
  ~ShowingGuard() { flag_ = saved_; }
  ShowingGuard(const ShowingGuard&) = delete;
  ShowingGuard& operator=(const ShowingGuard&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

}  // namespace

QString QtInputMask(std::string_view editMask) {
  const std::size_t end = editMask.find(';');
  const std::string_view mask = editMask.substr(0, end);
  QString blank = "_";
  if (end != std::string_view::npos) {
    const std::size_t second = editMask.find(';', end + 1);
    if (second != std::string_view::npos && second + 1 < editMask.size())
      blank = QString(QChar(editMask[second + 1]));
  }
  QString qt;
  for (char c : mask) {
    switch (c) {
      case '!':
        break;
      case '0':
        qt += '9';
        break;
      case '9':
        qt += '0';
        break;
      case 'a':
        qt += 'n';
        break;
      case 'A':
        qt += 'N';
        break;
      case 'c':
        qt += 'x';
        break;
      case 'C':
        qt += 'X';
        break;
      case 'l':
        qt += 'a';
        break;
      case 'L':
        qt += 'A';
        break;
      default:
        qt += QChar(c);
        break;
    }
  }
  return qt + ";" + blank;
}

QString LocaleNumber(const std::string& text) {
  QString q = Q(text);
  const QString point = QLocale().decimalPoint();
  if (point != ".") q.replace('.', point);
  return q;
}

GridEditors::GridEditors(EditorModel& model, QObject* parent) : QObject(parent), model_(model) {
  widgets_.resize(model.size(), nullptr);
  parents_.resize(model.size(), nullptr);
  opened_.resize(model.size());
  typedOutside_.resize(model.size());
}

void GridEditors::SetParentOf(std::size_t row, QWidget* grid) {
  if (row < parents_.size()) parents_[row] = grid;
}

QWidget* GridEditors::Ensure(std::size_t row) {
  if (row >= widgets_.size()) return nullptr;
  if (!widgets_[row] && parents_[row]) Create(row);
  return widgets_[row];
}

QWidget* GridEditors::Create(std::size_t row) {
  QWidget* grid = parents_[row];
  const ParameterRow& r = EditorModel::Rows()[row];
  QWidget* w = nullptr;
  switch (r.kind) {
    case EditorKind::Spin: {
      auto* spin = new SpinEdit(grid);
      spin->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
      spin->setAccelerated(true);
      spin->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (r.maxLength > 0) spin->lineEdit()->setMaxLength(r.maxLength);
      connect(spin, &QDoubleSpinBox::valueChanged, this, [this, row](double value) {
        if (showing_) return;
        model_[row].number = value;
        emit edited(row);
      });
      // A typed value outside the limits reaches the model as its nearest limit at once, so
      // that closing the row stores the limit and not the last value inside them.
      connect(spin->lineEdit(), &QLineEdit::textEdited, this, [this, row, spin] {
        if (showing_) return;
        const std::optional<double> typed = spin->TypedNumber();
        typedOutside_[row].reset();
        if (!typed || (*typed >= spin->minimum() && *typed <= spin->maximum())) return;
        typedOutside_[row] = *typed;
        model_[row].number = std::clamp(*typed, spin->minimum(), spin->maximum());
        emit edited(row);
      });
      w = spin;
      break;
    }
    case EditorKind::List: {
      auto* list = new QComboBox(grid);
      connect(list, &QComboBox::activated, this, [this, row](int index) {
        model_[row].index = index;
        emit edited(row);
      });
      w = list;
      break;
    }
    case EditorKind::MaskedText: {
      if (r.conversion == Conversion::None) {
        // A password: its blank positions count, so they are kept as positions.
        auto* password =
            new PasswordEdit(r.maxLength > 0 ? r.maxLength : 4, QtInputMask(r.mask).back(), grid);
        connect(password, &PasswordEdit::digitsEdited, this, [this, row, password] {
          if (showing_) return;
          model_[row].text = password->Digits();
          emit edited(row);
        });
        w = password;
        break;
      }
      auto* edit = new QLineEdit(grid);
      // The generator name and the serial number are upper case.
      const bool upper =
          r.conversion == Conversion::GeneratorName || r.conversion == Conversion::SerialNumber;
      edit->setInputMask((upper ? ">" : "") + QtInputMask(r.mask));
      if (r.maxLength > 0) edit->setMaxLength(r.maxLength);
      connect(edit, &QLineEdit::textEdited, this, [this, row, edit] {
        if (showing_) return;
        model_[row].text = edit->text().toStdString();
        emit edited(row);
      });
      w = edit;
      break;
    }
    case EditorKind::Date: {
      auto* date = new QDateEdit(grid);
      date->setDisplayFormat("yyyy-MM-dd");
      connect(date, &QDateEdit::dateChanged, this, [this, row](QDate d) {
        if (showing_) return;
        model_[row].date = {d.year(), d.month(), d.day()};
        model_[row].changed = true;
        emit edited(row);
      });
      w = date;
      break;
    }
    case EditorKind::Time: {
      auto* time = new QTimeEdit(grid);
      time->setDisplayFormat("HH:mm:ss");
      connect(time, &QTimeEdit::timeChanged, this, [this, row](QTime t) {
        if (showing_) return;
        model_[row].time = {t.hour(), t.minute(), t.second()};
        model_[row].changed = true;
        emit edited(row);
      });
      w = time;
      break;
    }
    case EditorKind::CheckBox: {
      auto* box = new QCheckBox(grid);
      connect(box, &QCheckBox::toggled, this, [this, row](bool on) {
        if (showing_) return;
        model_[row].checked = on;
        emit edited(row);
      });
      w = box;
      break;
    }
  }
  w->setObjectName(Q(r.name));
  if (!r.hint.empty()) w->setToolTip(Q(r.hint));
  // The keys of an open editor reach the spin box or its text field, whichever has focus.
  w->setProperty("gridRow", static_cast<qulonglong>(row));
  w->installEventFilter(this);
  if (auto* spin = qobject_cast<SpinEdit*>(w)) {
    spin->lineEdit()->setProperty("gridRow", static_cast<qulonglong>(row));
    spin->lineEdit()->installEventFilter(this);
  }
  if (r.kind != EditorKind::CheckBox) w->hide();
  widgets_[row] = w;
  FillItems(row);
  Show(row);
  return w;
}

void GridEditors::FillItems(std::size_t row) {
  auto* list = qobject_cast<QComboBox*>(Widget(row));
  if (!list) return;
  ShowingGuard guard(showing_);
  list->clear();
  for (const BilingualText& item : EditorModel::Rows()[row].items) list->addItem(Q(item.Pick()));
  list->setCurrentIndex(model_[row].index < list->count() ? model_[row].index : -1);
}

void GridEditors::RefillList(std::size_t row) {
  if (row >= widgets_.size() || EditorModel::Rows()[row].kind != EditorKind::List) return;
  // The protocol list has no register: it keeps showing its only item.
  if (EditorModel::Rows()[row].conversion != Conversion::None) model_[row].index = -1;
  FillItems(row);
}

void GridEditors::RelabelLists() {
  for (std::size_t row = 0; row < widgets_.size(); ++row) FillItems(row);
}

void GridEditors::Show(std::size_t row) {
  QWidget* w = Widget(row);
  if (!w) return;
  ShowingGuard guard(showing_);
  const EditorValue& v = model_[row];
  w->setEnabled(v.enabled);
  if (auto* spin = qobject_cast<QDoubleSpinBox*>(w)) {
    spin->setDecimals(v.decimals);
    spin->setSingleStep(model_.Step(row));
    if (v.minimum < v.maximum) {
      spin->setRange(v.minimum, v.maximum);
      const QString hint = Q(EditorModel::Rows()[row].hint);
      const QString range =
          RangeTip(spin->textFromValue(v.minimum), spin->textFromValue(v.maximum));
      spin->setToolTip(hint.isEmpty() ? range : hint + "\n" + range);
    } else {
      spin->setRange(-kOpenLimit, kOpenLimit);
    }
    spin->setValue(v.number);
  } else if (auto* list = qobject_cast<QComboBox*>(w)) {
    list->setCurrentIndex(v.index < list->count() ? v.index : -1);
  } else if (auto* password = qobject_cast<PasswordEdit*>(w)) {
    password->SetDigits(v.text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    edit->setText(Q(v.text));
  } else if (auto* date = qobject_cast<QDateEdit*>(w)) {
    date->setDate(QDate(v.date.year, v.date.month, v.date.day));
  } else if (auto* time = qobject_cast<QTimeEdit*>(w)) {
    time->setTime(QTime(v.time.hour, v.time.minute, v.time.second));
  } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
    box->setChecked(v.checked);
  }
}

void GridEditors::Begin(std::size_t row) {
  if (row >= opened_.size()) return;
  opened_[row] = model_[row];
  typedOutside_[row].reset();
}

void GridEditors::Revert(std::size_t row) {
  if (row >= opened_.size() || !opened_[row]) return;
  model_[row] = *opened_[row];
  typedOutside_[row].reset();
  Show(row);
  emit edited(row);
}

bool GridEditors::Settle(std::size_t row) {
  if (row >= typedOutside_.size() || !typedOutside_[row]) return false;
  const double typed = *typedOutside_[row];
  typedOutside_[row].reset();
  Show(row);  // the editor shows the limit the model holds
  emit clamped(row, typed, model_[row].number);
  return true;
}

bool GridEditors::eventFilter(QObject* watched, QEvent* event) {
  const QVariant rowProperty = watched->property("gridRow");
  if (!rowProperty.isValid()) return QObject::eventFilter(watched, event);
  const auto row = static_cast<std::size_t>(rowProperty.toULongLong());
  if (event->type() == QEvent::FocusOut) {
    // Leaving a spin editor (a click on Write, another window) shows the limit it took.
    Settle(row);
    return false;
  }
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  const EditorKind kind = EditorModel::Rows()[row].kind;
  // Up and Down move between rows where they do not choose (lists) or step a field (pickers);
  // the spin arrows and PgUp/PgDn still change a number.
  const bool arrowsMove = kind == EditorKind::Spin || kind == EditorKind::MaskedText;
  switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
      if (!arrowsMove || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
      emit moveRequested(row, key->key() == Qt::Key_Up ? -1 : 1);
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      emit moveRequested(row, 1);
      return true;
    case Qt::Key_Escape:
      emit revertRequested(row);
      return true;
    default:
      return false;
  }
}

void GridEditors::ShowAll() {
  for (std::size_t row = 0; row < widgets_.size(); ++row) Show(row);
}

}  // namespace vorel

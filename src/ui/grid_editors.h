// The in-place editors of the setpoint grids: one widget per row of the parameter table, a
// child of its grid, bound to the editor model. Model -> widget whenever the window shows
// values; widget -> model only when the user changes the widget, so a value the widget cannot
// show exactly (a spin box rounds to its decimals and keeps to its range) stays exact in the
// model until it is really edited. The model holds every value, so a widget is made only when
// its row is first edited (32 windows of some 90 editors each stay light).
#pragma once

#include <QDoubleSpinBox>
#include <QObject>
#include <QString>
#include <cstddef>
#include <optional>
#include <vector>

#include "core/editor_model.h"

class QWidget;

namespace vorel {

// A spin editor whose text field can be limited to a number of characters.
class SpinEdit : public QDoubleSpinBox {
  Q_OBJECT
 public:
  using QDoubleSpinBox::lineEdit;
  explicit SpinEdit(QWidget* parent = nullptr);

  // A number outside the limits may be typed (the editors take it to the model as the
  // nearest limit) instead of the keystroke being dropped.
  QValidator::State validate(QString& text, int& pos) const override;
  // The typed text as a number (nullopt while it is not one), not bounded by the limits.
  std::optional<double> TypedNumber() const;
};

// The Qt input mask of an edit mask "mask;save literals;blank": "0" a required digit, "9" an
// optional digit, "a"/"A" an optional/required letter or digit, "c"/"C" an optional/required
// character, "l"/"L" an optional/required letter, "!" dropped, ">" and "<" kept.
QString QtInputMask(std::string_view editMask);

// A number in the locale's decimal separator (the model's texts use ".").
QString LocaleNumber(const std::string& text);

class GridEditors : public QObject {
  Q_OBJECT
 public:
  explicit GridEditors(EditorModel& model, QObject* parent = nullptr);

  // The grid (viewport) whose child the row's widget becomes.
  void SetParentOf(std::size_t row, QWidget* grid);
  // The widget of a row, made (hidden, showing the model) on first use.
  QWidget* Ensure(std::size_t row);
  // The widget of a row if it was made, else nullptr.
  QWidget* Widget(std::size_t row) const { return row < widgets_.size() ? widgets_[row] : nullptr; }

  // Model -> widget: value, decimals, increment, limits and enabled state; the list items in
  // the current language.
  void Show(std::size_t row);
  void ShowAll();
  // Refills a list's items in the current language; the selection is cleared (in the model
  // too), as the load pass sets it again.
  void RefillList(std::size_t row);
  // Every list made so far in the current language, keeping its selection.
  void RelabelLists();

  // The row's editor was opened: Escape goes back to the value it holds now.
  void Begin(std::size_t row);
  // Escape: the row's value as its editor opened.
  void Revert(std::size_t row);
  // A number typed outside the limits (the model took the nearest limit) is told once by
  // `clamped` and the editor shows the limit; true when there was one.
  bool Settle(std::size_t row);

 signals:
  // The user changed the editor of a row (the model holds the new value).
  void edited(std::size_t row);
  // Keys of an open editor: Up (-1), Down and Enter (+1) leave it for the row above or below;
  // Escape asks for the value it opened with.
  void moveRequested(std::size_t row, int step);
  void revertRequested(std::size_t row);
  // A typed number outside the limits became the limit.
  void clamped(std::size_t row, double typed, double limit);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* Create(std::size_t row);
  // The list's items in the current language; the model's selection is shown.
  void FillItems(std::size_t row);

  EditorModel& model_;
  std::vector<QWidget*> widgets_;
  std::vector<QWidget*> parents_;
  std::vector<std::optional<EditorValue>> opened_;   // values as the editors opened
  std::vector<std::optional<double>> typedOutside_;  // typed numbers beyond the limits
  bool showing_ = false;  // widget changes made by Show are not the user's
};

}  // namespace vorel

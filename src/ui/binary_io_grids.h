// The binary inputs (grid sgBInput: function, alarm action, polarity, activity of each slot)
// and binary outputs (grid sgBoutput: function and polarity). Each slot's lists lie over the
// cells of the row that shows the slot while they are edited; which rows show which slots
// depends on the controller type.
#pragma once

#include <QComboBox>
#include <array>
#include <span>

#include "core/binary_io_layout.h"
#include "core/editor_model.h"
#include "core/vocabulary.h"
#include "ui/setpoint_grid.h"

namespace vorel {

class BinaryIoGrid : public StringGrid {
  Q_OBJECT
 public:
  enum class Kind { Inputs, Outputs };
  BinaryIoGrid(Kind kind, EditorModel& model, QWidget* parent);

  Kind GridKind() const { return kind_; }
  // The list of a slot (1 to 8) and column (1 to 4 for inputs, 1 and 2 for outputs), made on
  // first use.
  QComboBox* List(int slot, int column);

  void SetLayout(const BinaryIoLayout& layout) { layout_ = layout; }
  const BinaryIoLayout& Layout() const { return layout_; }
  // Column titles and the row titles ("BI"/"BO" and the slot) of the controller type.
  void SetTitles();
  // The function lists in the current language (a refill clears their selection).
  void FillFunctionLists();
  // The lists and the rows in the current language, keeping the choices.
  void RelabelLists();
  // Lists of all eight slots from the model, then the rows shown for the type (texts from the
  // slots' choices).
  void ShowSlots();
  void Rewrite();
  void HideLists();

 signals:
  void rowsRewritten();

 private:
  int SlotOfRow(int row) const;
  // Column widths that fit every text of both languages.
  void FitColumns();
  // The items of a column's lists in the current language.
  QStringList Items(int column) const;
  std::span<const BilingualText> Titles() const;
  // An existing list shows the model's choice.
  void ShowList(int slot, int column);
  // Every existing list refilled in the current language, showing the model's choice.
  void RefillLists();
  int& Choice(int slot, int column);

  Kind kind_;
  EditorModel& model_;
  BinaryIoLayout layout_;
  std::array<std::array<QComboBox*, 5>, 9> lists_{};  // [slot][column], index 0 unused
};

}  // namespace vorel

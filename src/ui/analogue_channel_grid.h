// The analogue input channels AI1 to AI3 (grid sgAnlg): per channel the lists of function,
// sensor type, alarm condition, alarm action, activity, unit and decimals laid over the
// channel's row while they are edited, and the curve button. The lists hold the choices of the
// editor model's channel settings.
#pragma once

#include <QComboBox>
#include <QToolButton>
#include <array>

#include "core/channel_tables.h"
#include "core/editor_model.h"
#include "ui/setpoint_grid.h"

namespace vorel {

class AnalogueChannelGrid : public StringGrid {
  Q_OBJECT
 public:
  AnalogueChannelGrid(EditorModel& model, QWidget* parent);

  // The list of a channel (0 to 2) and column (1 to 7), made on first use; the curve button of
  // a channel.
  QComboBox* List(int channel, int column);
  QToolButton* CurveButton(int channel) const { return curve_[static_cast<std::size_t>(channel)]; }

  // Title row and row titles (GridTitleChannelShow).
  void SetTitles();
  // The function lists in the current language (a refill clears their selection).
  void FillFunctionLists();
  // The lists and the rows in the current language, keeping the choices.
  void RelabelLists();
  // Lists, enables and the grid row of a channel from the model (after a decode or a change).
  void ShowChannel(int channel);
  void ShowAllChannels();
  // Grid row rewrite from the channel's choices ("--" for the sensor columns of types 0 to 2).
  void RewriteRow(int channel);
  void HideLists();

 signals:
  // The user chose an entry; the model holds it except for the function, which the window
  // applies (the type list follows the value image).
  void functionChosen(int channel, int position);
  void typeChanged(int channel);
  void unitChanged(int channel);
  void decimalsChanged(int channel);
  void curveClicked(int channel);
  void rowsRewritten();

 private:
  void ShowListOf(int row, int column);
  // Column widths (the given ones at least) that fit every text of both languages.
  void FitColumns();
  AnalogueChannelSettings& Channel(int channel);
  int& Choice(int channel, int column);
  // The items of a list in the current language (the type list of the channel's function).
  QStringList Items(int channel, int column);
  // The enable rule of the channel's sensor type.
  bool ListEnabled(int channel, int column);
  QComboBox* ExistingList(int channel, int column) const;
  // An existing list shows the model's choice (after a refill of its items if asked).
  void ShowList(int channel, int column, bool refill);

  EditorModel& model_;
  std::array<std::array<QComboBox*, 8>, 3> lists_{};  // [channel][column], column 0 unused
  std::array<QToolButton*, 3> curve_{};
};

}  // namespace vorel

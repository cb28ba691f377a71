// The sensor curve editor of one analogue channel (CurveEditor): a modal window with the ten
// points as a table (spin editors laid over the clicked cell), the curve drawn beside it, and
// Write and Exit, and Export.../Import... of the curve as a CSV file. The value image is the only
// store of the curve: the table is filled from it when the window opens and after every click, and
// a click collects the editors into it. A point dragged on the drawing changes its row; Undo
// takes back the edits one by one; while the site is online the channel's measured value is
// drawn as a point on the curve.
#pragma once

#include <QDialog>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/sensor_curve.h"

class QDoubleSpinBox;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace vorel {

class SiteCommands;
class SiteImages;

// The drawing area: the curve, its axes, zero line, crosses and the marker of the selected
// point, scaled to the area's size.
class CurveChart : public QWidget {
 public:
  static constexpr int kMinimumWidth = 313;
  static constexpr int kMinimumHeight = 209;
  explicit CurveChart(QWidget* parent);
  void Show(const SensorCurve& curve, int sensorType, int selectedPoint);
  // The channel's measured value in curve steps, drawn as a red dot on the curve; nothing
  // takes the dot away.
  void ShowMeasured(std::optional<int> value);
  // Where the measured dot stands now, nothing when none is drawn.
  std::optional<PlotPixel> MeasuredAt() const;

  // A press on a drawn point (1 to L) starts a drag; every move reports the point under the
  // mouse, on the scales the drawing had when the drag began.
  std::function<void(int point)> onDragStart;
  std::function<void(int point, CurvePoint where)> onDrag;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  CurvePlot Plot() const;

  SensorCurve curve_{};
  int sensorType_ = 0;
  int selectedPoint_ = 1;
  std::optional<int> measured_;
  int dragged_ = 0;  // the point being dragged, 0 while none
  CurvePlot dragPlot_;
};

class CurveEditor : public QDialog {
  Q_OBJECT
 public:
  CurveEditor(SiteImages& images, SiteCommands& commands, QWidget* parent);

  // The channel (0 to 2) of the site, with what the window's editors hold for it: the function
  // code, the sensor type code and the decimals position (-1 for none). Then the caption,
  // titles and table are set for opening.
  void SetChannel(int site, int channel, int functionCode, int sensorType, int decimals);

  int Channel() const { return channel_; }
  QTableWidget* Table() const { return table_; }
  CurveChart* Chart() const { return chart_; }
  QPushButton* WriteButton() const { return write_; }
  QPushButton* ExitButton() const { return exit_; }
  QPushButton* ExportButton() const { return export_; }
  QPushButton* ImportButton() const { return import_; }
  QPushButton* UndoButton() const { return undo_; }
  // Online: the measured value of the channel is drawn on the curve, read from the value image
  // at every refresh tick while the window is shown.
  void SetLive(bool live);
  // Reads the measured value now (the refresh tick).
  void RefreshMeasured();
  QSpinBox* ResistanceEditor(int point) const;   // point 1 to 10
  QDoubleSpinBox* ValueEditor(int point) const;  // point 1 to 10
  // The editors' points as they would be collected (values truncated to the decimals).
  SensorCurve Collected() const;

  // The file name for Export (`save`) or Import, nothing when cancelled; and a message to the
  // user. By default the file dialogs and a message box; tests set their own.
  std::function<std::optional<std::string>(bool save)> chooseFile;
  std::function<void(const std::string& text)> showMessage;

 signals:
  // A write reached the controller: the channel's sensor type is now "User defined".
  void curveWritten(int channel);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ApplyTexts();
  void FillFromImage();
  void CollectIntoImage();
  void HideEditors();
  void OnCellClicked(int row, int column);
  void OnTitleClicked();
  void OnWrite();
  void OnExport();
  void OnImport();
  void OnUndo();
  // The curve before an edit, for Undo (a repeat of the last one is not kept twice).
  void Remember(const SensorCurve& before);
  void OnDragStart(int point);
  void OnDrag(int point, CurvePoint where);

  SiteImages& images_;
  SiteCommands& commands_;
  int site_ = 0;
  int channel_ = 0;
  int functionCode_ = 0;
  int sensorType_ = 0;
  int decimals_ = 0;
  int selectedPoint_ = 1;
  QTableWidget* table_ = nullptr;
  CurveChart* chart_ = nullptr;
  QPushButton* write_ = nullptr;
  QPushButton* exit_ = nullptr;
  QPushButton* export_ = nullptr;
  QPushButton* import_ = nullptr;
  QPushButton* undo_ = nullptr;
  std::vector<SensorCurve> undoSteps_;
  bool live_ = false;
  QTimer* liveTimer_ = nullptr;
  std::array<QSpinBox*, kCurvePoints> resistance_{};
  std::array<QDoubleSpinBox*, kCurvePoints> value_{};
};

}  // namespace vorel

// The sensor curve editor of one analogue channel (CurveEditor): a modal window with the ten
// points as a table (spin editors laid over the clicked cell), the curve drawn beside it, and
// Write and Exit, and Export.../Import... of the curve as a CSV file. The value image is the only
// store of the curve: the table is filled from it when the window opens and after every click, and
// a click collects the editors into it.
#pragma once

#include <QDialog>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "core/sensor_curve.h"

class QDoubleSpinBox;
class QPushButton;
class QSpinBox;
class QTableWidget;

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

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  SensorCurve curve_{};
  int sensorType_ = 0;
  int selectedPoint_ = 1;
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
  std::array<QSpinBox*, kCurvePoints> resistance_{};
  std::array<QDoubleSpinBox*, kCurvePoints> value_{};
};

}  // namespace vorel

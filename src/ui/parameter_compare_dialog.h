// "Compare with file..." of the parameter window: the parameters in which the window's editors
// and a parameter file differ, one row each (title, value in the window, value in the file,
// unit, key), or "No differences." when there are none. Shown modally.
#pragma once

#include <QDialog>

#include "files/parameter_compare.h"

class QLabel;
class QTableWidget;

namespace vorel {

class ParameterCompareDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ParameterCompareDialog(const ParameterComparison& comparison, QWidget* parent = nullptr);

  QTableWidget* Table() const { return table_; }
  QLabel* NoDifferencesLabel() const { return noDifferences_; }

 private:
  QTableWidget* table_ = nullptr;
  QLabel* noDifferences_ = nullptr;
};

}  // namespace vorel

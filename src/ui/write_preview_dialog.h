// The Write preview of the parameter window: what the write will change (parameter, now, new,
// unit), with tick boxes to include the controller address and the engine counters when the
// list touches them (left as the controller has them otherwise). Nothing is sent before OK.
#pragma once

#include <QDialog>
#include <vector>

#include "control/write_preflight.h"
#include "files/parameter_compare.h"

class QCheckBox;
class QTableWidget;

namespace vorel {

class WritePreviewDialog : public QDialog {
  Q_OBJECT
 public:
  WritePreviewDialog(const std::vector<ParameterDifference>& changes, bool offerAddress,
                     bool offerCounters, QWidget* parent = nullptr);

  QTableWidget* Table() const { return table_; }
  QCheckBox* IncludeAddress() const { return includeAddress_; }
  QCheckBox* IncludeCounters() const { return includeCounters_; }
  // The options the tick boxes stand for.
  PreflightOptions Options() const;

 private:
  QTableWidget* table_ = nullptr;
  QCheckBox* includeAddress_ = nullptr;
  QCheckBox* includeCounters_ = nullptr;
};

}  // namespace vorel

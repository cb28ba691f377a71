// The fields of a service report (customer, site, technician, notes), asked before the save
// dialog, filled with what was kept for the controller.
#pragma once

#include <QDialog>

#include "core/report_fields.h"

class QLineEdit;
class QPlainTextEdit;

namespace vorel {

class ReportFieldsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ReportFieldsDialog(const ReportFields& fields, QWidget* parent = nullptr);

  // What the edits hold now.
  ReportFields Fields() const;

 private:
  QLineEdit* customer_ = nullptr;
  QLineEdit* site_ = nullptr;
  QLineEdit* technician_ = nullptr;
  QPlainTextEdit* notes_ = nullptr;
};

}  // namespace vorel

#include "ui/report_fields_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/language.h"
#include "ui/qt_text.h"

namespace vorel {

ReportFieldsDialog::ReportFieldsDialog(const ReportFields& fields, QWidget* parent)
    : QDialog(parent) {
  setObjectName("ReportFieldsDialog");
  setWindowTitle(Q(PickText("Service report", "维护报告")));
  const auto edit = [this](const char* name, const std::string& text) {
    auto* line = new QLineEdit(Q(text), this);
    line->setObjectName(name);
    return line;
  };
  customer_ = edit("edReportCustomer", fields.customer);
  site_ = edit("edReportSite", fields.site);
  technician_ = edit("edReportTechnician", fields.technician);
  notes_ = new QPlainTextEdit(Q(fields.notes), this);
  notes_->setObjectName("edReportNotes");
  notes_->setTabChangesFocus(true);

  auto* form = new QFormLayout;
  form->addRow(Q(PickText("Customer:", "客户：")), customer_);
  form->addRow(Q(PickText("Site:", "现场：")), site_);
  form->addRow(Q(PickText("Technician:", "技术员：")), technician_);
  form->addRow(Q(PickText("Notes:", "备注：")), notes_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(Q(PickText("OK", "确定")));
  buttons->button(QDialogButtonBox::Cancel)->setText(Q(PickText("Cancel", "取消")));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  resize(480, 320);
}

ReportFields ReportFieldsDialog::Fields() const {
  return {customer_->text().toStdString(), site_->text().toStdString(),
          technician_->text().toStdString(), notes_->toPlainText().toStdString()};
}

}  // namespace vorel

#include "ui/write_preview_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/language.h"
#include "ui/difference_table.h"
#include "ui/qt_text.h"

namespace vorel {
namespace {

QString Pick(std::string_view english, std::string_view chinese) {
  return Q(PickText(english, chinese));
}

}  // namespace

WritePreviewDialog::WritePreviewDialog(const std::vector<ParameterDifference>& changes,
                                       bool offerAddress, bool offerCounters, QWidget* parent)
    : QDialog(parent) {
  setObjectName("fmWritePreview");
  setWindowTitle(Pick("Write parameters", "写参数"));

  auto* caption = new QLabel(Pick("These parameters will be written:", "将写入以下参数："), this);
  caption->setObjectName("lbWritePreview");
  table_ = MakeDifferenceTable(
      changes,
      {Pick("Parameter", "参数"), Pick("Now", "当前"), Pick("New", "新值"), Pick("Unit", "单位")},
      this);
  table_->setObjectName("sgChanges");
  // The parameter's name takes the room; the values and the unit keep their own width.
  QHeaderView* header = table_->horizontalHeader();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int column = 1; column < table_->columnCount(); ++column)
    header->setSectionResizeMode(column, QHeaderView::ResizeToContents);

  includeAddress_ = new QCheckBox(Pick("Include the controller address", "包括控制器地址"), this);
  includeAddress_->setObjectName("cbIncludeAddress");
  includeAddress_->setVisible(offerAddress);
  includeCounters_ = new QCheckBox(Pick("Include the engine counters", "包括发动机计数器"), this);
  includeCounters_->setObjectName("cbIncludeCounters");
  includeCounters_->setVisible(offerCounters);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setObjectName("btnOk");
  ok->setText(Pick("Write", "写入"));
  QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
  cancel->setObjectName("btnCancel");
  cancel->setText(Pick("Cancel", "取消"));
  // The list is read, not edited: the Write button has the focus.
  ok->setDefault(true);
  ok->setFocus();
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(caption);
  layout->addWidget(table_, 1);
  layout->addWidget(includeAddress_);
  layout->addWidget(includeCounters_);
  layout->addWidget(buttons);
  resize(560, 360);
}

PreflightOptions WritePreviewDialog::Options() const {
  PreflightOptions options;
  options.includeAddress = !includeAddress_->isHidden() && includeAddress_->isChecked();
  options.includeCounters = !includeCounters_->isHidden() && includeCounters_->isChecked();
  return options;
}

}  // namespace vorel

#include "ui/parameter_compare_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/language.h"
#include "files/difference_groups.h"
#include "ui/difference_table.h"
#include "ui/qt_text.h"

namespace vorel {
namespace {

QString Pick(std::string_view english, std::string_view chinese) {
  return Q(PickText(english, chinese));
}

}  // namespace

ParameterCompareDialog::ParameterCompareDialog(const ParameterComparison& comparison,
                                               QWidget* parent)
    : QDialog(parent) {
  setObjectName("fmCompare");
  setWindowTitle(Pick("Compare with file", "与文件比较") + " - " + Q(comparison.path));

  auto* file = new QLabel(Q(comparison.path), this);
  file->setObjectName("lbCompareFile");
  file->setTextInteractionFlags(Qt::TextSelectableByMouse);

  // By page, counters apart, values that show alike left out.
  const std::vector<ParameterDifference> rows =
      WithGroupHeadings(GroupDifferences(comparison.differences));
  table_ = MakeDifferenceTable(rows,
                               {Pick("Parameter", "参数"), Pick("This window", "本窗口"),
                                Pick("File", "文件"), Pick("Unit", "单位"), Pick("Key", "关键字")},
                               this);
  table_->setObjectName("sgDifferences");
  table_->setVisible(!rows.empty());

  noDifferences_ = new QLabel(Pick("No differences.", "没有差别。"), this);
  noDifferences_->setObjectName("lbNoDifferences");
  noDifferences_->setVisible(rows.empty());

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* close = buttons->button(QDialogButtonBox::Close);
  close->setObjectName("btnClose");
  close->setText(Pick("Close", "关闭"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(file);
  layout->addWidget(table_, 1);
  layout->addWidget(noDifferences_);
  layout->addWidget(buttons);
  resize(rows.empty() ? 360 : 640, rows.empty() ? 120 : 420);
}

}  // namespace vorel

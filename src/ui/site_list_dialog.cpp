#include "ui/site_list_dialog.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/language.h"
#include "ui/center_on_screen.h"
#include "ui/qt_text.h"

namespace vorel {
namespace {

constexpr int kRows = 16;
constexpr int kColumnWidths[] = {45, 94, 48, 93};
constexpr int kRowHeight = 19;

}  // namespace

SiteListDialog::SiteListDialog(QWidget* parent)
    : QDialog(parent),
      siteGrid_(new QTableWidget(kRows, 4, this)),
      okButton_(new QPushButton(this)),
      cancelButton_(new QPushButton(this)) {
  setObjectName("fmSiteAddr");
  siteGrid_->setObjectName("sgSiteAddr");
  okButton_->setObjectName("btnOK");
  cancelButton_->setObjectName("btnCancel");

  // The horizontal header is the title row; there is no fixed column.
  siteGrid_->verticalHeader()->hide();
  siteGrid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  siteGrid_->horizontalHeader()->setFixedHeight(kRowHeight);
  siteGrid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  siteGrid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  siteGrid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  siteGrid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  siteGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
  siteGrid_->setEditTriggers(QAbstractItemView::AllEditTriggers);
  int width = 2 * siteGrid_->frameWidth();
  for (int c = 0; c < 4; ++c) {
    siteGrid_->setColumnWidth(c, kColumnWidths[c]);
    width += kColumnWidths[c];
  }
  siteGrid_->setFixedSize(width, kRowHeight * (kRows + 1) + 2 * siteGrid_->frameWidth());

  for (int site = 1; site <= kSiteCount; ++site) {
    int row = (site - 1) % kRows;
    int column = site <= kRows ? 0 : 2;
    auto* address = new QTableWidgetItem;
    address->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    siteGrid_->setItem(row, column, address);
    siteGrid_->setItem(row, column + 1, new QTableWidgetItem);
    auto* box = new QCheckBox(QString::number(site));
    box->setObjectName(QString("cbAddr%1").arg(site));
    box->setFocusPolicy(Qt::NoFocus);
    siteGrid_->setCellWidget(row, column, box);
    addressChecks_[site - 1] = box;
    connect(box, &QCheckBox::clicked, this, [this, row, column] { MoveToAccessCode(row, column); });
  }
  connect(siteGrid_, &QTableWidget::currentCellChanged, this,
          [this](int row, int column) { MoveToAccessCode(row, column); });

  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  okButton_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(siteGrid_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  Relabel();
}

void SiteListDialog::MoveToAccessCode(int row, int column) {
  if (row < 0 || (column != 0 && column != 2)) return;
  siteGrid_->setCurrentCell(row, column + 1);
  siteGrid_->setFocus(Qt::OtherFocusReason);
  siteGrid_->editItem(siteGrid_->item(row, column + 1));
}

std::array<bool, kSiteCount> SiteListDialog::Selections() const {
  std::array<bool, kSiteCount> sites{};
  for (int i = 0; i < kSiteCount; ++i) sites[i] = addressChecks_[i]->isChecked();
  return sites;
}

void SiteListDialog::SetSelections(const std::array<bool, kSiteCount>& sites) {
  for (int i = 0; i < kSiteCount; ++i) addressChecks_[i]->setChecked(sites[i]);
}

bool SiteListDialog::AnySelected() const {
  for (auto* box : addressChecks_)
    if (box->isChecked()) return true;
  return false;
}

void SiteListDialog::Relabel() {
  setWindowTitle(Q(PickText("Communication address", "通讯地址")));
  QString address = Q(PickText("Address", "地址"));
  QString code = Q(PickText("Access Code", "远程存取码"));
  siteGrid_->setHorizontalHeaderLabels({address, code, address, code});
  okButton_->setText(Q(PickText("OK", "确定")));
  cancelButton_->setText(Q(PickText("Cancel", "取消")));
  // A column is at least as wide as its title in the language and the font in use.
  const QFontMetrics metrics(siteGrid_->horizontalHeader()->font());
  const int padding = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin) + 4;
  int width = 2 * siteGrid_->frameWidth();
  for (int c = 0; c < 4; ++c) {
    const QString title = siteGrid_->horizontalHeaderItem(c)->text();
    const int column = std::max(kColumnWidths[c], metrics.horizontalAdvance(title) + padding);
    siteGrid_->setColumnWidth(c, column);
    width += column;
  }
  siteGrid_->setFixedWidth(width);
}

void SiteListDialog::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    Relabel();
    CenterOnScreen(*this);
    // The access-code column is current, with its editor open.
    int row = std::max(siteGrid_->currentRow(), 0);
    siteGrid_->setCurrentCell(row, 1);
    siteGrid_->setFocus(Qt::OtherFocusReason);
    siteGrid_->editItem(siteGrid_->item(row, 1));
  }
  QDialog::showEvent(event);
}

}  // namespace vorel

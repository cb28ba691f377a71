#include "ui/tfm_site_addr.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/language.h"
#include "ui/center_on_screen.h"
#include "ui/qt_text.h"

namespace vorel {
namespace {

constexpr int kRows = 16;
constexpr int kColumnWidths[] = {45, 94, 48, 93};
constexpr int kRowHeight = 19;

}  // namespace

TfmSiteAddr::TfmSiteAddr(QWidget* parent)
    : QDialog(parent),
      sgSiteAddr_(new QTableWidget(kRows, 4, this)),
      btnOK_(new QPushButton("OK", this)),
      btnCancel_(new QPushButton("Cancel", this)) {
  setObjectName("fmSiteAddr");
  sgSiteAddr_->setObjectName("sgSiteAddr");
  btnOK_->setObjectName("btnOK");
  btnCancel_->setObjectName("btnCancel");

  // The horizontal header is the title row; there is no fixed column.
  sgSiteAddr_->verticalHeader()->hide();
  sgSiteAddr_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  sgSiteAddr_->horizontalHeader()->setFixedHeight(kRowHeight);
  sgSiteAddr_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  sgSiteAddr_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  sgSiteAddr_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  sgSiteAddr_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  sgSiteAddr_->setSelectionMode(QAbstractItemView::SingleSelection);
  sgSiteAddr_->setEditTriggers(QAbstractItemView::AllEditTriggers);
  int width = 2 * sgSiteAddr_->frameWidth();
  for (int c = 0; c < 4; ++c) {
    sgSiteAddr_->setColumnWidth(c, kColumnWidths[c]);
    width += kColumnWidths[c];
  }
  sgSiteAddr_->setFixedSize(width, kRowHeight * (kRows + 1) + 2 * sgSiteAddr_->frameWidth());

  for (int site = 1; site <= kSiteCount; ++site) {
    int row = (site - 1) % kRows;
    int column = site <= kRows ? 0 : 2;
    auto* address = new QTableWidgetItem;
    address->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    sgSiteAddr_->setItem(row, column, address);
    sgSiteAddr_->setItem(row, column + 1, new QTableWidgetItem);
    auto* box = new QCheckBox(QString::number(site));
    box->setObjectName(QString("cbAddr%1").arg(site));
    box->setFocusPolicy(Qt::NoFocus);
    sgSiteAddr_->setCellWidget(row, column, box);
    cbAddr_[site - 1] = box;
    connect(box, &QCheckBox::clicked, this, [this, row, column] { MoveToAccessCode(row, column); });
  }
  connect(sgSiteAddr_, &QTableWidget::currentCellChanged, this,
          [this](int row, int column) { MoveToAccessCode(row, column); });

  connect(btnOK_, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel_, &QPushButton::clicked, this, &QDialog::reject);
  btnOK_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOK_);
  buttons->addWidget(btnCancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(sgSiteAddr_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  Relabel();
}

void TfmSiteAddr::MoveToAccessCode(int row, int column) {
  if (row < 0 || (column != 0 && column != 2)) return;
  sgSiteAddr_->setCurrentCell(row, column + 1);
  sgSiteAddr_->setFocus(Qt::OtherFocusReason);
  sgSiteAddr_->editItem(sgSiteAddr_->item(row, column + 1));
}

std::array<bool, kSiteCount> TfmSiteAddr::Selections() const {
  std::array<bool, kSiteCount> sites{};
  for (int i = 0; i < kSiteCount; ++i) sites[i] = cbAddr_[i]->isChecked();
  return sites;
}

void TfmSiteAddr::SetSelections(const std::array<bool, kSiteCount>& sites) {
  for (int i = 0; i < kSiteCount; ++i) cbAddr_[i]->setChecked(sites[i]);
}

bool TfmSiteAddr::AnySelected() const {
  for (auto* box : cbAddr_)
    if (box->isChecked()) return true;
  return false;
}

void TfmSiteAddr::Relabel() {
  setWindowTitle(Q(PickText("Communication address", "通讯地址")));
  QString address = Q(PickText("Address", "地址"));
  QString code = Q(PickText("Access Code", "远程存取码"));
  sgSiteAddr_->setHorizontalHeaderLabels({address, code, address, code});
}

void TfmSiteAddr::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    Relabel();
    CenterOnScreen(*this);
    // The access-code column is current, with its editor open.
    int row = std::max(sgSiteAddr_->currentRow(), 0);
    sgSiteAddr_->setCurrentCell(row, 1);
    sgSiteAddr_->setFocus(Qt::OtherFocusReason);
    sgSiteAddr_->editItem(sgSiteAddr_->item(row, 1));
  }
  QDialog::showEvent(event);
}

}  // namespace vorel

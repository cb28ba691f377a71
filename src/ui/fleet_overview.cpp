#include "ui/fleet_overview.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "core/language.h"
#include "ui/qt_text.h"

namespace vorel {
namespace {

constexpr int kRefreshMs = 1000;
constexpr int kSortRole = Qt::UserRole + 1;

FleetColumn ColumnOf(int section) {
  return static_cast<FleetColumn>(section);
}

bool NumericColumn(FleetColumn c) {
  switch (c) {
    case FleetColumn::Site:
    case FleetColumn::Type:
    case FleetColumn::Kw:
    case FleetColumn::VoltageL1L2:
    case FleetColumn::Hz:
    case FleetColumn::Battery:
    case FleetColumn::Alarms:
    case FleetColumn::Age:
      return true;
    default:
      return false;
  }
}

}  // namespace

QColor FleetRowColour(FleetRowState state) {
  switch (state) {
    case FleetRowState::Alarm:
      return QColor(255, 190, 190);
    case FleetRowState::Stale:
      return QColor(230, 230, 230);
    case FleetRowState::Off:
      return QColor(160, 160, 160);
    case FleetRowState::Normal:
      break;
  }
  return {};
}

FleetOverviewModel::FleetOverviewModel(FleetSource source, QObject* parent)
    : QAbstractTableModel(parent), source_(std::move(source)) {}

int FleetOverviewModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FleetOverviewModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kFleetColumns);
}

QVariant FleetOverviewModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const FleetRow& row = rows_[static_cast<std::size_t>(index.row())];
  const auto column = static_cast<std::size_t>(index.column());
  switch (role) {
    case Qt::DisplayRole:
      return Q(row.cells[column]);
    case kSortRole:
      if (NumericColumn(ColumnOf(index.column()))) return row.sortKeys[column];
      return Q(row.cells[column]);
    case Qt::BackgroundRole: {
      const QColor colour = FleetRowColour(row.state);
      return colour.isValid() ? QVariant(colour) : QVariant();
    }
    case Qt::ForegroundRole:
      if (row.state == FleetRowState::Stale) return QColor(110, 110, 110);
      return {};
    case Qt::TextAlignmentRole:
      if (NumericColumn(ColumnOf(index.column())))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    default:
      return {};
  }
}

QVariant FleetOverviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= static_cast<int>(kFleetColumns))
    return {};
  return Q(FleetColumnTitle(ColumnOf(section)));
}

int FleetOverviewModel::SiteOfRow(int row) const {
  return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)].site : 0;
}

int FleetOverviewModel::Refresh() {
  const std::int64_t now = source_.wallClock();
  // The set of online sites changes only at Connect, Disconnect and a closed window.
  std::vector<int> online;
  for (int n = 1; n <= kSiteCount; ++n)
    if (source_.online(n)) online.push_back(n);
  bool sameSites = online.size() == rows_.size();
  for (std::size_t i = 0; sameSites && i < online.size(); ++i)
    sameSites = rows_[i].site == online[i];
  if (!sameSites) {
    beginResetModel();
    rows_.clear();
    seen_.clear();
    for (int n : online) {
      const FleetLink link = source_.link(n);
      rows_.push_back(MakeFleetRow(*source_.images, n, link, now));
      seen_.push_back({source_.images->ChangeCount(n), link});
    }
    endResetModel();
    return static_cast<int>(rows_.size());
  }
  int redrawn = 0;
  const int ageColumn = static_cast<int>(FleetColumn::Age);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    FleetRow& row = rows_[i];
    Seen& seen = seen_[i];
    const FleetLink link = source_.link(row.site);
    const std::uint64_t changes = source_.images->ChangeCount(row.site);
    const int r = static_cast<int>(i);
    if (changes != seen.changes || link.disconnected != seen.link.disconnected ||
        link.pollingStopped != seen.link.pollingStopped || link.stale != seen.link.stale ||
        link.lastGoodWallMs != seen.link.lastGoodWallMs) {
      row = MakeFleetRow(*source_.images, row.site, link, now);
      seen = {changes, link};
      emit dataChanged(index(r, 0), index(r, static_cast<int>(kFleetColumns) - 1));
      ++redrawn;
      continue;
    }
    std::string age = FleetAgeText(link.lastGoodWallMs, now);
    auto& cell = row.cells[static_cast<std::size_t>(ageColumn)];
    if (age != cell) {
      cell = std::move(age);
      row.sortKeys[static_cast<std::size_t>(ageColumn)] =
          static_cast<double>(now - link.lastGoodWallMs);
      emit dataChanged(index(r, ageColumn), index(r, ageColumn));
    }
  }
  return redrawn;
}

void FleetOverviewModel::Relabel() {
  for (Seen& s : seen_) s.changes = ~std::uint64_t{0};
  Refresh();
  emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(kFleetColumns) - 1);
}

FleetOverview::FleetOverview(FleetSource source, QWidget* parent) : QWidget(parent) {
  setObjectName("pnlFleet");
  model_ = new FleetOverviewModel(std::move(source), this);
  proxy_ = new QSortFilterProxyModel(this);
  proxy_->setSourceModel(model_);
  proxy_->setSortRole(kSortRole);
  proxy_->setFilterKeyColumn(-1);
  proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  filter_ = new QLineEdit(this);
  filter_->setObjectName("edFleetFilter");
  filter_->setClearButtonEnabled(true);
  connect(filter_, &QLineEdit::textChanged, this,
          [this](const QString& text) { proxy_->setFilterFixedString(text); });
  table_ = new QTableView(this);
  table_->setObjectName("tvFleet");
  table_->setModel(proxy_);
  table_->setSortingEnabled(true);
  table_->sortByColumn(static_cast<int>(FleetColumn::Site), Qt::AscendingOrder);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->installEventFilter(this);
  connect(table_, &QTableView::doubleClicked, this, &FleetOverview::OpenRow);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(filter_);
  layout->addWidget(table_);
  timer_ = new QTimer(this);
  timer_->setInterval(kRefreshMs);
  connect(timer_, &QTimer::timeout, this, &FleetOverview::Refresh);
  Relabel();
}

void FleetOverview::Relabel() {
  filter_->setPlaceholderText(Q(PickText("Filter", "筛选")));
  model_->Relabel();
  table_->resizeColumnsToContents();
}

void FleetOverview::Refresh() {
  // Widths follow the contents when sites come or go, not on every new value.
  const int rows = model_->rowCount();
  model_->Refresh();
  if (model_->rowCount() == rows) return;
  table_->resizeColumnsToContents();
  if (onSitesChanged) onSitesChanged();
}

void FleetOverview::showEvent(QShowEvent* event) {
  Refresh();
  timer_->start();
  QWidget::showEvent(event);
}

void FleetOverview::hideEvent(QHideEvent* event) {
  timer_->stop();
  QWidget::hideEvent(event);
}

bool FleetOverview::eventFilter(QObject* watched, QEvent* event) {
  if (watched == table_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OpenRow(table_->currentIndex());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void FleetOverview::OpenRow(const QModelIndex& index) {
  if (!index.isValid()) return;
  const int site = model_->SiteOfRow(proxy_->mapToSource(index).row());
  if (site != 0 && onOpenSite) onOpenSite(site);
}

}  // namespace vorel

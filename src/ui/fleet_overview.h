// The fleet overview of the main window: one row per online site with its mode, engine state,
// key values, alarms, data age and communication state, coloured by state, sortable by any
// column, with a filter box; double-click or Enter opens the site's window. It reads the value
// images that polling fills and causes no request; it refreshes only while it is shown, and
// only the rows whose image or link state changed (the age cell once a second).
#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "control/fleet_rows.h"
#include "core/site_images.h"

class QLineEdit;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

namespace vorel {

// Where the overview reads the sites from.
struct FleetSource {
  const SiteImages* images = nullptr;
  std::function<bool(int site)> online;
  std::function<FleetLink(int site)> link;
  std::function<std::int64_t()> wallClock;
};

class FleetOverviewModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit FleetOverviewModel(FleetSource source, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Brings the rows up to date; returns how many rows were redrawn whole.
  int Refresh();
  // Every row and title again (the language changed).
  void Relabel();
  int SiteOfRow(int row) const;
  const FleetRow& Row(int row) const { return rows_.at(static_cast<std::size_t>(row)); }

 private:
  struct Seen {
    std::uint64_t changes = 0;
    FleetLink link;
  };
  FleetSource source_;
  std::vector<FleetRow> rows_;
  std::vector<Seen> seen_;  // one per row
};

class FleetOverview : public QWidget {
  Q_OBJECT
 public:
  explicit FleetOverview(FleetSource source, QWidget* parent = nullptr);

  // Opens the window of a site (double-click or Enter on its row).
  std::function<void(int site)> onOpenSite;
  // The set of online sites changed (seen at a refresh).
  std::function<void()> onSitesChanged;

  FleetOverviewModel& Model() { return *model_; }
  QTableView* Table() const { return table_; }
  QLineEdit* Filter() const { return filter_; }
  QSortFilterProxyModel* Proxy() const { return proxy_; }
  void Relabel();
  // The refresh step (the timer's, while shown).
  void Refresh();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OpenRow(const QModelIndex& index);

  FleetOverviewModel* model_ = nullptr;
  QSortFilterProxyModel* proxy_ = nullptr;
  QLineEdit* filter_ = nullptr;
  QTableView* table_ = nullptr;
  QTimer* timer_ = nullptr;
};

// Background of a row state; invalid (the view's own) for a normal row.
QColor FleetRowColour(FleetRowState state);

}  // namespace vorel

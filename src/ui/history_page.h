// The "History" page of a site's window: what the history database keeps of the controller.
// Four views: the timeline of visits and writes, "Changes since last visit" (the compare
// dialog's list between the last set stored before this visit and the controller now), the
// event history merged over every read with a filter by code and a search, and the trend of a
// chosen day (drag to zoom, right click to zoom out). The page is built when first shown and
// reads on a worker thread, so the window never waits for the database.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "control/site_history.h"

class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QVBoxLayout;

namespace vorel {

struct HistoryPageSource {
  // The database the session records into (nothing: no history kept).
  std::function<std::optional<HistoryLocation>()> location;
  std::function<ControllerKey()> controller;
  // The controller's parameters now (nothing: the newest stored set stands for now).
  std::function<std::optional<ParameterWords>()> now;
  // When this visit began (0: the newest stored visit).
  std::function<std::int64_t()> visitStartMs;
};

class HistoryPage : public QWidget {
  Q_OBJECT
 public:
  explicit HistoryPage(HistoryPageSource source, QWidget* parent = nullptr);

  // Reads the history again (the day of the trend as chosen); the page shows it when it came.
  void Reload();
  // Captions in the current language (the lists are read again in it).
  void ApplyTexts();
  // Readings finished and shown so far.
  int Readings() const { return readings_; }
  const SiteHistory& Shown() const { return shown_; }

  // For the tests and the guide (null until the page was first shown).
  QTabWidget* Views() const { return views_; }
  QTableWidget* Timeline() const { return timeline_; }
  QTableWidget* Changes() const { return changes_; }
  QTableWidget* Events() const { return events_; }
  QComboBox* CodeFilter() const { return codeFilter_; }
  QLineEdit* Search() const { return search_; }
  QDateEdit* Day() const { return day_; }
  QComboBox* SeriesPicker() const { return series_; }
  QChartView* DayChart() const { return chart_; }
  QLabel* Status() const { return status_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Build();
  void Show(SiteHistory history);
  void FillTimeline();
  void FillChanges();
  void FillEvents();
  void FilterEvents();
  void DrawDay();

  HistoryPageSource source_;
  SiteHistory shown_;
  int readings_ = 0;
  bool reading_ = false;
  bool again_ = false;

  QLabel* status_ = nullptr;
  QPushButton* reload_ = nullptr;
  QTabWidget* views_ = nullptr;
  QTableWidget* timeline_ = nullptr;
  QLabel* baseline_ = nullptr;
  QVBoxLayout* changesLayout_ = nullptr;
  QTableWidget* changes_ = nullptr;
  QComboBox* codeFilter_ = nullptr;
  QLineEdit* search_ = nullptr;
  QTableWidget* events_ = nullptr;
  QDateEdit* day_ = nullptr;
  QComboBox* series_ = nullptr;
  QChartView* chart_ = nullptr;
};

}  // namespace vorel

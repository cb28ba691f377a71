// The fleet features of the main window, kept together: the overview page of the central
// panel, the alarm watch over every online site, the alarm journal dock and the desktop
// notices, with their entries in the View menu.
#pragma once

#include <QObject>
#include <array>
#include <memory>

#include "control/alarm_journal.h"
#include "control/alarm_notice.h"
#include "control/fleet_watch.h"
#include "control/history_alarm_journal.h"

class QAction;
class QMainWindow;
class QMenu;

namespace vorel {

class AlarmJournalDock;
class AlarmNotifier;
class FleetOverview;
class Host;
class Session;

class FleetFeatures : public QObject {
  Q_OBJECT
 public:
  // The overview is made as a child of `panelParent`; the dock is docked in `window`.
  FleetFeatures(QMainWindow& window, QWidget* panelParent, Session& session, Host& host);
  ~FleetFeatures() override;

  // Adds View -> Fleet overview, Alarm journal and Alarm notices (on, sound, severities).
  void AddMenuItems(QMenu* view);
  void Relabel();
  // Whether the overview should take the central panel now: chosen in the View menu and a
  // site is online.
  bool OverviewWanted() const;
  // Called when the overview's choice or the online sites changed.
  std::function<void()> onPanelChoiceChanged;

  FleetOverview& Overview() const { return *overview_; }
  AlarmJournalDock& JournalDock() const { return *dock_; }
  AlarmNotifier& Notifier() const { return *notifier_; }
  FleetWatch& Watch() { return *watch_; }
  AlarmJournal& Journal() { return journal_; }
  QAction* OverviewAction() const { return overviewAction_; }

 private:
  void SetNoticeSettings(const AlarmNoticeSettings& settings);
  void ShowNoticeSettings();

  Session& session_;
  Host& host_;
  HistoryAlarmJournal journal_;
  std::unique_ptr<FleetWatch> watch_;
  FleetOverview* overview_ = nullptr;
  AlarmJournalDock* dock_ = nullptr;
  AlarmNotifier* notifier_ = nullptr;
  QMenu* noticeMenu_ = nullptr;
  QAction* overviewAction_ = nullptr;
  QAction* journalAction_ = nullptr;
  QAction* noticesAction_ = nullptr;
  QAction* soundAction_ = nullptr;
  std::array<QAction*, 3> severityActions_{};
};

}  // namespace vorel

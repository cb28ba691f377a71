#include "ui/fleet_features.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>

#include "control/fleet_rows.h"
#include "control/session.h"
#include "control/settings.h"
#include "core/language.h"
#include "ui/alarm_journal_dock.h"
#include "ui/alarm_notifier.h"
#include "ui/fleet_overview.h"
#include "ui/qt_text.h"
#include "ui/site_window_tabs.h"

namespace vorel {

FleetFeatures::FleetFeatures(QMainWindow& window, QWidget* panelParent, Session& session,
                             Host& host)
    : QObject(&window), session_(session), host_(host), journal_(session.History()) {
  watch_ = std::make_unique<FleetWatch>(session.Pump(), session.Images(), session.Slots(),
                                        session.Poll().DataAge(), journal_);
  notifier_ = new AlarmNotifier(this);
  try {
    notifier_->SetSettings(LoadAlarmNoticeSettings({}));
  } catch (const SettingsError&) {
    // The defaults stand; the next change in the View menu writes the section anew.
  }
  watch_->SetNewAlarmListener([this](const AlarmEvent& e) { notifier_->Notify(e); });
  watch_->Start();

  FleetSource source;
  source.images = &session.Images();
  source.online = [&session](int site) { return session.IsOnline(site); };
  source.link = [&session](int site) {
    FleetLink link = FleetLinkOf(session.Poll().DataAge(), session.Link().CommState(site), site,
                                 session.Pump().NowMs());
    // After Disconnect the windows stay open, but nothing they show is live any more.
    link.disconnected = !session.PortOpen();
    return link;
  };
  source.wallClock = SystemWallClockMs;
  overview_ = new FleetOverview(std::move(source), panelParent);
  overview_->onOpenSite = [&session](int site) {
    SiteWindow* w = session.Window(site);
    if (!w) return;
    w->ShowWindow();
    BringSiteWindowForward(dynamic_cast<QWidget*>(w));
  };

  dock_ = new AlarmJournalDock(journal_, host, &window);
  window.addDockWidget(Qt::BottomDockWidgetArea, dock_);
  dock_->hide();
}

FleetFeatures::~FleetFeatures() {
  // The dock reads the journal and the overview the session: neither outlives them.
  delete dock_;
  delete overview_;
}

void FleetFeatures::AddMenuItems(QMenu* view) {
  view->addSeparator();
  overviewAction_ = view->addAction(QString());
  overviewAction_->setObjectName("mViewFleetOverview");
  overviewAction_->setCheckable(true);
  overviewAction_->setChecked(true);
  connect(overviewAction_, &QAction::triggered, this, [this] {
    if (onPanelChoiceChanged) onPanelChoiceChanged();
  });
  journalAction_ = dock_->toggleViewAction();
  journalAction_->setObjectName("mViewAlarmJournal");
  view->addAction(journalAction_);
  noticeMenu_ = view->addMenu(QString());
  noticeMenu_->setObjectName("mViewAlarmNotices");
  auto checkable = [&](const char* name) {
    QAction* a = noticeMenu_->addAction(QString());
    a->setObjectName(name);
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this] {
      AlarmNoticeSettings s;
      s.enabled = noticesAction_->isChecked();
      s.sound = soundAction_->isChecked();
      for (std::size_t i = 0; i < severityActions_.size(); ++i)
        s.severities[i] = severityActions_[i]->isChecked();
      SetNoticeSettings(s);
    });
    return a;
  };
  noticesAction_ = checkable("mViewNoticesOn");
  soundAction_ = checkable("mViewNoticesSound");
  noticeMenu_->addSeparator();
  severityActions_ = {checkable("mViewNoticesWarning"), checkable("mViewNoticesUnload"),
                      checkable("mViewNoticesShutdown")};
  ShowNoticeSettings();
}

void FleetFeatures::SetNoticeSettings(const AlarmNoticeSettings& settings) {
  try {
    SaveAlarmNoticeSettings(settings);
    notifier_->SetSettings(settings);
  } catch (const SettingsError& e) {
    host_.ShowMessage(e.what());
  }
  ShowNoticeSettings();  // the ticks show what is in force
}

void FleetFeatures::ShowNoticeSettings() {
  if (!noticesAction_) return;
  const AlarmNoticeSettings& s = notifier_->Settings();
  noticesAction_->setChecked(s.enabled);
  soundAction_->setChecked(s.sound);
  for (std::size_t i = 0; i < severityActions_.size(); ++i) {
    severityActions_[i]->setChecked(s.severities[i]);
    severityActions_[i]->setEnabled(s.enabled);
  }
  soundAction_->setEnabled(s.enabled);
}

bool FleetFeatures::OverviewWanted() const {
  return (!overviewAction_ || overviewAction_->isChecked()) && session_.Slots().AnyOnline();
}

void FleetFeatures::Relabel() {
  if (overviewAction_) {
    overviewAction_->setText(Q(PickText("Fleet overview", "设备总览")));
    journalAction_->setText(Q(PickText("Alarm journal", "报警记录")));
    noticeMenu_->setTitle(Q(PickText("Alarm notices", "报警通知")));
    noticesAction_->setText(Q(PickText("Show notices", "显示通知")));
    soundAction_->setText(Q(PickText("Sound", "声音")));
    for (std::size_t i = 0; i < severityActions_.size(); ++i)
      severityActions_[i]->setText(Q(AlarmSeverityText(static_cast<AlarmSeverity>(i))));
  }
  overview_->Relabel();
  dock_->Relabel();
}

}  // namespace vorel

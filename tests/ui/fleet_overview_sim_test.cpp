// The fleet overview and the alarm notices of a window connected to vorel-sim with a stopped
// site, a site whose start fails into a shutdown alarm and a site that stops answering while
// the others go on: the rows' texts and colours, sorting and the filter, one notice per new
// alarm, not per poll, the journal relabelled by a language switch, and the rows after
// Disconnect and a new Connect.
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <cstdlib>

#include "control/session.h"
#include "support/sim_process.h"
#include "ui/alarm_journal_dock.h"
#include "ui/alarm_notifier.h"
#include "ui/fleet_features.h"
#include "ui/fleet_overview.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

using UiFleetSim = UiTest;

// The row of `site` in the model, -1 when it has none.
int RowOf(FleetOverviewModel& model, int site) {
  for (int r = 0; r < model.rowCount(); ++r)
    if (model.SiteOfRow(r) == site) return r;
  return -1;
}

TEST_F(UiFleetSim, RowsFollowTheSitesAndANewAlarmIsAnnouncedOnce) {
  SimProcess sim(VOREL_SIM_PATH);
  // Site 3 answers its first two live-value reads (its identification and first poll), then
  // none: polls come about once a second, so a later fault would leave the row live for long.
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "1", "--site", "2", "--site", "3",
                         "--start-fails", "--time-scale", "50", "--fault-noreply", "1",
                         "--fault-site", "3", "--fault-register", "0x804F", "--fault-after", "2"}))
      << sim.error();
  host.defaultAnswer = Answer::Cancel;
  const std::unique_ptr<MainWindow> desktop = ConnectedToSim(sim, {1, 2, 3});
  MainWindow& main = *desktop;
  FleetFeatures& fleet = main.Fleet();
  std::vector<std::string> notices;
  fleet.Notifier().show = [&](const std::string&, const std::string& text) {
    notices.push_back(text);
  };
  FleetOverview& overview = fleet.Overview();
  FleetOverviewModel& model = overview.Model();
  ASSERT_TRUE(overview.isVisible()) << "the overview takes the panel after Connect";
  ASSERT_TRUE(QTest::qWaitFor([&] { return model.rowCount() == 3; }, 3000));
  const int first = RowOf(model, 1);
  EXPECT_EQ(model.Row(first).Cell(FleetColumn::Generator), "GENSET-01");
  EXPECT_EQ(model.Row(first).Cell(FleetColumn::Mode), "OFF");
  EXPECT_EQ(model.Row(first).Cell(FleetColumn::Engine), "Stopped");
  EXPECT_EQ(model.Row(first).Cell(FleetColumn::Communication), "ok");
  EXPECT_FALSE(model.data(model.index(first, 0), Qt::BackgroundRole).isValid());

  // Site 3 stops answering: its row goes off (its box was answered Cancel) while the other
  // two stay fresh all along.
  bool othersFresh = true;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        for (int site : {1, 2})
          othersFresh =
              othersFresh && model.Row(RowOf(model, site)).Cell(FleetColumn::Communication) == "ok";
        return model.Row(RowOf(model, 3)).state == FleetRowState::Off;
      },
      10000));
  EXPECT_TRUE(othersFresh);
  const int third = RowOf(model, 3);
  EXPECT_EQ(model.Row(third).Cell(FleetColumn::Communication), "polling stopped");
  EXPECT_EQ(model.data(model.index(third, 4), Qt::BackgroundRole).value<QColor>(),
            FleetRowColour(FleetRowState::Off));

  // Site 2's start fails: a shutdown alarm, announced once however many polls follow.
  Session& session = main.session();
  ASSERT_TRUE(session.Commands().Send(2, RemoteCommand::Manual, true).Completed());
  ASSERT_TRUE(session.Commands().Send(2, RemoteCommand::Start, true).Completed());
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return model.Row(RowOf(model, 2)).state == FleetRowState::Alarm; }, 15000));
  const FleetRow& row2 = model.Row(RowOf(model, 2));
  EXPECT_EQ(row2.Cell(FleetColumn::NewestAlarm), "start-fail stop");
  EXPECT_EQ(row2.Cell(FleetColumn::Mode), "MANU");
  EXPECT_EQ(model.data(model.index(RowOf(model, 2), 0), Qt::BackgroundRole).value<QColor>(),
            FleetRowColour(FleetRowState::Alarm));
  QTest::qWait(2500);  // several more polls of site 2
  ASSERT_EQ(std::count(notices.begin(), notices.end(), "Site 2 (GENSET-02): start-fail stop"), 1)
      << notices.size();
  // Journalled in English; after a switch to Chinese the dock shows it in Chinese.
  AlarmJournalDock& dock = fleet.JournalDock();
  dock.Refresh();
  QAbstractItemModel& journal = *dock.Table()->model();
  constexpr int kAlarmColumn = 5;
  auto journalRowOf = [&](const QString& text) {
    for (int r = 0; r < journal.rowCount(); ++r)
      if (journal.index(r, kAlarmColumn).data().toString() == text) return r;
    return -1;
  };
  const int entry = journalRowOf("start-fail stop");
  ASSERT_GE(entry, 0);
  EXPECT_EQ(journal.index(entry, 2).data().toInt(), 2);
  main.SetLanguage("chinese");
  EXPECT_EQ(journal.index(entry, kAlarmColumn).data().toString(), QString("启动失败停机"));
  EXPECT_EQ(journal.index(entry, 4).data().toString(), QString("出现"));
  main.SetLanguage("english");

  // Sorting by the number of alarms puts site 2 first; the filter keeps matching rows only.
  overview.Table()->sortByColumn(static_cast<int>(FleetColumn::Alarms), Qt::DescendingOrder);
  QSortFilterProxyModel& proxy = *overview.Proxy();
  EXPECT_EQ(model.SiteOfRow(proxy.mapToSource(proxy.index(0, 0)).row()), 2);
  overview.Filter()->setText("genset-01");
  ASSERT_EQ(proxy.rowCount(), 1);
  EXPECT_EQ(model.SiteOfRow(proxy.mapToSource(proxy.index(0, 0)).row()), 1);
  overview.Filter()->clear();

  // View -> Fleet overview off: the idle picture again; on: the overview.
  fleet.OverviewAction()->trigger();
  EXPECT_FALSE(overview.isVisible());
  fleet.OverviewAction()->trigger();
  EXPECT_TRUE(overview.isVisible());
  // Screenshots for a person to look at, when asked for.
  if (const char* shots = std::getenv("VOREL_FLEET_SHOTS")) {
    main.resize(1100, 420);
    overview.Table()->resizeColumnsToContents();
    main.grab().save(QString(shots) + "/overview-en.png");
    main.SetLanguage("chinese");
    overview.Table()->resizeColumnsToContents();
    EXPECT_EQ(model.Row(RowOf(model, 1)).Cell(FleetColumn::Engine), "停机");
    main.grab().save(QString(shots) + "/overview-zh.png");
    main.Fleet().JournalDock().show();
    main.grab().save(QString(shots) + "/journal-zh.png");
    main.SetLanguage("english");
    main.grab().save(QString(shots) + "/journal-en.png");
  }
  // Disconnect: the windows stay, but every row says at once that it is not connected.
  main.Disconnect();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        for (int r = 0; r < model.rowCount(); ++r)
          if (model.Row(r).Cell(FleetColumn::Communication) != "not connected") return false;
        return model.rowCount() == 3;
      },
      3000));
  for (int r = 0; r < model.rowCount(); ++r) {
    EXPECT_EQ(model.Row(r).state, FleetRowState::Off) << r;
    EXPECT_EQ(model.data(model.index(r, 4), Qt::BackgroundRole).value<QColor>(),
              FleetRowColour(FleetRowState::Off));
  }
  if (const char* shots = std::getenv("VOREL_FLEET_SHOTS")) {
    main.grab().save(QString(shots) + "/overview-disconnected-en.png");
    main.SetLanguage("chinese");
    main.grab().save(QString(shots) + "/overview-disconnected-zh.png");
    main.SetLanguage("english");
  }
  // Connect again: the answering sites are live again.
  main.Connect();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return model.Row(RowOf(model, 1)).Cell(FleetColumn::Communication) == "ok" &&
               model.Row(RowOf(model, 2)).Cell(FleetColumn::Communication) == "ok";
      },
      10000));
  EXPECT_TRUE(overview.isVisible());

  // The line goes silent: the rows leave the live state for stale or off, coloured so.
  sim.Stop();
  const int row1 = RowOf(model, 1);  // the rows may have moved by sorting
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return model.Row(row1).state == FleetRowState::Stale ||
               model.Row(row1).state == FleetRowState::Off;
      },
      15000));
  EXPECT_EQ(model.data(model.index(row1, 0), Qt::BackgroundRole).value<QColor>(),
            FleetRowColour(model.Row(row1).state));
  EXPECT_NE(model.Row(row1).Cell(FleetColumn::Communication), "ok");
  main.Disconnect();
}

}  // namespace
}  // namespace vorel::test

// Parameter files through the real windows against vorel-sim: the Backup button and
// vorel-cli backup save the same bytes, the file opens offline in the lowest free slot, loads
// back into the window register for register, the windows compare equal with the file, and
// vorel-cli diff tells equal from different; vorel-cli restore leaves a controller as the
// window's Load, unlock and Write leave another.
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <fstream>
#include <sstream>

#include "core/register_table.h"
#include "core/site_images.h"
#include "files/parameter_keys.h"
#include "support/sim_process.h"
#include "ui/parameter_window.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

int RunCli(const SimProcess& sim, const QStringList& args, std::string* out = nullptr,
           std::string* err = nullptr) {
  QProcess cli;
  cli.start(VOREL_CLI_PATH,
            QStringList{"--port", QString::fromStdString(sim.LinkPath()), "--baud", "9600"} + args);
  if (!cli.waitForFinished(120000)) return -1;
  if (out) *out = cli.readAllStandardOutput().toStdString();
  if (err) *err = cli.readAllStandardError().toStdString();
  return cli.exitCode();
}

using UiParameterFileSim = UiTest;

TEST_F(UiParameterFileSim, BackupLoadOfflineOpenAndDiff) {
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "4:3105"})) << sim.error();
  const std::unique_ptr<MainWindow> desktop = ConnectedToSim(sim, {4});
  MainWindow& main = *desktop;
  ASSERT_TRUE(main.IsOnline(4));
  auto* online = dynamic_cast<ParameterWindow*>(main.session().Window(4));
  ASSERT_NE(online, nullptr);
  Child<QPushButton>(*online, "btnRead")->click();

  const std::string windowFile = sim.File("window.dat");
  host.fileNames.push_back(windowFile);
  Child<QPushButton>(*online, "btnSave")->click();
  ASSERT_TRUE(host.messages.empty()) << host.messages.front();
  const auto image = main.session().Images().Image(4);
  const std::vector<std::uint16_t> saved(image.begin(), image.end());

  // Offline: slot 1, state 246, no controller buttons, event-log page for type 3105 at user
  // level, no monitor page.
  host.fileNames.push_back(windowFile);
  main.OpenOffLine();
  ASSERT_TRUE(host.messages.empty()) << host.messages.front();
  ASSERT_EQ(main.Slots().WindowState(1), kWindowOffline);
  auto* offline = dynamic_cast<ParameterWindow*>(main.session().Window(1));
  ASSERT_NE(offline, nullptr);
  EXPECT_TRUE(offline->isVisible());
  EXPECT_EQ(offline->windowTitle().toStdString(), windowFile);
  EXPECT_EQ(offline->StatusPanel(2), "3105");
  EXPECT_EQ(offline->StatusPanel(0), online->StatusPanel(0));
  offline->EventLog();  // built when first shown
  for (const char* name : {"btnRead", "btnWrite", "btnReadHistory"})
    EXPECT_FALSE(Child<QPushButton>(*offline, name)->isEnabled()) << name;
  auto* pages = Child<QTabWidget>(*offline, "pcParameter");
  EXPECT_FALSE(pages->isTabVisible(pages->indexOf(Child<QWidget>(*offline, "tsStatusDisplay"))));
  EXPECT_TRUE(pages->isTabVisible(pages->indexOf(Child<QWidget>(*offline, "tsHistoryDisplay"))));
  // The offline window saves the same file again.
  const std::string offlineFile = sim.File("offline.dat");
  host.fileNames.push_back(offlineFile);
  Child<QPushButton>(*offline, "btnSave")->click();
  EXPECT_EQ(Bytes(offlineFile), Bytes(windowFile));

  // Load into the online window after the values were changed: every register back.
  SiteImages& images = main.session().Images();
  for (const std::uint16_t reg : {reg::kProductCode.address, std::uint16_t{0x00C8},
                                  std::uint16_t{0x0126}, std::uint16_t{0x00CE}})
    images.SetWord(4, reg, 0x1234);
  host.fileNames.push_back(windowFile);
  Child<QPushButton>(*online, "btnOpen")->click();
  ASSERT_TRUE(host.messages.empty()) << host.messages.front();
  for (const ParameterKey& key : ParameterFileKeys()) {
    if (key.role == KeyRole::Value && key.form != ValueForm::RunHours) {
      EXPECT_EQ(images.Word(4, key.reg), saved[key.reg]) << key.key;
    }
  }
  EXPECT_EQ(online->windowTitle().toStdString(), windowFile);

  // Compare with file: the online window (editors limited by the controller's descriptors)
  // and the offline one both equal the file they saved, register for register after their
  // store pass.
  for (ParameterWindow* w : {online, offline}) {
    std::string shown = "no dialog";
    w->SetModalRunner([&shown](QDialog& dialog) {
      auto* table = Child<QTableWidget>(dialog, "sgDifferences");
      auto* label = Child<QLabel>(dialog, "lbNoDifferences");
      if (!table || !label) return 0;
      shown = label->isVisibleTo(&dialog) ? label->text().toStdString()
                                          : std::to_string(table->rowCount()) + " rows, first " +
                                                table->item(0, 4)->text().toStdString();
      return 0;
    });
    host.fileNames.push_back(windowFile);
    Child<QPushButton>(*w, "btnCompare")->click();
    EXPECT_EQ(shown, "No differences.") << w->windowTitle().toStdString();
  }
  ASSERT_TRUE(host.messages.empty()) << host.messages.front();

  // Closing the windows frees the port for vorel-cli. The online window holds a loaded value
  // the controller does not have, so it asks first; Discard closes it.
  std::string asked;
  online->SetModalRunner([&asked](QDialog& dialog) {
    asked = dialog.objectName().toStdString();
    return asked == "discardQuestion" ? int(QMessageBox::Discard) : 0;
  });
  offline->close();
  online->close();
  EXPECT_EQ(asked, "discardQuestion");
  QTest::qWait(100);
  ASSERT_FALSE(main.PortOpen());

  const std::string cliFile = sim.File("cli.dat");
  ASSERT_EQ(RunCli(sim, {"backup", "4", "--file", QString::fromStdString(cliFile)}), 0);
  EXPECT_EQ(Bytes(cliFile), Bytes(windowFile));

  std::string out;
  EXPECT_EQ(RunCli(sim, {"diff", QString::fromStdString(windowFile), "site:4"}, &out), 0) << out;
  EXPECT_EQ(out, "");
  std::string changed = Bytes(windowFile);
  changed.replace(changed.find("GNOMIN_FREQ="), 17, "GNOMIN_FREQ=60.00");
  const std::string changedFile = sim.File("changed.dat");
  std::ofstream(changedFile, std::ios::binary) << changed;
  EXPECT_EQ(
      RunCli(sim, {"diff", QString::fromStdString(windowFile), QString::fromStdString(changedFile)},
             &out),
      1);
  EXPECT_NE(out.find("-> 60.0"), std::string::npos) << out;
  EXPECT_NE(out.find("(GNOMIN_FREQ)\n"), std::string::npos) << out;
  EXPECT_EQ(RunCli(sim, {"diff", QString::fromStdString(windowFile), "nothing.dat"}), 2);
  sim.Stop();
}

TEST_F(UiParameterFileSim, CliRestoreEndsAsTheWindowsLoadUnlockAndWrite) {
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "4:3105", "--site", "5:3105"})) << sim.error();
  // A file of the first site with other values, and the second site in AUTO mode.
  const std::string baseFile = sim.File("base.dat");
  ASSERT_EQ(RunCli(sim, {"backup", "4", "--file", QString::fromStdString(baseFile)}), 0);
  std::string text = Bytes(baseFile);
  for (const auto& [from, to] : {std::pair{"GNOMIN_FREQ=50.00", "GNOMIN_FREQ=60.00"},
                                 std::pair{"MAX_CRANK_TIME=8", "MAX_CRANK_TIME=6"}}) {
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, std::string_view(from).size(), to);
  }
  const std::string file = sim.File("changed.dat");
  std::ofstream(file, std::ios::binary) << text;
  ASSERT_EQ(RunCli(sim, {"command", "5", "auto"}), 0);

  // The window: Load, unlock, Write.
  const std::unique_ptr<MainWindow> desktop = ConnectedToSim(sim, {4});
  MainWindow& main = *desktop;
  auto* window = dynamic_cast<ParameterWindow*>(main.session().Window(4));
  ASSERT_NE(window, nullptr);
  host.fileNames.push_back(file);
  Child<QPushButton>(*window, "btnOpen")->click();
  window->SetModalRunner([](QDialog&) { return static_cast<int>(QDialog::Accepted); });
  window->Model().Find("medPSWUnlock")->text = "1234";
  window->UnlockButton()->click();
  QTest::qWait(1200);
  ASSERT_EQ(window->StatusPanel(1), "unlocked");
  Child<QPushButton>(*window, "btnWrite")->click();
  ASSERT_TRUE(host.messages.empty()) << host.messages.front();
  window->close();
  QTest::qWait(100);
  ASSERT_FALSE(main.PortOpen());

  // vorel-cli restore on the second site.
  std::string out;
  std::string err;
  ASSERT_EQ(
      RunCli(sim, {"restore", "5", QString::fromStdString(file), "--password", "1234"}, &out, &err),
      0)
      << err;
  // The change list: the two values the file changes.
  EXPECT_NE(out.find("(GNOMIN_FREQ)\n"), std::string::npos) << out;
  EXPECT_NE(out.find("(MAX_CRANK_TIME)\n"), std::string::npos) << out;
  EXPECT_TRUE(err.ends_with("Address 5: written, read-back matches\n")) << err;

  // Both controllers hold the file's values, parameter for parameter; the restore left the
  // second controller its own address.
  EXPECT_EQ(RunCli(sim, {"diff", QString::fromStdString(file), "site:4"}, &out), 0) << out;
  EXPECT_EQ(RunCli(sim, {"diff", "site:4", "site:5"}, &out), 1) << out;
  EXPECT_EQ(out, "System/Basic:\n  Controller Addr: 4 -> 5 (CONTROLER_ADDR)\n");
  // The second site went back to AUTO; the window leaves the first in OFF.
  for (const auto& [site, mode] : {std::pair{"4", "198"}, std::pair{"5", "200"}}) {
    ASSERT_EQ(RunCli(sim, {"read", site, "0x0113", "1"}, &out), 0);
    EXPECT_EQ(QString::fromStdString(out).trimmed().toStdString(), mode) << site;
  }
  sim.Stop();
}

}  // namespace
}  // namespace vorel::test

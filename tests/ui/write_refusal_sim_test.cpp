// The window's writes against vorel-sim: its Write (of a loaded file or of an edit), the curve
// editor's Write and the new password each send nothing when the checked write refuses: another
// product code, another unit, a value outside the limits, a file that lacks keys, a running
// engine the user does not stop, protection locked.
#include <QDialog>
#include <QPushButton>
#include <QToolButton>
#include <fstream>
#include <sstream>

#include "core/sensor_curve.h"
#include "core/site_images.h"
#include "support/sim_process.h"
#include "support/sim_trace.h"
#include "ui/parameter_window.h"
#include "ui/write_preview_dialog.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

constexpr std::uint16_t kEngineSpeed = 0x0099;
constexpr const char* kRunning = "The engine of site 4 is running. Stop it to write?";
constexpr const char* kUnlockFirst = "Please unlock the write protection!";

// Write requests (functions 6 and 16) the simulator has received.
int WritesReceived(const std::string& trace) {
  int n = 0;
  for (const TraceRequest& r : TraceRequests(trace)) n += r.function == 6 || r.function == 16;
  return n;
}

std::string ReadText(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// `text` with each (old, new) replaced once; an empty new removes the line.
std::string Edited(std::string text,
                   const std::vector<std::pair<std::string, std::string>>& edits) {
  for (const auto& [from, to] : edits) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos) return {};
    if (to.empty())
      text.erase(at, text.find('\n', at) + 1 - at);
    else
      text.replace(at, from.size(), to);
  }
  return text;
}

enum class Path { WindowFile, WindowEdit, Curve, Password };

using UiWriteRefusalSim = UiTest;

TEST_F(UiWriteRefusalSim, EveryRefusalOfTheWindowsWritesSendsNothing) {
  SimProcess sim(VOREL_SIM_PATH);
  const std::string trace = sim.File("trace.txt");
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "4", "--time-scale", "20", "--trace",
                         QString::fromStdString(trace)}))
      << sim.error();
  const std::unique_ptr<MainWindow> desktop = ConnectedToSim(sim, {4});
  Session& session = desktop->session();
  auto* window = dynamic_cast<ParameterWindow*>(session.Window(4));
  ASSERT_NE(window, nullptr);
  SiteImages& images = session.Images();
  int previews = 0;
  window->SetModalRunner([&](QDialog& dialog) {
    previews += dynamic_cast<WritePreviewDialog*>(&dialog) != nullptr;
    return static_cast<int>(QDialog::Accepted);
  });
  // The status bar shows the protection at the next refresh after the unlock: waited for.
  const auto unlock = [&](const char* password, const char* shown) {
    window->Model().Find("medPSWUnlock")->text = password;
    window->UnlockButton()->click();
    for (int k = 0; k < 200 && window->StatusPanel(1) != shown; ++k) QTest::qWait(50);
  };
  unlock("1234", "unlocked");
  ASSERT_EQ(window->StatusPanel(1), "unlocked");

  const std::string base = sim.File("base.dat");
  ASSERT_TRUE(session.ParameterFiles().SaveTo(4, base));
  const std::string changed = Edited(ReadText(base), {{"GNOMIN_FREQ=50.00", "GNOMIN_FREQ=60.00"}});
  ASSERT_FALSE(changed.empty());

  const struct {
    const char* name;
    Path path;
    std::string file;  // loaded before the Write (WindowFile)
    std::vector<Answer> answers;
    const char* says;  // in the last message, or the last question when empty
  } cases[] = {
      {"other product code, window",
       Path::WindowFile,
       Edited(changed, {{"PRODUCT_CODE=3101", "PRODUCT_CODE=3105"}}),
       {},
       "the controller at site 4 is a 3101"},
      {"other unit, window",
       Path::WindowFile,
       Edited(changed, {{"V5.10", "V5.00"}}),
       {Answer::No},
       "from another unit"},
      {"out of limits, window",
       Path::WindowFile,
       Edited(changed, {{"GNOMIN_PWR=200", "GNOMIN_PWR=99999"}}),
       {},
       "GNOMIN_PWR = "},
      {"missing keys, window",
       Path::WindowFile,
       Edited(changed, {{"VG_LEV2=", ""}}),
       {Answer::No},
       "nothing differs, nothing written"},
      {"engine running, window", Path::WindowEdit, {}, {Answer::No}, ""},
      {"engine running, curve", Path::Curve, {}, {Answer::No}, ""},
      {"engine running, password", Path::Password, {}, {Answer::No}, ""},
      {"locked, window", Path::WindowEdit, {}, {}, kUnlockFirst},
      {"locked, curve", Path::Curve, {}, {}, kUnlockFirst},
      {"locked, password", Path::Password, {}, {}, kUnlockFirst},
  };
  bool running = false;
  bool locked = false;
  for (const auto& c : cases) {
    const std::string name = c.name;
    if (!running && name.starts_with("engine running")) {
      host.answers = {Answer::Yes, Answer::Yes};
      ASSERT_TRUE(session.Commands().Send(4, RemoteCommand::Manual).Completed());
      ASSERT_TRUE(session.Commands().Send(4, RemoteCommand::Start, true).Completed());
      for (int k = 0; k < 100 && images.Word(4, kEngineSpeed) == 0; ++k) QTest::qWait(50);
      ASSERT_NE(images.Word(4, kEngineSpeed), 0);
      running = true;
    }
    if (!locked && name.starts_with("locked")) {
      host.answers = {Answer::Yes};
      ASSERT_TRUE(session.Commands().Send(4, RemoteCommand::Off).Completed());
      unlock("9999", "locked");
      ASSERT_EQ(window->StatusPanel(1), "locked");
      locked = true;
    }
    host.messages.clear();
    host.questions.clear();
    host.answers.assign(c.answers.begin(), c.answers.end());
    previews = 0;
    const int before = WritesReceived(trace);
    switch (c.path) {
      case Path::WindowFile: {
        ASSERT_FALSE(c.file.empty()) << name;
        const std::string path = sim.File("refused.dat");
        std::ofstream(path, std::ios::binary) << c.file;
        session.ParameterFiles().LoadFrom(4, path);
        Child<QPushButton>(*window, "btnWrite")->click();
        break;
      }
      case Path::WindowEdit:
        window->Model().Find("seNominPower")->number += 10;
        Child<QPushButton>(*window, "btnWrite")->click();
        break;
      case Path::Curve: {
        SensorCurve curve = CurveFromImage(images, 4, 0);
        curve[9].value = static_cast<std::int16_t>(curve[9].value + 1);
        EXPECT_NE(session.WriteCurve(4, 0, curve), CurveWriteResult::Written) << name;
        break;
      }
      case Path::Password:
        session.ChangePassword(4, "4321");
        break;
    }
    QTest::qWait(300);  // a poll or two: whatever a refused write might have sent is traced
    EXPECT_EQ(WritesReceived(trace), before) << name;
    if (*c.says) {
      ASSERT_FALSE(host.messages.empty()) << name;
      EXPECT_NE(host.messages.back().find(c.says), std::string::npos)
          << name << ": " << host.messages.back();
    } else {
      ASSERT_FALSE(host.questions.empty()) << name;
      EXPECT_EQ(host.questions.back().text, kRunning) << name;
    }
    // The window shows the controller's parameters again for the next case.
    session.ReadParameters(4);
  }
  window->close();
  QTest::qWait(100);
  sim.Stop();
}

}  // namespace
}  // namespace vorel::test

// The window's Write against vorel-sim, answered Yes to "Modify sensor chart?": the curve
// editor opens after the parameter write has ended, and its Write reaches the simulator (seen
// in the simulator's frame trace), where before it was turned away as busy without a word.
#include <QPushButton>
#include <QToolButton>

#include "core/register_table.h"
#include "core/sensor_curve.h"
#include "support/sim_process.h"
#include "support/sim_trace.h"
#include "ui/parameter_window.h"
#include "ui/write_preview_dialog.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

using UiCurveQuestionSim = UiTest;

TEST_F(UiCurveQuestionSim, YesOpensTheEditorWhoseWriteReachesTheController) {
  SimProcess sim(VOREL_SIM_PATH);
  const std::string trace = sim.File("trace");
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "4", "--trace", QString::fromStdString(trace)}))
      << sim.error();
  const std::unique_ptr<MainWindow> desktop = ConnectedToSim(sim, {4});
  MainWindow& main = *desktop;
  ASSERT_TRUE(main.IsOnline(4));
  auto* window = dynamic_cast<ParameterWindow*>(main.session().Window(4));
  ASSERT_NE(window, nullptr);
  window->Model().Find("medPSWUnlock")->text = "1234";
  window->UnlockButton()->click();
  QTest::qWait(1200);
  ASSERT_EQ(window->StatusPanel(1), "unlocked");
  Child<QPushButton>(*window, "btnRead")->click();

  // The user makes AI1 a user-defined sensor, so that Yes has an editor to open.
  window->Model().Channels().analogue[0].type = kUserDefinedSensor;

  // The preview is confirmed; an editor opens for every channel with a sensor chart and the
  // user presses its Write.
  int editorsOpened = 0;
  window->SetModalRunner([&](QDialog& editor) {
    if (dynamic_cast<WritePreviewDialog*>(&editor)) return static_cast<int>(QDialog::Accepted);
    ++editorsOpened;
    auto* write = Child<QPushButton>(editor, "btnAnlgChartWrite");
    if (write && write->isEnabled()) write->click();
    return 0;
  });
  const std::size_t before = TraceRequests(trace).size();
  host.answers = {Answer::Yes};
  Child<QPushButton>(*window, "btnWrite")->click();
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].text, "Modify sensor chart?");
  EXPECT_EQ(editorsOpened, 3);
  ASSERT_TRUE(host.messages.empty()) << host.messages.front();

  // After the parameter write: the curve's type word, resistances and values, in that order.
  QTest::qWait(200);
  const std::vector<TraceRequest> requests = TraceRequests(trace);
  std::vector<std::uint16_t> curveWrites;
  for (std::size_t i = before; i < requests.size(); ++i) {
    const TraceRequest& r = requests[i];
    if (r.site == 4 && r.function == 16 &&
        (r.address == CurveResistanceAddress(0) || r.address == CurveValueAddress(0)))
      curveWrites.push_back(r.address);
  }
  EXPECT_EQ(curveWrites,
            (std::vector<std::uint16_t>{CurveResistanceAddress(0), CurveValueAddress(0)}));
  window->close();
  QTest::qWait(50);
  sim.Stop();
}

}  // namespace
}  // namespace vorel::test

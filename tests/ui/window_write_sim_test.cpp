// The parameter window's Write against vorel-sim: only the register the user changed is sent,
// after the preview listed exactly it; Cancel in the preview sends nothing; "Undo last write"
// writes the old value back.
#include <QDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <set>

#include "core/site_images.h"
#include "support/sim_process.h"
#include "support/sim_trace.h"
#include "ui/parameter_window.h"
#include "ui/write_preview_dialog.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

constexpr std::uint16_t kNominPower = 0x00C8;

struct WrittenBlock {
  std::uint16_t address;
  std::vector<std::uint16_t> words;
};

// The write requests (functions 6 and 16) the simulator received after the first `skip`
// lines of its trace.
std::vector<WrittenBlock> Writes(const std::string& trace, std::size_t skip) {
  std::vector<WrittenBlock> writes;
  const std::vector<TraceLine> lines = ReadTrace(trace);
  for (std::size_t i = skip; i < lines.size(); ++i) {
    const std::vector<std::uint8_t>& b = lines[i].bytes;
    if (lines[i].direction != "RX" || b.size() < 8) continue;
    const auto word = [&](std::size_t at) {
      return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
    };
    if (b[1] == 6) writes.push_back({word(2), {word(4)}});
    if (b[1] != 16) continue;
    WrittenBlock block{word(2), {}};
    for (std::size_t k = 0; k < word(4) && 7 + 2 * k + 1 < b.size(); ++k)
      block.words.push_back(word(7 + 2 * k));
    writes.push_back(block);
  }
  return writes;
}

struct Preview {
  int shown = 0;
  std::vector<std::vector<std::string>> rows;
  bool offeredCounters = false;
};

using UiWindowWriteSim = UiTest;

TEST_F(UiWindowWriteSim, WritesOnlyTheChangedRegisterAfterThePreviewAndUndoes) {
  SimProcess sim(VOREL_SIM_PATH);
  const std::string trace = sim.File("trace.txt");
  ASSERT_TRUE(
      sim.Start({"--baud", "0", "--site", "4:3105", "--trace", QString::fromStdString(trace)}))
      << sim.error();
  const std::unique_ptr<MainWindow> desktop = ConnectedToSim(sim, {4});
  MainWindow& main = *desktop;
  auto* window = dynamic_cast<ParameterWindow*>(main.session().Window(4));
  ASSERT_NE(window, nullptr);
  SiteImages& images = main.session().Images();

  Preview preview;
  int answer = QDialog::Rejected;
  window->SetModalRunner([&](QDialog& dialog) {
    auto* write = dynamic_cast<WritePreviewDialog*>(&dialog);
    if (!write) return static_cast<int>(QDialog::Rejected);
    ++preview.shown;
    preview.rows.clear();
    for (int r = 0; r < write->Table()->rowCount(); ++r) {
      std::vector<std::string> row;
      for (int c = 0; c < write->Table()->columnCount(); ++c)
        row.push_back(write->Table()->item(r, c)->text().toStdString());
      preview.rows.push_back(row);
    }
    preview.offeredCounters = !write->IncludeCounters()->isHidden();
    return answer;
  });
  window->Model().Find("medPSWUnlock")->text = "1234";
  window->UnlockButton()->click();
  QTest::qWait(1200);
  ASSERT_EQ(window->StatusPanel(1), "unlocked");
  EXPECT_FALSE(window->UndoWriteButton()->isEnabled());

  const std::uint16_t before = images.Word(4, kNominPower);
  EditorValue& power = *window->Model().Find("seNominPower");
  const std::string oldText = window->Model().Text(*FindParameterRow("seNominPower"));
  power.number += 10;
  const std::string newText = window->Model().Text(*FindParameterRow("seNominPower"));

  // Cancel: the preview lists Nomin Power alone, and nothing is written.
  std::size_t seen = ReadTrace(trace).size();
  Child<QPushButton>(*window, "btnWrite")->click();
  ASSERT_EQ(preview.shown, 1);
  ASSERT_EQ(preview.rows.size(), 1u);
  EXPECT_EQ(preview.rows[0][1], oldText);
  EXPECT_EQ(preview.rows[0][2], newText);
  EXPECT_EQ(preview.rows[0][3], "KW");
  EXPECT_FALSE(preview.offeredCounters);
  EXPECT_TRUE(Writes(trace, seen).empty());
  EXPECT_TRUE(host.messages.empty()) << host.messages.front();

  // OK: one request, to Nomin Power only (not the counters, the clock or the name).
  answer = QDialog::Accepted;
  seen = ReadTrace(trace).size();
  Child<QPushButton>(*window, "btnWrite")->click();
  ASSERT_EQ(preview.shown, 2);
  ASSERT_EQ(preview.rows.size(), 1u);
  std::vector<WrittenBlock> writes = Writes(trace, seen);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].address, kNominPower);
  ASSERT_EQ(writes[0].words.size(), 1u);
  const std::uint16_t after = writes[0].words[0];
  EXPECT_NE(after, before);
  EXPECT_EQ(images.Word(4, kNominPower), after);
  EXPECT_TRUE(host.messages.empty()) << host.messages.front();
  EXPECT_TRUE(window->UndoWriteButton()->isEnabled());

  // Undo: the preview shows the way back and the old word is written again, alone.
  seen = ReadTrace(trace).size();
  window->UndoWriteButton()->click();
  ASSERT_EQ(preview.shown, 3);
  ASSERT_EQ(preview.rows.size(), 1u);
  EXPECT_EQ(preview.rows[0][1], newText);
  EXPECT_EQ(preview.rows[0][2], oldText);
  writes = Writes(trace, seen);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].address, kNominPower);
  EXPECT_EQ(writes[0].words, std::vector<std::uint16_t>{before});
  EXPECT_EQ(images.Word(4, kNominPower), before);
  EXPECT_TRUE(host.messages.empty()) << host.messages.front();
  window->close();
  QTest::qWait(100);
  sim.Stop();
}

}  // namespace
}  // namespace vorel::test

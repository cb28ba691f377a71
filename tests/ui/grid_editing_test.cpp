#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>

#include "parameter_window_fixture.h"
#include "ui/elided_label.h"

namespace vorel::test {
namespace {

class GridEditingTest : public ParameterWindowTest {
 public:
  // Nomin Power 400 (limits 1 to 5000) and Nomin Volt 230 (100 to 1000) in an online window.
  ParameterWindow& OpenBasic() {
    SetLimits({{0x00C8, 1, 5000}, {0x00CB, 100, 1000}});
    images->SetWord(kSite, 0x00C8, 400);
    images->SetWord(kSite, 0x00CB, 230);
    return OpenType(3101);
  }
  QDoubleSpinBox* Spin(const char* name) { return Named<QDoubleSpinBox>(name); }
  // Opens a row's editor and types over what it shows.
  QDoubleSpinBox* Type(int row, const char* name, const char* text) {
    ClickCell(SetpointGrid::Basic, row, 1);
    QDoubleSpinBox* spin = Spin(name);
    spin->selectAll();
    QTest::keyClicks(spin, text);
    return spin;
  }
};

TEST_F(GridEditingTest, KeysOfAnOpenEditorMoveCommitAndRevert) {
  const struct {
    const char* typed;  // "" to type nothing
    Qt::Key key;
    std::string row1;    // the cell of Nomin Power afterwards
    std::string editor;  // the editor open afterwards
  } cases[] = {
      {"", Qt::Key_Down, "400", "seNominVoltage"},         // moves, does not step
      {"450", Qt::Key_Return, "450", "seNominVoltage"},    // commits and moves down
      {"450", Qt::Key_Enter, "450", "seNominVoltage"},     // the keypad's Enter as well
      {"450", Qt::Key_Escape, "400", ""},                  // back to the value it opened with
      {"", Qt::Key_PageUp, "410", "seNominPower"},         // still steps the number
      {"9000", Qt::Key_Return, "5000", "seNominVoltage"},  // the limit, not the last value
  };
  for (const auto& c : cases) {
    ParameterWindow& w = OpenBasic();
    QDoubleSpinBox* spin = Type(1, "seNominPower", "");
    if (*c.typed) QTest::keyClicks(spin, c.typed);
    QTest::keyClick(spin, c.key);
    if (c.editor == "seNominPower") ClickCell(SetpointGrid::Basic, 3, 1);  // leave it
    EXPECT_EQ(Cell(SetpointGrid::Basic, 1, 1), c.row1) << c.typed << " " << c.key;
    EXPECT_EQ(ShownEditor(SetpointGrid::Basic),
              c.editor == "seNominPower" ? "seNominCurrent" : c.editor)
        << c.typed << " " << c.key;
    w.StoreAllPages();
    EXPECT_EQ(std::to_string(images->Word(kSite, 0x00C8)), c.row1) << c.typed << " " << c.key;
  }

  // Up goes back to the row above; the value of the row left stays as typed.
  OpenBasic();
  QDoubleSpinBox* volt = Type(2, "seNominVoltage", "240");
  QTest::keyClick(volt, Qt::Key_Up);
  EXPECT_EQ(ShownEditor(SetpointGrid::Basic), "seNominPower");
  EXPECT_EQ(Cell(SetpointGrid::Basic, 2, 1), "240");
}

TEST_F(GridEditingTest, AValueBeyondItsLimitIsToldAndTheEditorShowsTheLimit) {
  const struct {
    const char* language;
    int row;
    const char* editor;
    const char* typed;
    const char* notice;
    const char* range;
  } cases[] = {
      {"english", 1, "seNominPower", "9000",
       "Nomin Power: 9000 is above its limit 5000; set to 5000.", "Range: 1 to 5000"},
      {"english", 2, "seNominVoltage", "5", "Nomin Volt: 5 is below its limit 100; set to 100.",
       "Range: 100 to 1000"},
      {"chinese", 1, "seNominPower", "9000", "额定功率: 9000 高于上限 5000，已设为 5000。",
       "范围: 1 至 5000"},
  };
  for (const auto& c : cases) {
    SetLanguageSetting(c.language);
    ParameterWindow& w = OpenBasic();
    QDoubleSpinBox* spin = Type(c.row, c.editor, c.typed);
    // Write with the editor still open: the editor shows what is sent, and says why.
    Child<QPushButton>(w, "btnWrite")->click();
    EXPECT_EQ(commands.calls.back(), "write3") << c.editor;
    EXPECT_EQ(spin->value(), w.Model().Find(c.editor)->number) << c.editor;
    EXPECT_EQ(w.NoticeLabel()->text().toStdString(), c.notice);
    EXPECT_EQ(w.Grid(SetpointGrid::Basic)->item(c.row, 1)->toolTip().toStdString(), c.range);
    EXPECT_TRUE(spin->toolTip().contains(c.range)) << spin->toolTip().toStdString();
    // 1000 pixels wide, the notice reads whole across the bar first; in its own place
    // afterwards it reads whole, or shortened with the whole of it in the tooltip.
    w.resize(1000, w.height());
    EXPECT_EQ(w.statusBar()->currentMessage().toStdString(), c.notice);
    w.statusBar()->clearMessage();
    auto* label = dynamic_cast<ElidedLabel*>(w.NoticeLabel());
    ASSERT_NE(label, nullptr);
    label->grab();
    const bool whole = label->ShownText() == label->text();
    EXPECT_EQ((whole ? label->text() : label->toolTip()).toStdString(), c.notice);
  }
}

// A sentence that does not fit is shortened in the middle, whole in the tooltip; one that fits
// is shown as it is, without a tooltip.
TEST(ElidedLabelTest, ACutSentenceIsWholeInTheTooltip) {
  ElidedLabel label;
  label.setText("Nomin Power: 9000 is above its limit 5000; set to 5000.");
  label.resize(120, 20);
  label.grab();
  EXPECT_NE(label.ShownText(), label.text());
  EXPECT_TRUE(label.ShownText().endsWith("5000.")) << label.ShownText().toStdString();
  EXPECT_EQ(label.toolTip(), label.text());
  EXPECT_EQ(label.minimumSizeHint().width(), 0);  // it never widens the bar
  label.resize(2000, 20);
  label.grab();
  EXPECT_EQ(label.ShownText(), label.text());
  EXPECT_TRUE(label.toolTip().isEmpty());
}

TEST_F(GridEditingTest, ChangedCellsAreMarkedCountedAndKeptFromAnUnaskedClose) {
  ParameterWindow& w = OpenBasic();
  QTableWidgetItem* cell = w.Grid(SetpointGrid::Basic)->item(1, 1);
  EXPECT_FALSE(cell->font().bold());
  EXPECT_EQ(w.ChangedLabel()->text(), "");

  QTest::keyClick(Type(1, "seNominPower", "450"), Qt::Key_Return);
  EXPECT_TRUE(cell->font().bold());
  EXPECT_TRUE(cell->toolTip().contains("Controller: 400")) << cell->toolTip().toStdString();
  EXPECT_EQ(w.ChangedLabel()->text(), "1 value changed");

  // Closing asks; Cancel keeps the window and its edit.
  EXPECT_FALSE(w.close());
  EXPECT_EQ(modalsShown, std::vector<std::string>{"discardQuestion"});
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(Cell(SetpointGrid::Basic, 1, 1), "450");
  w.SetModalRunner([](QDialog&) { return int(QMessageBox::Discard); });
  EXPECT_TRUE(w.close());

  // Typing the controller's value back, or reading the written value, leaves nothing marked.
  ParameterWindow& again = OpenBasic();
  QTest::keyClick(Type(1, "seNominPower", "450"), Qt::Key_Return);
  QTest::keyClick(Type(1, "seNominPower", "400"), Qt::Key_Return);
  EXPECT_EQ(again.ChangedCount(), 0);
  QTest::keyClick(Type(1, "seNominPower", "450"), Qt::Key_Return);
  images->SetWord(kSite, 0x00C8, 450);
  again.LoadAllPages();
  EXPECT_EQ(again.ChangedCount(), 0);
  EXPECT_FALSE(again.Grid(SetpointGrid::Basic)->item(1, 1)->font().bold());

  // A window opened from a file has no controller to differ from.
  ParameterWindow& offline = Open(kWindowOffline);
  QTest::keyClick(Type(1, "seNominPower", "450"), Qt::Key_Return);
  EXPECT_EQ(offline.ChangedCount(), 0);
  modalsShown.clear();
  EXPECT_TRUE(offline.close());
  EXPECT_TRUE(modalsShown.empty());
}

}  // namespace
}  // namespace vorel::test

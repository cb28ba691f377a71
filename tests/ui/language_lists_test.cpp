// A language switch relabels the drop-down lists of an open parameter window: the items come
// in the new language and each list keeps the entry chosen in it.
#include <QComboBox>

#include "core/channel_tables.h"
#include "core/parameter_table.h"
#include "parameter_window_fixture.h"
#include "ui/analogue_channel_grid.h"
#include "ui/binary_io_grids.h"

namespace vorel::test {
namespace {

using LanguageLists = ParameterWindowTest;

QStringList Items(const QComboBox* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  return items;
}

TEST_F(LanguageLists, SwitchRelabelsTheListsAndKeepsTheirChoices) {
  images->SetWord(kSite, 0x0126, 0x2054);  // AI1: oil pressure, VDO 5 bar
  images->SetWord(kSite, 0x0129, 0x1010);
  // One list of each kind: a setpoint editor's, the analogue grid's, a binary input's.
  const auto lists = [this](ParameterWindow& w) {
    return std::array<QComboBox*, 3>{Named<QComboBox>("cbRetFromTest"),
                                     w.AnalogueGrid()->List(0, kAnlgCondition),
                                     w.InputGrid()->List(1, 3)};
  };
  SetLanguageSetting("chinese");
  std::array<QStringList, 3> chinese;
  {
    ParameterWindow& w = OpenType(3101);
    for (std::size_t i = 0; i < 3; ++i) chinese[i] = Items(lists(w)[i]);
  }
  SetLanguageSetting("english");
  ParameterWindow& w = OpenType(3101);
  const std::array<QComboBox*, 3> shown = lists(w);
  std::array<int, 3> chosen{};
  for (std::size_t i = 0; i < 3; ++i) {
    ASSERT_GE(shown[i]->count(), 2) << i;
    ASSERT_NE(Items(shown[i]), chinese[i]) << i;
    chosen[i] = shown[i]->currentIndex() == 1 ? 0 : 1;
    Choose(shown[i], chosen[i]);
  }
  const std::string rowBefore = Cell(w.AnalogueGrid(), 1, kAnlgCondition);

  SetLanguageSetting("chinese");
  w.RelabelEditorLists();
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(Items(shown[i]), chinese[i]) << i;
    EXPECT_EQ(shown[i]->currentIndex(), chosen[i]) << i;
  }
  // The grid's row and the model follow: the choice is the same, in the new language.
  EXPECT_EQ(Cell(w.AnalogueGrid(), 1, kAnlgCondition), chinese[1][chosen[1]].toStdString());
  EXPECT_NE(Cell(w.AnalogueGrid(), 1, kAnlgCondition), rowBefore);
  EXPECT_EQ(w.Editors()[*FindParameterRow("cbRetFromTest")].index, chosen[0]);
}

}  // namespace
}  // namespace vorel::test

// Controller groups C and D cannot be connected, but a parameter file of theirs opens in an
// offline window: its binary input and output grids show the group's slots on screen.
#include "ui/binary_io_grids.h"
#include "ui/parameter_window.h"
#include "ui/setpoint_grid.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

std::string Cell(const StringGrid* grid, int row, int column) {
  return grid->CellText(row, column).toStdString();
}

using UiOfflineGroups = UiTest;

TEST_F(UiOfflineGroups, GroupsCAndDShowTheirSlotsFromAFile) {
  WriteVport("[System]\r\nLanguage=english\r\n");
  MainWindowServices services;
  services.pump = pump;
  const std::unique_ptr<MainWindow> desktop = OpenDesktop(host, std::move(services));
  MainWindow& main = *desktop;
  const struct {
    int type;
    std::vector<std::string> inputs;  // row titles of grid rows 1 to 8
    std::vector<std::string> outputs;
  } cases[] = {
      {3106,
       {"BI6", "BI7", "BI8", "", "", "", "", ""},
       {"BO4", "BO5", "BO6", "BO7", "", "", "", ""}},
      {3109,
       {"BI6", "BI7", "BI8", "", "", "", "", ""},
       {"BO4", "BO5", "BO6", "BO7", "", "", "", ""}},
      {3113,
       {"BI1", "BI2", "BI3", "BI4", "BI5", "BI6", "BI7", "BI8"},
       {"BO1", "BO2", "BO3", "BO4", "BO5", "BO6", "BO7", ""}},
  };
  for (const auto& c : cases) {
    const std::filesystem::path file = Vport().parent_path() / (std::to_string(c.type) + ".dat");
    std::ofstream(file, std::ios::binary)
        << "[Product Information]\r\nPRODUCT_CODE=" << c.type << "\r\n";
    const int site = main.session().ParameterFiles().OpenOfflineFrom(file.string());
    ASSERT_GE(site, 1) << c.type << " " << (host.messages.empty() ? "" : host.messages.back());
    auto* w = dynamic_cast<ParameterWindow*>(main.session().Window(site));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(main.Slots().WindowState(site), kWindowOffline);
    for (int row = 1; row <= 8; ++row) {
      EXPECT_EQ(Cell(w->InputGrid(), row, 0), c.inputs[static_cast<std::size_t>(row - 1)])
          << c.type << " input row " << row;
      EXPECT_EQ(Cell(w->OutputGrid(), row, 0), c.outputs[static_cast<std::size_t>(row - 1)])
          << c.type << " output row " << row;
    }
    main.session().FreeSlot(site);
  }
}

}  // namespace
}  // namespace vorel::test

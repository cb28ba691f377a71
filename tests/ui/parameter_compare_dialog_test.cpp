// "Compare with file..." of a real offscreen parameter window opened from a file: the file
// chosen as for Load, the dialog listing the parameters that differ from the window's editors
// (their current values, not the file the window came from), "No differences." for an equal
// file, and the Load message for a file that does not convert.
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <fstream>

#include "core/editor_model.h"
#include "ui/parameter_compare_dialog.h"
#include "ui/parameter_window.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

// What the dialog showed: the header, then one line per row, cells joined by "|"; or the
// "No differences." text.
struct Shown {
  std::vector<std::string> rows;
  std::string noDifferences;
};

using UiParameterCompare = UiTest;

TEST_F(UiParameterCompare, ListsTheDifferencesOfTheWindowsEditorsAndTheFile) {
  WriteVport("[System]\r\nLanguage=english\r\n");
  SetLanguageSetting("english");
  MainWindowServices services;
  services.pump = pump;
  const std::unique_ptr<MainWindow> desktop = OpenDesktop(host, std::move(services));
  MainWindow& main = *desktop;

  const std::filesystem::path folder = Vport().parent_path();
  const auto file = [&](const char* name, const char* power, const char* frequency) {
    const std::filesystem::path path = folder / name;
    std::ofstream(path, std::ios::binary)
        << "[SYSTEM]\r\nLCOMPENSATION=0.92\r\n[Product Information]\r\nDEV_NAME=A\r\n"
        << "PRODUCT_CODE=3101\r\n[BASIC SETPOINT]\r\nGNOMIN_PWR=" << power
        << "\r\nGNOMIN_FREQ=" << frequency
        << "\r\nGNOMIN_VOL=400\r\n"
        // The three current fields of 0x0089 as the store pass writes them back.
        << "[CurrProperty]\r\nCURR_PROPERTY=3276\r\n";
    return path.string();
  };
  const std::string opened = file("opened.dat", "100", "50.00");
  const std::string differs = file("differs.dat", "120", "60.00");
  const std::string bad = file("bad.dat", "12x", "50.00");

  const int site = main.session().ParameterFiles().OpenOfflineFrom(opened);
  ASSERT_GE(site, 1);
  auto* window = dynamic_cast<ParameterWindow*>(main.session().Window(site));
  ASSERT_NE(window, nullptr);
  auto* compare = Child<QPushButton>(*window, "btnCompare");
  ASSERT_NE(compare, nullptr);
  EXPECT_EQ(compare->text().toStdString(), "Compare with file...");
  EXPECT_TRUE(compare->isEnabled());

  std::vector<Shown> shown;
  window->SetModalRunner([&](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName().toStdString(), "fmCompare");
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    Shown s;
    auto* table = Child<QTableWidget>(dialog, "sgDifferences");
    auto* label = Child<QLabel>(dialog, "lbNoDifferences");
    if (!table || !label) return 0;
    if (label->isVisible()) s.noDifferences = label->text().toStdString();
    if (table->isVisible()) {
      std::string header;
      for (int c = 0; c < table->columnCount(); ++c)
        header += (c ? "|" : "") + table->horizontalHeaderItem(c)->text().toStdString();
      s.rows.push_back(header);
      for (int r = 0; r < table->rowCount(); ++r) {
        std::string line;
        for (int c = 0; c < table->columnCount(); ++c)
          line += (c ? "|" : "") + table->item(r, c)->text().toStdString();
        s.rows.push_back(line);
      }
    }
    shown.push_back(s);
    Click(dialog, "btnClose");
    return dialog.result();
  });
  const auto compareWith = [&](const std::string& path) {
    host.fileNames.push_back(path);
    shown.clear();
    QTest::mouseClick(compare, Qt::LeftButton);
  };

  compareWith(opened);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].noDifferences, "No differences.");
  EXPECT_TRUE(shown[0].rows.empty());

  compareWith(differs);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].rows, (std::vector<std::string>{
                               "Parameter|This window|File|Unit|Key",
                               "System/Basic||||",
                               "Nomin Power|100|120|KW|GNOMIN_PWR",
                               "Nomin Freq|50.0|60.0|Hz|GNOMIN_FREQ",
                           }));

  // An edit not yet written counts: the window now agrees with the file on the power.
  window->Editors().Find("seNominPower")->number = 120;
  compareWith(differs);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].rows, (std::vector<std::string>{
                               "Parameter|This window|File|Unit|Key",
                               "System/Basic||||",
                               "Nomin Freq|50.0|60.0|Hz|GNOMIN_FREQ",
                           }));
  // Comparing changed nothing of the site's value image.
  EXPECT_EQ(main.session().Images().Word(site, 0x00C8), 100);

  // Chinese titles and headers.
  SetLanguageSetting("chinese");
  compareWith(differs);
  ASSERT_EQ(shown.size(), 1u);
  ASSERT_EQ(shown[0].rows.size(), 3u);
  EXPECT_EQ(shown[0].rows[0], "参数|本窗口|文件|单位|关键字");
  EXPECT_EQ(shown[0].rows[1], "系统/基本设定||||");
  EXPECT_EQ(shown[0].rows[2], "额定频率|50.0|60.0|Hz|GNOMIN_FREQ");
  SetLanguageSetting("english");

  // A file that does not convert: Load's message, no dialog; a cancelled dialog: nothing.
  host.messages.clear();
  compareWith(bad);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(host.messages, std::vector<std::string>{"'12x' is not a valid integer value"});
  host.fileNames.push_back(std::nullopt);
  QTest::mouseClick(compare, Qt::LeftButton);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(host.messages.size(), 1u);
  main.session().FreeSlot(site);
}

}  // namespace
}  // namespace vorel::test

#include <QAction>
#include <QCheckBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

#include "ui/site_list_dialog.h"
#include "ui_fixture.h"

namespace vorel::test {
namespace {

using UiSiteAddr = UiTest;

void Tick(QDialog& d, int site) {
  QTest::mouseClick(Child<QCheckBox>(d, QString("cbAddr%1").arg(site).toUtf8().constData()),
                    Qt::LeftButton);
}

TEST_F(UiSiteAddr, OkWritesAllThirtyTwoKeys) {
  WriteVport("[Device]\r\nControlerAddr7=-1\r\nRemark=kept\r\n");
  MainWindow& main = Main();
  scripts.push_back([](QDialog& d) {
    Tick(d, 7);  // clears the one from the file
    Tick(d, 3);
    Tick(d, 20);
    Click(d, "btnOK");
  });
  Child<QToolButton>(main, "tbSiteAddr")->click();
  for (int n = 1; n <= kSiteCount; ++n) {
    std::string key = "ControlerAddr" + std::to_string(n);
    EXPECT_EQ(VportValue("Device", key.c_str()), n == 3 || n == 20 ? "-1" : "0") << key;
  }
  EXPECT_EQ(VportValue("Device", "Remark"), "kept");
  EXPECT_FALSE(main.SiteAddr().isVisible());
}

TEST_F(UiSiteAddr, CancelStoresNothingAndReopeningReloads) {
  MainWindow& main = Main();
  scripts.push_back([](QDialog& d) {
    Tick(d, 5);
    Click(d, "btnCancel");
  });
  bool fiveShown = true;
  scripts.push_back([&](QDialog& d) {
    fiveShown = Child<QCheckBox>(d, "cbAddr5")->isChecked();
    Click(d, "btnCancel");
  });
  Child<QAction>(main, "mConfigurationAddress")->trigger();
  EXPECT_FALSE(std::filesystem::exists(Vport()));
  // Without a file the box keeps the user's tick, as the file has no value for it.
  WriteVport("[Device]\r\nControlerAddr5=0\r\n");
  Child<QAction>(main, "mConfigurationAddress")->trigger();
  EXPECT_FALSE(fiveShown);
}

TEST_F(UiSiteAddr, AddressCellsSendTheKeyboardToTheAccessCode) {
  MainWindow& main = Main();
  int row = -1, column = -1;
  bool editing = false;
  scripts.push_back([&](QDialog& d) {
    auto* grid = Child<QTableWidget>(d, "sgSiteAddr");
    EXPECT_EQ(grid->currentColumn(), 1);  // on show
    // Site 20 sits in row 4 of column 2.
    QTest::mouseClick(Child<QCheckBox>(d, "cbAddr20"), Qt::LeftButton);
    row = grid->currentRow();
    column = grid->currentColumn();
    QWidget* focus = QApplication::focusWidget();
    editing = focus && focus != grid && grid->isAncestorOf(focus);
    ASSERT_TRUE(editing);
    QTest::keyClicks(focus, "1234");
    EXPECT_EQ(focus->property("text").toString(), "1234");
    EXPECT_TRUE(grid->visualRect(grid->model()->index(3, 3)).contains(focus->geometry().center()));
    // Clicking beside the box in the address column of row 2 does the same.
    QRect cell = grid->visualRect(grid->model()->index(1, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.bottomRight() - QPoint(1, 1));
    EXPECT_EQ(grid->currentColumn(), 1);
    EXPECT_EQ(grid->currentRow(), 1);
    Click(d, "btnCancel");
  });
  main.ShowSiteAddresses();
  EXPECT_EQ(row, 3);
  EXPECT_EQ(column, 3);
  EXPECT_TRUE(editing);
}

TEST_F(UiSiteAddr, GridLayoutAndTitlesByLanguage) {
  for (const char* language : {"english", "chinese"}) {
    WriteVport(std::string("[System]\r\nLanguage=") + language + "\r\n");
    bool english = std::string(language) == "english";
    ScriptedHost host;
    MainWindow main(host, {});
    SiteListDialog& w = main.SiteAddr();
    w.show();
    EXPECT_EQ(w.windowTitle(), english ? "Communication address" : "通讯地址");
    QTableWidget* grid = w.Grid();
    ASSERT_EQ(grid->columnCount(), 4);
    EXPECT_EQ(grid->rowCount(), 16);
    const int widths[] = {45, 94, 48, 93};
    // The given widths, wider where the title would be cut off.
    const QFontMetrics metrics(grid->horizontalHeader()->font());
    for (int c = 0; c < 4; ++c) {
      EXPECT_GE(grid->columnWidth(c), widths[c]);
      const QString title = grid->horizontalHeaderItem(c)->text();
      EXPECT_EQ(title,
                c % 2 ? (english ? "Access Code" : "远程存取码") : (english ? "Address" : "地址"));
      EXPECT_GT(grid->columnWidth(c), metrics.horizontalAdvance(title)) << c;
    }
    EXPECT_GE(grid->width(), grid->columnWidth(0) + grid->columnWidth(1) + grid->columnWidth(2) +
                                 grid->columnWidth(3));
    EXPECT_EQ(Child<QPushButton>(w, "btnOK")->text(), english ? "OK" : "确定");
    EXPECT_EQ(Child<QPushButton>(w, "btnCancel")->text(), english ? "Cancel" : "取消");
    EXPECT_EQ(grid->rowHeight(0), 19);
    EXPECT_EQ(grid->cellWidget(0, 0), w.CheckBox(1));
    EXPECT_EQ(grid->cellWidget(15, 2), w.CheckBox(32));
    EXPECT_EQ(w.CheckBox(17)->text(), "17");
    w.hide();
  }
}

}  // namespace
}  // namespace vorel::test

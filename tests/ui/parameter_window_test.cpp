#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

#include "control/parameter_transfer.h"
#include "parameter_window_fixture.h"
#include "ui/active_site.h"
#include "ui/event_log_page.h"

namespace vorel::test {
namespace {

std::string TabText(QTabWidget* tabs, const char* page) {
  for (int i = 0; i < tabs->count(); ++i) {
    if (tabs->widget(i)->objectName() == page) return tabs->tabText(i).toStdString();
  }
  return "<none>";
}

TEST_F(ParameterWindowTest, ControllerTypeDecidesWhatIsEnabledShownAndTitled) {
  const struct {
    std::uint16_t type;
    bool factory;
    std::string tab;
    bool mains;
    bool retFromTest, inversePower, pickers, address, neutral;
    std::vector<std::string> inputs, outputs;  // row titles of rows 1 to 8
  } cases[] = {
      {3101,
       false,
       "Generator/Mains Protection",
       true,
       true,
       true,
       true,
       true,
       true,
       {"BI1", "BI2", "BI3", "BI4", "BI5", "BI6", "BI7", "BI8"},
       {"BO1", "BO2", "BO3", "BO4", "BO5", "BO6", "BO7", "BO8"}},
      {3105,
       false,
       "Generator Protection",
       false,
       false,
       true,
       true,
       false,
       true,
       {"BI1", "BI2", "BI3", "BI4", "BI5", "", "", ""},
       {"BO1", "BO2", "BO3", "", "", "", "", ""}},
      {3106,
       false,
       "Generator/Mains Protection",
       true,
       false,
       false,
       true,
       true,
       true,
       {"BI6", "BI7", "BI8", "", "", "", "", ""},
       {"BO4", "BO5", "BO6", "BO7", "", "", "", ""}},
      {3109,
       false,
       "Generator/Mains Protection",
       true,
       false,
       false,
       false,
       true,
       true,
       {"BI6", "BI7", "BI8", "", "", "", "", ""},
       {"BO4", "BO5", "BO6", "BO7", "", "", "", ""}},
      {3110,
       false,
       "Generator Protection",
       false,
       false,
       false,
       false,
       false,
       false,
       {"BI1", "BI2", "BI3", "BI4", "BI5", "", "", ""},
       {"BO1", "BO2", "BO3", "", "", "", "", ""}},
      {3110,
       true,
       "Generator Protection",
       false,
       false,
       false,
       false,
       false,
       true,
       {"BI1", "BI2", "BI3", "BI4", "BI5", "", "", ""},
       {"BO1", "BO2", "BO3", "", "", "", "", ""}},
      {3113,
       false,
       "Generator/Mains Protection",
       true,
       false,
       false,
       true,
       true,
       true,
       {"BI1", "BI2", "BI3", "BI4", "BI5", "BI6", "BI7", "BI8"},
       {"BO1", "BO2", "BO3", "BO4", "BO5", "BO6", "BO7", ""}},
      // An unknown type changes nothing and writes no channel row titles.
      {4242,
       false,
       "Generator/Mains Protection",
       true,
       true,
       true,
       true,
       true,
       true,
       {"", "", "", "", "", "", "", ""},
       {"", "", "", "", "", "", "", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + (c.factory ? " factory" : " user"));
    SetAccessLevel(c.factory);
    ParameterWindow& w = OpenType(c.type);
    EXPECT_EQ(TabText(w.findChild<QTabWidget*>("pcConfiguration"), "tbGenProtection"), c.tab);
    EXPECT_EQ(!w.Grid(SetpointGrid::Mains)->isHidden(), c.mains);
    EXPECT_EQ(Named("cbRetFromTest")->isEnabled(), c.retFromTest);
    EXPECT_EQ(Named("seInversePower")->isEnabled(), c.inversePower);
    EXPECT_EQ(Named("seInversePowerDel")->isEnabled(), c.inversePower);
    EXPECT_EQ(Named("dtpDate")->isEnabled(), c.pickers);
    EXPECT_EQ(Named("dtpTime")->isEnabled(), c.pickers);
    EXPECT_EQ(!Named("lbTime")->isHidden(), c.pickers);
    EXPECT_EQ(Named("seControlerAddr")->isEnabled(), c.address);
    for (const char* name :
         {"seNeutralCTRatio", "seNeutralCurrent", "seNeutralCurrentDel", "seVoltageRatio"})
      EXPECT_EQ(Named(name)->isEnabled(), c.neutral) << name;
    EXPECT_FALSE(Named("cbProtocol")->isEnabled());
    for (int row = 1; row <= 8; ++row) {
      EXPECT_EQ(Cell(w.InputGrid(), row, 0), c.inputs[row - 1]) << "input row " << row;
      EXPECT_EQ(Cell(w.OutputGrid(), row, 0), c.outputs[row - 1]) << "output row " << row;
    }
    // The generator grid's right half is titled for every type.
    EXPECT_EQ(Cell(SetpointGrid::Generator, 3, 2), "Curr Over Shutdown");
    EXPECT_EQ(Cell(SetpointGrid::Generator, 6, 2), "Curr Unbal Shutdown");
    // An edit reaches exactly its register on every type.
    w.StoreAllPages();
    const Image before = Current();
    ClickCell(SetpointGrid::Basic, 1, 1);
    EXPECT_EQ(ShownEditor(SetpointGrid::Basic), "seNominPower");
    Named<QDoubleSpinBox>("seNominPower")->setValue(250);
    ClickCell(SetpointGrid::Basic, 2, 1);
    w.StoreAllPages();
    Image expected = before;
    expected[0x00C8] = 250;
    EXPECT_EQ(Current(), expected);
  }
}

TEST_F(ParameterWindowTest, WindowTextsInBothLanguages) {
  const struct {
    const char* language;
    std::vector<std::string> texts;
  } cases[] = {
      {"english",
       {"Configuration/Monitor",
        "Configuration",
        "Monitor",
        "Event Log",
        "System/Basic",
        "Engine/Engine Protection",
        "Generator Protection",
        "Analogue Inputs/Inputs/Outputs",
        "System",
        "Re-calibrate",
        "Basic",
        "Engine",
        "Engine Protection",
        "Generator Protection",
        "Mains",
        "Backup",
        "Load",
        "Read",
        "Write",
        "Exit",
        "Help",
        "Read event log",
        "Save event log",
        "Open event log",
        "Password",
        "Controller Addr",
        "Curr Calibration (x1A)",
        "Nomin Power (KW)",
        "ATS Tyep"}},
      {"chinese", {"参数/监测",      "参数设置",
                   "监测",           "历史记录",
                   "系统/基本设定",  "发动机/发动机保护",
                   "发电机保护",     "传感器/输入/输出",
                   "系统",           "系统标定",
                   "基本设定",       "发动机设定",
                   "发动机保护设定", "发电机保护设定",
                   "市电保护",       "备份",
                   "打开",           "读出",
                   "写入",           "退出",
                   "帮助",           "读历史记录",
                   "保存到文件",     "打开记录文件",
                   "密码",           "地址",
                   "电流补偿 (x1A)", "额定功率 (KW)",
                   "开关类型"}},
  };
  for (const auto& c : cases) {
    SetLanguageSetting(c.language);
    ParameterWindow& w = OpenType(3105);
    auto* pages = w.findChild<QTabWidget*>("pcParameter");
    auto* sub = w.findChild<QTabWidget*>("pcConfiguration");
    std::vector<std::string> shown = {
        w.windowTitle().toStdString(),     TabText(pages, "tsConfiguration"),
        TabText(pages, "tsStatusDisplay"), TabText(pages, "tsHistoryDisplay"),
        TabText(sub, "tbBasic"),           TabText(sub, "tbEngine"),
        TabText(sub, "tbGenProtection"),   TabText(sub, "tbSensor")};
    for (const char* label : {"lbSystem", "lbRecalibrate", "lbBasic", "lbEngine",
                              "lbEngineProtection", "lbGeneratorProtection", "lbMains"})
      shown.push_back(Named<QLabel>(label)->text().toStdString());
    for (const char* button : {"btnSave", "btnOpen", "btnRead", "btnWrite", "btnExit", "btnHelp",
                               "btnReadHistory", "btnSaveHistory", "btnOpenHistory"})
      shown.push_back(Named<QPushButton>(button)->text().toStdString());
    shown.push_back(Cell(SetpointGrid::System, 1, 0));
    shown.push_back(Cell(SetpointGrid::System, 3, 0));
    shown.push_back(Cell(SetpointGrid::Compensation, 1, 0));
    shown.push_back(Cell(SetpointGrid::Basic, 1, 0));
    shown.push_back(Cell(SetpointGrid::Mains, 10, 0));
    EXPECT_EQ(shown, c.texts) << c.language;
  }
}

TEST_F(ParameterWindowTest, StatusBarHasFourPanelsOfTheirWidths) {
  ParameterWindow& w = OpenType(3101);
  const int widths[] = {150, 100, 350, 100};
  for (int i = 0; i < 4; ++i) {
    auto* panel = Named<QLabel>(("stbParameterPanel" + std::to_string(i)).c_str());
    EXPECT_EQ(panel->width(), widths[i]);
    w.SetStatusPanel(i, "text " + std::to_string(i));
    EXPECT_EQ(w.StatusPanel(i).toStdString(), "text " + std::to_string(i));
  }
  EXPECT_EQ(Named<QWidget>("stbParameter")->parentWidget(), &w);
  w.ShowProtectionState(true);
  EXPECT_EQ(w.StatusPanel(1).toStdString(), "unlocked");
  EXPECT_TRUE(w.UnlockButton()->isChecked());
  w.ShowProtectionState(false);
  EXPECT_EQ(w.StatusPanel(1).toStdString(), "locked");
  EXPECT_FALSE(w.UnlockButton()->isChecked());
}

TEST_F(ParameterWindowTest, ClickingARowOpensItsEditorOrNothing) {
  using G = SetpointGrid;
  const struct {
    bool factory;
    bool serialBit;
    G grid;
    int row, column;
    std::string editor;
  } cases[] = {
      {false, false, G::System, 1, 1, "medPSWUnlock"},
      {false, false, G::System, 3, 0, "seControlerAddr"},
      {false, false, G::System, 4, 1, "cbProtocol"},
      {false, false, G::System, 6, 1, "dtpDate"},
      {false, false, G::System, 8, 0, ""},  // the check box is always on its cell
      {false, false, G::System, 9, 1, ""},  // serial number closed while bit 6 is clear
      {false, true, G::System, 9, 1, "medMasterSN"},
      {false, false, G::System, 10, 1, "cbLanguage"},
      {false, false, G::System, 11, 1, ""},  // debug address: factory level only
      {true, false, G::System, 11, 1, "seDebugAddr"},
      {false, false, G::System, 12, 1, ""},
      {false, false, G::Compensation, 5, 1, "seRunHours"},
      {false, false, G::Compensation, 7, 1, ""},
      {true, false, G::Compensation, 7, 1, ""},  // factory rows are read-only
      {false, false, G::Basic, 10, 1, "cbRetFromTest"},
      {false, false, G::Engine, 11, 1, "seCrankOilPre"},
      {false, false, G::Engine, 14, 1, ""},
      {false, false, G::EngineProtection, 8, 0, "seAnlg1Lev1"},
      {false, false, G::EngineProtection, 16, 1, "seAnlg3Del"},
      {false, false, G::EngineProtection, 1, 2, "seUnderSpeedDel"},
      {false, false, G::EngineProtection, 3, 3, "sePMTime"},
      {false, false, G::EngineProtection, 4, 3, ""},
      {false, false, G::Generator, 16, 1, "seCurrentUnbalanceDel"},
      {false, false, G::Generator, 6, 3, "cbUnbalCurrProtection"},
      {false, false, G::Generator, 7, 2, ""},
      {false, false, G::Mains, 10, 1, "cbATSType"},
      {false, false, G::Mains, 14, 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(GridInfo(c.grid).name) + " row " + std::to_string(c.row) + " column " +
                 std::to_string(c.column) + (c.factory ? " factory" : ""));
    SetAccessLevel(c.factory);
    images->SetWord(kSite, 0x0000, c.serialBit ? 0x0040 : 0xFFBF);
    OpenType(3101);
    ClickCell(c.grid, c.row, c.column);
    EXPECT_EQ(ShownEditor(c.grid), c.editor);
    if (!c.editor.empty()) {
      QWidget* editor = Named(c.editor.c_str());
      // Laid over the value cell of its half.
      const int valueColumn = c.column >= 2 ? 3 : 1;
      QRect cell = window->Grid(c.grid)->visualRect(
          window->Grid(c.grid)->model()->index(c.row, valueColumn));
      EXPECT_EQ(editor->geometry().topLeft(), cell.topLeft());
    }
    // Clicking the header label closes it.
    QTest::mouseClick(window->Grid(c.grid)->Header(), Qt::LeftButton);
    EXPECT_EQ(ShownEditor(c.grid), "");
  }
}

TEST_F(ParameterWindowTest, FocusColumnFollowsTheGridsRules) {
  using G = SetpointGrid;
  const struct {
    G grid;
    int column;
    int focus;
  } cases[] = {
      {G::System, 1, 0},           {G::Basic, 1, 0},
      {G::Engine, 1, 0},           {G::EngineProtection, 1, 0},
      {G::EngineProtection, 3, 2}, {G::Generator, 3, 3},
      {G::Generator, 1, 1},        {G::Mains, 1, 1},
  };
  OpenType(3101);
  for (const auto& c : cases) {
    ClickCell(c.grid, 2, c.column);
    EXPECT_EQ(window->Grid(c.grid)->currentColumn(), c.focus)
        << GridInfo(c.grid).name << " column " << c.column;
  }
}

TEST_F(ParameterWindowTest, SelectingAnotherCellRefreshesTheWholeSubPage) {
  OpenType(3101);
  ClickCell(SetpointGrid::Basic, 4, 1);
  auto* frequency = Named<QDoubleSpinBox>("seNominFrequency");
  ASSERT_TRUE(frequency->isVisibleTo(window.get()));
  frequency->setValue(50.1);
  EXPECT_EQ(Cell(SetpointGrid::Basic, 4, 1), "0.0");  // the cell follows on leaving
  ClickCell(SetpointGrid::System, 3, 1);              // another grid of the same sub-page
  EXPECT_FALSE(frequency->isVisibleTo(window.get()));
  EXPECT_EQ(Cell(SetpointGrid::Basic, 4, 1), "50.1");
  EXPECT_EQ(ShownEditor(SetpointGrid::System), "seControlerAddr");
}

TEST_F(ParameterWindowTest, DisabledEditorOpensButCannotChange) {
  SetAccessLevel(false);
  images->SetWord(kSite, 0x00D3, 7);
  OpenType(3110);
  ClickCell(SetpointGrid::Basic, 8, 1);
  EXPECT_EQ(ShownEditor(SetpointGrid::Basic), "seNeutralCTRatio");
  auto* spin = Named<QDoubleSpinBox>("seNeutralCTRatio");
  EXPECT_FALSE(spin->isEnabled());
  QTest::keyClick(spin, Qt::Key_Up);
  QTest::mouseClick(window->Grid(SetpointGrid::Basic)->Header(), Qt::LeftButton);
  EXPECT_EQ(Cell(SetpointGrid::Basic, 8, 1), "7");
  // The value cell of a disabled editor reads as disabled.
  EXPECT_EQ(window->Grid(SetpointGrid::Basic)->item(8, 1)->foreground().color(),
            window->Grid(SetpointGrid::Basic)->palette().color(QPalette::Disabled, QPalette::Text));
}

// Editing one editor as the user does changes exactly its registers on the next store.
TEST_F(ParameterWindowTest, EditingOneValueStoresExactlyItsRegisters) {
  using G = SetpointGrid;
  const struct {
    const char* label;
    G grid;
    int row, column;
    std::function<void(ParameterWindowTest&)> edit;
    std::map<int, std::uint16_t> changed;
  } cases[] = {
      {"frequency 50.1",
       G::Basic,
       4,
       1,
       [](auto& t) { t.template Named<QDoubleSpinBox>("seNominFrequency")->setValue(50.1); },
       {{0x00CA, 501}}},
      {"current calibration 0.57",
       G::Compensation,
       1,
       1,
       [](auto& t) { t.template Named<QDoubleSpinBox>("seLCompensation")->setValue(0.57); },
       {{0x0073, 57}}},
      {"run hours 0.1",
       G::Compensation,
       5,
       1,
       [](auto& t) { t.template Named<QDoubleSpinBox>("seRunHours")->setValue(0.1); },
       {{0x009F, 0}, {0x00A0, 360}}},
      {"test mode Manual",
       G::Basic,
       10,
       1,
       [](auto& t) { Choose(t.template Named<QComboBox>("cbRetFromTest"), 1); },
       {{0x0103, 199}}},
      {"unbalance action Cooling",
       G::Generator,
       6,
       3,
       [](auto& t) { Choose(t.template Named<QComboBox>("cbUnbalCurrProtection"), 4); },
       {{0x0089, 0xDDCD}}},
      {"ATS logic",
       G::Mains,
       11,
       1,
       [](auto& t) { Choose(t.template Named<QComboBox>("cbATSLogic"), 1); },
       {{0x0105, 185}}},
      {"power save",
       G::System,
       8,
       0,
       [](auto& t) {
         QTest::mouseClick(t.template Named<QCheckBox>("cbPowerSave"), Qt::LeftButton);
       },
       {{0x0118, 0x8123}}},
      {"date",
       G::System,
       6,
       1,
       [](auto& t) { t.template Named<QDateEdit>("dtpDate")->setDate(QDate(2024, 5, 7)); },
       {{0x000E, 0x0705}, {0x000F, 0x2400}}},
      {"level with two decimals",
       G::EngineProtection,
       11,
       1,
       [](auto& t) { t.template Named<QDoubleSpinBox>("seAnlg2Lev1")->setValue(12.34); },
       {{0x00E7, 1234}}},
      {"generator name",
       G::System,
       5,
       1,
       [](auto& t) {
         auto* name = t.template Named<QLineEdit>("medGenName");
         name->selectAll();
         QTest::keyClicks(name, "ab c");
       },
       {{0x0012, 'A' | 'B' << 8}, {0x0013, '_' | 'C' << 8}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Image image{};
    image[0x016B] = 3101;
    image[0x0118] = 0x0123;
    image[0x0089] = 0x1DCD;
    image[0x0103] = 198;
    image[0x0105] = 184;
    image[0x012A] = 0x0E00;  // channel 2: user-defined curve, two decimals
    image[0x0127] = 85;
    image[0x000E] = 0x0101;
    image[0x000F] = 0x2600;
    for (int k = 0; k < 8; ++k) image[0x0012 + k] = '_' | '_' << 8;
    SetImage(image);
    ParameterWindow& w = Open();
    w.StoreAllPages();  // the words the store rebuilds take their stored form first
    const Image before = Current();
    ClickCell(c.grid, c.row, c.column);
    c.edit(*this);
    QTest::mouseClick(window->Grid(c.grid)->Header(), Qt::LeftButton);
    w.StoreAllPages();
    const Image after = Current();
    for (int a = 0; a < kImageWords; ++a) {
      auto it = c.changed.find(a);
      EXPECT_EQ(after[a], it == c.changed.end() ? before[a] : it->second)
          << "register 0x" << std::hex << a;
    }
  }
}

TEST_F(ParameterWindowTest, LeavingASpinEditorBringsItsValueWithinItsLimits) {
  images->SetWord(kSite, 0x00D4, 500);  // pre-start time beyond its maximum
  SetLimits({{0x00D4, 1, 60}});
  ParameterWindow& w = OpenType(3101);
  EXPECT_EQ(Cell(SetpointGrid::Engine, 1, 1), "500");  // loaded as it is
  w.StoreAllPages();
  EXPECT_EQ(images->Word(kSite, 0x00D4), 500);  // kept while never edited
  ClickCell(SetpointGrid::Engine, 1, 1);
  auto* spin = Named<QDoubleSpinBox>("sePreStartTime");
  EXPECT_EQ(spin->minimum(), 1);
  EXPECT_EQ(spin->maximum(), 60);
  ClickCell(SetpointGrid::Engine, 2, 1);
  EXPECT_EQ(Cell(SetpointGrid::Engine, 1, 1), "60");
  w.StoreAllPages();
  EXPECT_EQ(images->Word(kSite, 0x00D4), 60);
}

TEST_F(ParameterWindowTest, TypedValuesOutsideTheLimitsBecomeTheNearestLimit) {
  SetLimits({{0x00C8, 1, 5000}, {0x00CB, 100, 1000}});
  images->SetWord(kSite, 0x00C8, 200);
  images->SetWord(kSite, 0x00CB, 400);
  ParameterWindow& w = OpenType(3101);
  const struct {
    int row;
    const char* editor;
    const char* typed;
    const char* shown;
    std::uint16_t reg;
    std::uint16_t stored;
  } cases[] = {
      {1, "seNominPower", "9000", "5000", 0x00C8, 5000},  // the extra keystroke is kept
      {2, "seNominVoltage", "5", "100", 0x00CB, 100},     // not the old value on leaving
      {1, "seNominPower", "4321", "4321", 0x00C8, 4321},  // inside the limits as typed
  };
  for (const auto& c : cases) {
    ClickCell(SetpointGrid::Basic, c.row, 1);
    auto* spin = Named<QDoubleSpinBox>(c.editor);
    spin->selectAll();
    QTest::keyClicks(spin, c.typed);
    ClickCell(SetpointGrid::Basic, c.row == 1 ? 2 : 1, 1);  // leave the editor
    EXPECT_EQ(Cell(SetpointGrid::Basic, c.row, 1), c.shown) << c.editor << " " << c.typed;
    w.StoreAllPages();
    EXPECT_EQ(images->Word(kSite, c.reg), c.stored) << c.editor << " " << c.typed;
  }
}

TEST_F(ParameterWindowTest, EditorLimitsOfAnOnlineWindow) {
  SetLimits({{0x00CA, 450, 650},
             {0x00E0, 0, 5000},
             {0x00E4, -100, 1000},
             {0x011C, 0, 100},
             {0x0098, 5, 6}});
  images->SetWord(kSite, 0x0129, 0x0E00);  // channel 1: two decimals
  const struct {
    const char* editor;
    double minimum, maximum;
  } cases[] = {
      {"seNominFrequency", 45, 65},  // divided by the factor
      {"seRunHours", 0, 5000},       // the limits of PM_TIME
      {"seAnlg1Lev1", -100, 1000},   // undivided
      {"seCrankOilPre", 0, 10},      // divided by 10
      {"seCrankCount", 0, 65535},    // its own range
      {"seDebugAddr", 0, 65535},     // the form limits
  };
  ParameterWindow& w = OpenType(3101);
  for (const auto& c : cases) {
    EXPECT_EQ(w.Model().Find(c.editor)->minimum, c.minimum) << c.editor;
    EXPECT_EQ(w.Model().Find(c.editor)->maximum, c.maximum) << c.editor;
  }
  // A register that no descriptor names has no limits: 0 and 0, and the editor keeps values.
  EXPECT_EQ(w.Model().Find("seIdleTime")->minimum, 0);
  EXPECT_EQ(w.Model().Find("seIdleTime")->maximum, 0);
  images->SetWord(kSite, 0x00D8, 1234);
  w.LoadAllPages();
  ClickCell(SetpointGrid::Engine, 3, 1);
  ClickCell(SetpointGrid::Engine, 4, 1);
  EXPECT_EQ(Cell(SetpointGrid::Engine, 3, 1), "1234");

  // A window opened from a file keeps the form limits.
  ParameterWindow& offline = Open(kWindowOffline);
  EXPECT_EQ(offline.Model().Find("seNominFrequency")->maximum, 0);
  EXPECT_EQ(offline.Model().Find("seControlerAddr")->maximum, 32);
}

TEST_F(ParameterWindowTest, SystemRowsShowTheirCells) {
  images->SetWord(kSite, 0x0000, 0x0000);
  images->SetWord(kSite, 0x0006, 0x0012);
  images->SetWord(kSite, 0x0007, 0xAB34);
  images->SetWord(kSite, 0x0008, 0xCD5F);
  images->SetWord(kSite, 0x0074, 117);
  images->SetWord(kSite, 0x0062, 0xFFFF);
  for (bool factory : {false, true}) {
    SetAccessLevel(factory);
    ParameterWindow& w = OpenType(3101);
    EXPECT_EQ(Cell(SetpointGrid::System, 1, 1), "****");
    EXPECT_EQ(Cell(SetpointGrid::System, 2, 1), "****");
    EXPECT_EQ(Cell(SetpointGrid::System, 4, 1), "ModBus");
    EXPECT_EQ(Cell(SetpointGrid::System, 9, 1), "0012AB34CD5F");
    EXPECT_EQ(Cell(SetpointGrid::System, 10, 1), "English");
    EXPECT_EQ(Cell(SetpointGrid::System, 11, 0), factory ? "Debug Addr" : "");
    EXPECT_EQ(Cell(SetpointGrid::Compensation, 6, 0), factory ? "IN1_DEF" : "");
    EXPECT_EQ(Cell(SetpointGrid::Compensation, 6, 1), factory ? "FFFF" : "");
    EXPECT_EQ(Cell(SetpointGrid::Compensation, 15, 0), factory ? "VM13_DEF" : "");
    // The serial number cannot be opened, and goes back unchanged.
    images->SetWord(kSite, 0x0007, 0);
    w.StoreAllPages();
    EXPECT_EQ(images->Word(kSite, 0x0007), 0xAB34);
  }
}

TEST_F(ParameterWindowTest, ButtonsAndPasswordsReachTheSession) {
  ParameterWindow& w = OpenType(3101);
  for (const char* b : {"btnSave", "btnOpen", "btnServiceReport", "btnRead", "btnWrite", "btnHelp"})
    Named<QPushButton>(b)->click();
  Named<QPushButton>("btnReadHistory")->click();
  Named<QPushButton>("btnOpenHistory")->click();
  EXPECT_FALSE(Named<QPushButton>("btnSaveHistory")->isEnabled());
  ClickCell(SetpointGrid::System, 1, 1);
  QTest::keyClicks(Named<QLineEdit>("medPSWUnlock"), "12");
  Named<QToolButton>("tbUnlock")->click();
  EXPECT_FALSE(Named<QToolButton>("tbUnlock")->isChecked());  // the controller decides
  ClickCell(SetpointGrid::System, 2, 1);
  QTest::keyClicks(Named<QLineEdit>("medPSWChange"), "4321");
  Named<QToolButton>("tbPswChange")->click();
  EXPECT_EQ(commands.calls,
            (std::vector<std::string>{"savefile3", "loadfile3", "report3", "read3", "write3",
                                      "readlog3", "openlog3", "unlock3[12  ]", "change3[4321]"}));
  (void)w;
}

// Blank positions of a password field are zeros in the word sent; the field shows a star per
// typed digit and the blank character elsewhere.
TEST_F(ParameterWindowTest, PasswordBlankPositionsAreZerosAndTypedDigitsShowAsStars) {
  ParameterWindow& w = OpenType(3101);
  const struct {
    const char* field;
    const char* button;
    std::vector<int> keys;  // Qt keys typed after the cell is opened
    const char* shown;
    const char* sent;
    std::uint16_t word;
  } cases[] = {
      {"medPSWUnlock", "tbUnlock", {Qt::Key_1, Qt::Key_2}, "**__", "12  ", 1200},
      {"medPSWUnlock", "tbUnlock", {Qt::Key_Right, Qt::Key_2}, "_*__", " 2  ", 200},
      {"medPSWChange", "tbPswChange", {Qt::Key_Space, Qt::Key_2}, "_*__", " 2  ", 200},
      {"medPSWChange",
       "tbPswChange",
       {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_Left, Qt::Key_Left, Qt::Key_Backspace},
       "*_**",
       "1 34",
       1034},
      {"medPSWUnlock", "tbUnlock", {Qt::Key_A, Qt::Key_Delete}, "____", "    ", 0},
  };
  for (const auto& c : cases) {
    commands.calls.clear();
    ClickCell(SetpointGrid::System, std::string_view(c.field) == "medPSWUnlock" ? 1 : 2, 1);
    auto* edit = Named<QLineEdit>(c.field);
    // Opening the cell selects the field; Delete blanks every position.
    QTest::keyClick(edit, Qt::Key_Delete);
    edit->setCursorPosition(0);
    for (int key : c.keys) QTest::keyClick(edit, static_cast<Qt::Key>(key));
    EXPECT_EQ(edit->displayText().toStdString(), c.shown) << c.sent;
    EXPECT_EQ(edit->echoMode(), QLineEdit::Normal);
    Named<QToolButton>(c.button)->click();
    ASSERT_EQ(commands.calls.size(), 1u);
    const std::string& call = commands.calls[0];
    const std::string text = call.substr(call.find('[') + 1, 4);
    EXPECT_EQ(text, c.sent);
    EXPECT_EQ(PasswordValue(text), c.word) << c.sent;
    EXPECT_EQ(w.Model().Find(c.field)->text, c.sent);
  }
}

TEST_F(ParameterWindowTest, ClosingIsReportedToTheSessionAfterTheCloseEvent) {
  ParameterWindow& w = OpenType(3101);
  Named<QPushButton>("btnExit")->click();
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(commands.calls.empty());  // not from inside the close event
  QCoreApplication::processEvents();
  EXPECT_EQ(commands.calls, std::vector<std::string>{"close3"});
  EXPECT_EQ(siteSlots.WindowState(kSite), kWindowOnline);  // the session frees the slot
}

TEST_F(ParameterWindowTest, ClockFollowsTheControllerUntilThePickerIsChanged) {
  ParameterWindow& w = OpenType(3101);
  w.ShowControllerClock(QDate(2025, 3, 4), QTime(10, 11, 12));
  EXPECT_EQ(Named<QDateEdit>("dtpDate")->date(), QDate(2025, 3, 4));
  EXPECT_EQ(Cell(SetpointGrid::System, 6, 1),
            QLocale().toString(QDate(2025, 3, 4), QLocale::ShortFormat).toStdString());
  ClickCell(SetpointGrid::System, 7, 1);
  Named<QTimeEdit>("dtpTime")->setTime(QTime(9, 5, 30));
  EXPECT_TRUE(w.Model().Find("dtpTime")->changed);
  w.ShowControllerClock(QDate(2025, 3, 5), QTime(10, 11, 13));
  EXPECT_EQ(Named<QTimeEdit>("dtpTime")->time(), QTime(9, 5, 30));
  EXPECT_EQ(Named<QDateEdit>("dtpDate")->date(), QDate(2025, 3, 5));
  w.StoreAllPages();
  EXPECT_EQ(images->Word(kSite, 0x000C), 0x0905);
  EXPECT_EQ(images->Word(kSite, 0x000D), 0x3000);
  EXPECT_EQ(images->Word(kSite, 0x000E), 0);  // the date was never changed
}

TEST_F(ParameterWindowTest, TestModeRowShowsTheMode) {
  images->SetWord(kSite, 0x0103, 200);
  for (const auto& [language, text] :
       {std::pair{"english", "Auto"}, std::pair{"chinese", "自动"}}) {
    SetLanguageSetting(language);
    OpenType(3101);
    EXPECT_EQ(Cell(SetpointGrid::Basic, 10, 1), text);
  }
}

TEST_F(ParameterWindowTest, ActiveSiteIsTheSiteOfTheActiveWindow) {
  QWidget a, b, other;
  SiteSlots s;
  auto windowOf = [&](int site) -> const QWidget* {
    return site == 4 ? &a : site == 7 ? &b : site == 9 ? &b : nullptr;
  };
  s.SetWindowState(4, kWindowOnline);
  s.SetWindowState(7, kWindowOffline);
  s.SetWindowState(9, kWindowOnline);
  EXPECT_EQ(ActiveSite(s, windowOf, &a), 4);
  EXPECT_EQ(ActiveSite(s, windowOf, &b), 7);  // the lowest site of that window
  EXPECT_EQ(ActiveSite(s, windowOf, &other), 0);
  EXPECT_EQ(ActiveSite(s, windowOf, nullptr), 0);
  s.SetWindowState(4, kWindowNone);
  EXPECT_EQ(ActiveSite(s, windowOf, &a), 0);  // a slot without a window is never active
}

}  // namespace
}  // namespace vorel::test

namespace vorel::test {
namespace {

// Row 0 (the titles) and columns 0 to 3 (row number, event, date, time) stay in view when the
// event-log grid scrolls, and follow the grid's column widths.
TEST_F(ParameterWindowTest, EventLogGridKeepsTitlesAndFirstFourColumnsInView) {
  ParameterWindow& w = OpenType(3105);
  images->SetWord(kSite, reg::kEventLogPosition.address, 0x0200);
  w.RefillEventLog();
  w.ShowEventLogComplete();
  w.EventLog()->HideEmptyBox()->setChecked(false);  // every (empty) record, so that it scrolls
  auto* pages = Named<QTabWidget>("pcParameter");
  pages->setCurrentWidget(Named<QWidget>("tsHistoryDisplay"));
  QApplication::processEvents();
  auto* grid = Named<QTableWidget>("sgHistory");
  auto* columns = Named<QTableView>("sgHistoryFixedColumns");
  auto* titles = Named<QTableView>("sgHistoryFixedRow");
  auto* corner = Named<QTableView>("sgHistoryFixedCorner");
  ASSERT_TRUE(columns->isVisible() && titles->isVisible() && corner->isVisible());
  EXPECT_EQ(grid->item(5, 0)->text(), "4");  // row numbers from 0
  const auto frozenWidth = [grid] {
    return grid->columnWidth(0) + grid->columnWidth(1) + grid->columnWidth(2) +
           grid->columnWidth(3);
  };
  EXPECT_EQ(columns->width(), frozenWidth());
  EXPECT_FALSE(columns->isColumnHidden(3));
  EXPECT_TRUE(columns->isColumnHidden(4));
  EXPECT_TRUE(titles->isRowHidden(1));

  grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
  grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
  QApplication::processEvents();
  ASSERT_GT(grid->verticalScrollBar()->value(), 0);
  ASSERT_GT(grid->horizontalScrollBar()->value(), 0);
  // Down at the end: the frozen columns show the last row numbers beside the grid's rows.
  const QModelIndex low = columns->indexAt(QPoint(5, columns->height() - 5));
  EXPECT_EQ(low.column(), 0);
  EXPECT_EQ(low.row(), grid->indexAt(QPoint(5, grid->viewport()->height() - 5)).row());
  // Far right: the title row shows the titles of the columns below it.
  const int x = grid->viewport()->width() - 5;
  EXPECT_EQ(titles->indexAt(QPoint(x, 5)).row(), 0);
  EXPECT_EQ(titles->indexAt(QPoint(x, 5)).column(), grid->indexAt(QPoint(x, 30)).column());
  // Column 0 is as wide as its row numbers: the point just right of it is in column 1.
  EXPECT_EQ(corner->indexAt(QPoint(grid->columnWidth(0) + 5, 5)).column(), 1);

  grid->setColumnWidth(1, 150);
  EXPECT_EQ(grid->columnWidth(1), 150);
  EXPECT_EQ(columns->width(), frozenWidth());
}

}  // namespace
}  // namespace vorel::test

namespace vorel::test {
namespace {

// The monitor and event-log pages are built when first shown or asked for; built late they
// show what they would have shown had they been built with the window.
TEST_F(ParameterWindowTest, PagesBuiltLateShowWhatTheyWouldHaveShown) {
  images->SetWord(kSite, 0x016B, 3101);
  images->SetWord(kSite, 0x0099, 1500);
  images->SetWord(kSite, reg::kEventLogPosition.address, 0x0200);
  auto steps = [](ParameterWindow& w) {
    w.RefreshMonitor();
    w.ShowControllerClock(QDate(2026, 3, 4), QTime(5, 6, 7));
    w.RefillEventLog();
  };
  auto shown = [](ParameterWindow& w) {
    std::vector<std::string> texts;
    // The monitor draws what it shows once the user looks at it.
    Child<QTabWidget>(w, "pcParameter")->setCurrentWidget(Child<QWidget>(w, "tsStatusDisplay"));
    MonitorPage& page = *w.Monitor();
    for (StringGrid* grid : {page.EngineGrid(), page.GeneratorGrid(), page.BinaryIoGrid()}) {
      for (int r = 0; r < grid->rowCount(); ++r)
        for (int c = 0; c < grid->columnCount(); ++c)
          texts.push_back(grid->CellText(r, c).toStdString());
    }
    texts.push_back(page.TimeLabel()->text().toStdString());
    texts.push_back(page.TimeLabel()->isHidden() ? "time hidden" : "time shown");
    texts.push_back(w.EventLog()->ReadButton()->text().toStdString());
    texts.push_back(w.EventLog()->ReadButton()->isEnabled() ? "read enabled" : "read disabled");
    const EventLogSheet sheet = w.EventLogCells();
    for (const auto& row : sheet.rows) texts.insert(texts.end(), row.begin(), row.end());
    return texts;
  };

  // Built with the window, before its set-up.
  siteSlots.SetWindowState(kSite, kWindowOnline);
  window = std::make_unique<ParameterWindow>(*images, siteSlots, kSite, commands);
  window->Monitor();
  window->EventLog();
  window->show();
  window->SetUpWindow();
  steps(*window);
  const std::vector<std::string> early = shown(*window);
  EXPECT_EQ(window->Monitor()->EngineGrid()->CellText(1, 2), "1500");

  // Built after the set-up, the refresh, the clock and the refill were asked of it.
  ParameterWindow& late = Open();
  steps(late);
  EXPECT_FALSE(late.MonitorPageBuilt());
  EXPECT_FALSE(late.EventLogPageBuilt());
  EXPECT_FALSE(late.EventLogShown());
  EXPECT_EQ(shown(late), early);

  // Showing a page's tab builds it.
  ParameterWindow& shownLate = Open();
  auto* pages = Named<QTabWidget>("pcParameter");
  EXPECT_FALSE(shownLate.MonitorPageBuilt());
  pages->setCurrentWidget(shownLate.findChild<QWidget*>("tsStatusDisplay"));
  EXPECT_TRUE(shownLate.MonitorPageBuilt());
  EXPECT_TRUE(shownLate.Monitor()->isVisible());
}

}  // namespace
}  // namespace vorel::test

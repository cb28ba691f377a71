#include <QToolButton>

#include "parameter_window_fixture.h"

namespace vorel::test {
namespace {

using ChannelPages = ParameterWindowTest;

constexpr int kOilPressure = 0, kCoolant = 1, kFuelLevel = 2;

TEST_F(ChannelPages, AnalogueChannelDecodesIntoItsRow) {
  images->SetWord(kSite, 0x0126, 0x2054);
  images->SetWord(kSite, 0x0129, 0x1010);
  images->SetWord(kSite, 0x0127, 0x0055);  // Coolant Temp., type 0: unused
  ParameterWindow& w = OpenType(3101);
  const std::vector<std::string> row1 = {"AI1",     "Oil Pressure",         "VDO 5 bar", "Under",
                                         "Warning", "Active from starting", "℃",         "0"};
  for (int c = 0; c < 8; ++c) EXPECT_EQ(Cell(w.AnalogueGrid(), 1, c), row1[c]) << c;
  for (int c : {kAnlgCondition, kAnlgUnit, kAnlgDot}) EXPECT_EQ(Cell(w.AnalogueGrid(), 2, c), "--");
  EXPECT_EQ(Cell(w.AnalogueGrid(), 0, 3), "Above/Under");
  // Type 0: the sensor lists, the actions and the channel's protection editors are disabled.
  for (int c = kAnlgType + 1; c <= kAnlgDot; ++c)
    EXPECT_FALSE(w.AnalogueGrid()->List(1, c)->isEnabled()) << c;
  EXPECT_FALSE(w.AnalogueGrid()->CurveButton(1)->isEnabled());
  for (const char* name : {"seAnlg2Lev1", "seAnlg2Lev2", "seAnlg2Del"})
    EXPECT_FALSE(Named(name)->isEnabled()) << name;
  for (const char* name : {"seAnlg1Lev1", "seAnlg1Lev2", "seAnlg1Del"})
    EXPECT_TRUE(Named(name)->isEnabled()) << name;
  // Clicking: the function list always, the others only while enabled.
  ClickCell(w.AnalogueGrid(), 2, kAnlgName);
  EXPECT_EQ(ShownEditor(w.AnalogueGrid()), "cbAnlg2Name");
  ClickCell(w.AnalogueGrid(), 2, kAnlgUnit);
  EXPECT_EQ(ShownEditor(w.AnalogueGrid()), "");
  ClickCell(w.AnalogueGrid(), 1, kAnlgUnit);
  EXPECT_EQ(ShownEditor(w.AnalogueGrid()), "cbAnlg1Unit");
  ClickCell(w.AnalogueGrid(), 0, kAnlgUnit);
  EXPECT_EQ(ShownEditor(w.AnalogueGrid()), "");
}

TEST_F(ChannelPages, ChannelGridTitlesInBothLanguages) {
  const struct {
    const char* language;
    std::vector<std::string> analogue, inputs, outputs;
  } cases[] = {
      {"english",
       {"Channel", "Name", "Type", "Above/Under", "Alarm action", "Active when", "Unit", "Dec",
        "Chart"},
       {"Channel", "Name", "Alarm action", "Polarity", "Active when"},
       {"Channel", "Name", "Polarity"}},
      {"chinese",
       {"通道", "名称", "类型", "报警条件", "报警保护", "激活条件", "单位", "小数", "曲线"},
       {"通道", "名称", "报警保护", "类型", "激活条件"},
       {"通道", "名称", "类型"}},
  };
  for (const auto& c : cases) {
    SetLanguageSetting(c.language);
    ParameterWindow& w = OpenType(3101);
    auto titles = [this](QTableWidget* grid) {
      std::vector<std::string> t;
      for (int column = 0; column < grid->columnCount(); ++column)
        t.push_back(Cell(grid, 0, column));
      return t;
    };
    EXPECT_EQ(titles(w.AnalogueGrid()), c.analogue) << c.language;
    EXPECT_EQ(titles(w.InputGrid()), c.inputs) << c.language;
    EXPECT_EQ(titles(w.OutputGrid()), c.outputs) << c.language;
    EXPECT_EQ(Cell(w.AnalogueGrid(), 3, 0), "AI3");
  }
  // The analogue grid keeps at least its given column widths.
  const int widths[] = {64, 86, 126, 70, 112, 73, 52, 32, 38};
  for (int column = 0; column < 9; ++column)
    EXPECT_GE(window->AnalogueGrid()->columnWidth(column), widths[column]) << column;
}

TEST_F(ChannelPages, EngineTitlesFollowTheChannels) {
  const struct {
    const char* language;
    std::uint16_t p1[3];
    std::uint16_t p2[3];
    std::vector<std::string> titles;  // engine row 11, protection rows 8, 9, 10, 11, 14
    int crankDecimals;
  } cases[] = {
      {"english",
       {84, 85, 86},
       {0x0C00, 0x0C10, 0x0C20},
       {"CrankOilPre(Bar)", "Oil PressureLev1(Bar)", "Oil PressureLev2(Bar)", "Oil PressureDel",
        "Coolant Temp.Lev1(℃)", "Fuel LevelLev1(%)"},
       0},
      // Channel 2 measures the oil pressure, channel 1 does not: its unit and decimals.
      {"english",
       {85, 84, 0},
       {0x0D10, 0x0E40, 0},
       {"CrankOilPre(PSI)", "Coolant Temp.Lev1(℃)", "Coolant Temp.Lev2(℃)", "Coolant Temp.Del",
        "Oil PressureLev1(PSI)", "Lev1(Bar)"},
       2},
      {"chinese",
       {84, 85, 86},
       {0x0C00, 0x0C10, 0x0C20},
       {"退齿油压(Bar)", "油压预警值 (Bar)", "油压报警值 (Bar)", "油压报警延时 (s)",
        "水温预警值 (℃)", "油位预警值 (%)"},
       0},
      // No oil-pressure channel: the plain title.
      {"english",
       {85, 85, 85},
       {0x0C10, 0x0C10, 0x0E10},
       {"CrankOilPre", "Coolant Temp.Lev1(℃)", "Coolant Temp.Lev2(℃)", "Coolant Temp.Del",
        "Coolant Temp.Lev1(℃)", "Coolant Temp.Lev1(℃)"},
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.titles[0]);
    SetLanguageSetting(c.language);
    for (int n = 0; n < 3; ++n) {
      images->SetWord(kSite, 0x0126 + n, c.p1[n]);
      images->SetWord(kSite, 0x0129 + n, c.p2[n]);
    }
    images->SetWord(kSite, 0x011C, 1234);
    OpenType(3101);
    const std::vector<std::string> titles = {
        Cell(SetpointGrid::Engine, 11, 0),           Cell(SetpointGrid::EngineProtection, 8, 0),
        Cell(SetpointGrid::EngineProtection, 9, 0),  Cell(SetpointGrid::EngineProtection, 10, 0),
        Cell(SetpointGrid::EngineProtection, 11, 0), Cell(SetpointGrid::EngineProtection, 14, 0)};
    EXPECT_EQ(titles, c.titles);
    EXPECT_EQ(Named<QDoubleSpinBox>("seCrankOilPre")->decimals(), c.crankDecimals);
    EXPECT_EQ(Cell(SetpointGrid::Engine, 11, 1), c.crankDecimals == 2 ? "12.34" : "1234");
  }
}

TEST_F(ChannelPages, ChoicesInTheChannelListsAndWhatTheyChange) {
  // Channel 1: Oil Pressure, VDO 5 bar (4), unit Bar, 1 decimal; level 1 = 123 (12.3 bar).
  auto setUp = [this] {
    images->SetWord(kSite, 0x0126, 0x2054);
    images->SetWord(kSite, 0x0129, 0x1100);
    images->SetWord(kSite, 0x0127, 0x2055);  // Coolant Temp., type 5
    images->SetWord(kSite, 0x012A, 0x1410);
    images->SetWord(kSite, 0x00E4, 123);
    images->SetWord(kSite, 0x011C, 45);
    return &OpenType(3101);
  };
  {
    SCOPED_TRACE("decimals 2 on the oil channel");
    ParameterWindow& w = *setUp();
    EXPECT_EQ(Cell(SetpointGrid::EngineProtection, 8, 1), "12.3");
    ClickCell(w.AnalogueGrid(), 1, kAnlgDot);
    Choose(w.AnalogueGrid()->List(0, kAnlgDot), 2);
    EXPECT_EQ(Named<QDoubleSpinBox>("seCrankOilPre")->decimals(), 2);
    EXPECT_EQ(Named<QDoubleSpinBox>("seAnlg1Lev1")->decimals(), 2);
    EXPECT_EQ(Named<QDoubleSpinBox>("seAnlg1Lev2")->decimals(), 2);
    EXPECT_EQ(Cell(SetpointGrid::EngineProtection, 8, 1), "12.30");
    EXPECT_EQ(Cell(SetpointGrid::Engine, 11, 1), "4.50");
    EXPECT_EQ(Cell(w.AnalogueGrid(), 1, kAnlgDot), "2");
    w.StoreAllPages();
    EXPECT_EQ(images->Word(kSite, 0x00E4), 1230);  // scaled by the new decimals
    EXPECT_EQ(images->Word(kSite, 0x0129), 0x1200);
  }
  {
    SCOPED_TRACE("decimals 2 on a coolant channel");
    ParameterWindow& w = *setUp();
    ClickCell(w.AnalogueGrid(), 1, kAnlgName);
    Choose(w.AnalogueGrid()->List(0, kAnlgName), kCoolant);
    ClickCell(w.AnalogueGrid(), 1, kAnlgDot);
    Choose(w.AnalogueGrid()->List(0, kAnlgDot), 2);
    EXPECT_EQ(Named<QDoubleSpinBox>("seCrankOilPre")->decimals(), 0);
    EXPECT_EQ(Named<QDoubleSpinBox>("seAnlg1Lev1")->decimals(), 2);
  }
  {
    SCOPED_TRACE("function change refills the type list from the value image");
    ParameterWindow& w = *setUp();
    ClickCell(w.AnalogueGrid(), 1, kAnlgType);
    Choose(w.AnalogueGrid()->List(0, kAnlgType), 3);
    ClickCell(w.AnalogueGrid(), 1, kAnlgName);
    Choose(w.AnalogueGrid()->List(0, kAnlgName), kCoolant);
    QComboBox* types = w.AnalogueGrid()->List(0, kAnlgType);
    EXPECT_EQ(types->currentIndex(), 4);  // the code in the value image, not the choice
    EXPECT_EQ(types->count(), static_cast<int>(SensorTypes(SensorList::Temperature).size()));
    EXPECT_EQ(Cell(SetpointGrid::EngineProtection, 8, 0), "Coolant Temp.Lev1(Bar)");
    EXPECT_EQ(Cell(SetpointGrid::EngineProtection, 10, 0), "Coolant Temp.Del");
    EXPECT_EQ(Cell(SetpointGrid::Engine, 11, 0), "CrankOilPre");
  }
  {
    SCOPED_TRACE("unit change");
    ParameterWindow& w = *setUp();
    ClickCell(w.AnalogueGrid(), 1, kAnlgUnit);
    Choose(w.AnalogueGrid()->List(0, kAnlgUnit), 4);
    EXPECT_EQ(Cell(SetpointGrid::Engine, 11, 0), "CrankOilPre(PSI)");
    EXPECT_EQ(Cell(SetpointGrid::EngineProtection, 8, 0), "Oil PressureLev1(PSI)");
    EXPECT_EQ(Cell(SetpointGrid::EngineProtection, 9, 0), "Oil PressureLev2(PSI)");
    EXPECT_EQ(Cell(w.AnalogueGrid(), 1, kAnlgUnit), "PSI");
    // A unit change on the coolant channel leaves the crank title alone.
    ClickCell(w.AnalogueGrid(), 2, kAnlgUnit);
    Choose(w.AnalogueGrid()->List(1, kAnlgUnit), 3);
    EXPECT_EQ(Cell(SetpointGrid::Engine, 11, 0), "CrankOilPre(PSI)");
    EXPECT_EQ(Cell(SetpointGrid::EngineProtection, 11, 0), "Coolant Temp.Lev1(℉)");
  }
  {
    SCOPED_TRACE("binary use");
    ParameterWindow& w = *setUp();
    images->SetWord(kSite, 0x0129, 0x1101 | 0x0080);
    ClickCell(w.AnalogueGrid(), 1, kAnlgType);
    Choose(w.AnalogueGrid()->List(0, kAnlgType), 2);
    for (int c : {kAnlgCondition, kAnlgUnit, kAnlgDot})
      EXPECT_EQ(Cell(w.AnalogueGrid(), 1, c), "--");
    EXPECT_FALSE(w.AnalogueGrid()->CurveButton(0)->isEnabled());
    EXPECT_FALSE(Named("seAnlg1Lev1")->isEnabled());
    EXPECT_TRUE(w.AnalogueGrid()->List(0, kAnlgAlarm)->isEnabled());
    w.StoreAllPages();
    EXPECT_EQ(images->Word(kSite, 0x0129), 0x0800 | 0x0181);
  }
  {
    SCOPED_TRACE("alarm actions");
    ParameterWindow& w = *setUp();
    const std::pair<int, std::uint16_t> actions[] = {{4, 0xD}, {5, 0xC}, {3, 0x8}, {0, 0x0}};
    for (const auto& [index, nibble] : actions) {
      ClickCell(w.AnalogueGrid(), 1, kAnlgAlarm);
      Choose(w.AnalogueGrid()->List(0, kAnlgAlarm), index);
      w.StoreAllPages();
      EXPECT_EQ(images->Word(kSite, 0x0126), (nibble << 12) | 84) << index;
    }
  }
}

TEST_F(ChannelPages, CurveButtonEnabledBySensorType) {
  for (int channel = 0; channel < 3; ++channel) {
    SCOPED_TRACE(channel);
    images->SetWord(kSite, 0x0126 + channel, 86);       // Fuel Level
    images->SetWord(kSite, 0x0129 + channel, 4 << 10);  // 4-20mA/100
    ParameterWindow& w = OpenType(3101);
    EXPECT_EQ(Cell(w.AnalogueGrid(), channel + 1, kAnlgType), "4-20mA/100");
    EXPECT_FALSE(w.AnalogueGrid()->CurveButton(channel)->isEnabled());
    ClickCell(w.AnalogueGrid(), channel + 1, kAnlgType);
    Choose(w.AnalogueGrid()->List(channel, kAnlgType), 3);
    EXPECT_EQ(Cell(w.AnalogueGrid(), channel + 1, kAnlgType), "User defined");
    EXPECT_TRUE(w.AnalogueGrid()->CurveButton(channel)->isEnabled());
    images->SetWord(kSite, 0x0126 + channel, 0);
    images->SetWord(kSite, 0x0129 + channel, 0);
  }
}

TEST_F(ChannelPages, CurveButtonRereadsOnlineWindowsAndOpensTheEditorForSensors) {
  const struct {
    std::int16_t state;
    bool fileLoaded;
    std::uint16_t typeAfterRead;
    bool reread;
    bool editor;
  } cases[] = {
      {kWindowOnline, false, 3, true, true},
      {kWindowOnline, false, 2, true, false},  // the re-read says binary use
      {kWindowOnline, true, 3, false, true},
      {kWindowOffline, false, 3, false, true},
  };
  for (const auto& c : cases) {
    images->SetWord(kSite, 0x0127, 84);
    images->SetWord(kSite, 0x012A, 3 << 10);
    ParameterWindow& w = OpenType(3101, c.state);
    w.SetFileLoaded(c.fileLoaded);
    int reads = 0;
    std::vector<int> editors;
    commands.calls.clear();
    commands.onReadSensorBlock = [&](int site) {
      ++reads;
      images->SetWord(site, 0x012A, static_cast<std::uint16_t>(c.typeAfterRead << 10));
    };
    QObject::connect(&w, &ParameterWindow::curveEditorRequested,
                     [&](int channel) { editors.push_back(channel); });
    ShowPageOf(w.AnalogueGrid());
    QTest::mouseClick(w.AnalogueGrid()->CurveButton(1), Qt::LeftButton);
    EXPECT_EQ(reads, c.reread ? 1 : 0);
    EXPECT_EQ(editors.size(), c.editor ? 1u : 0u);
    if (c.editor) {
      EXPECT_EQ(editors[0], 1);
    }
  }
}

TEST_F(ChannelPages, BinaryInputsAndOutputsDecodeAndEncode) {
  images->SetWord(kSite, 0x003A, 0x2022);
  images->SetWord(kSite, 0x003B, 0xC8D1);
  images->SetWord(kSite, 0x0041, 0xC8D1);  // slot 8: not shown on group B, still kept
  images->SetWord(kSite, 0x0039, 0x0001);
  images->SetWord(kSite, 0x0079, 167);
  images->SetWord(kSite, 0x007A, 0);
  images->SetWord(kSite, 0x007B, 200);
  images->SetWord(kSite, 0x0078, 0x00F0);
  ParameterWindow& w = OpenType(3105);
  EXPECT_EQ(Cell(w.InputGrid(), 1, 1), "Oil presure switch");
  EXPECT_EQ(Cell(w.InputGrid(), 1, 2), "Warning");
  EXPECT_EQ(Cell(w.InputGrid(), 1, 3), "Open to activate");
  EXPECT_EQ(Cell(w.InputGrid(), 1, 4), "Active from starting");
  EXPECT_EQ(Cell(w.InputGrid(), 2, 1), "Oil temp. switch");
  EXPECT_EQ(Cell(w.InputGrid(), 2, 2), "Shutdown");
  EXPECT_EQ(Cell(w.InputGrid(), 2, 4), "Always active");
  EXPECT_EQ(Cell(w.InputGrid(), 6, 1), "");  // group B shows five inputs
  EXPECT_EQ(Cell(w.OutputGrid(), 1, 1), "Alarm horn");
  EXPECT_EQ(Cell(w.OutputGrid(), 2, 1), "");
  EXPECT_EQ(Cell(w.OutputGrid(), 3, 1), "");
  EXPECT_EQ(Cell(w.InputGrid(), 0, 3), "Polarity");
  EXPECT_EQ(Cell(w.OutputGrid(), 0, 2), "Polarity");

  ClickCell(w.OutputGrid(), 3, 2);
  EXPECT_EQ(ShownEditor(w.OutputGrid()), "cbBO3Polarity");
  Choose(Named<QComboBox>("cbBO3Polarity"), 1);
  EXPECT_EQ(Cell(w.OutputGrid(), 3, 2), "De-energise");
  w.StoreAllPages();
  EXPECT_EQ(images->Word(kSite, 0x0078), 0x00F4);
  EXPECT_EQ(images->Word(kSite, 0x003A), 0x2022);
  EXPECT_EQ(images->Word(kSite, 0x003B), 0xC8D1);
  EXPECT_EQ(images->Word(kSite, 0x0041), 0xC8D1);
  EXPECT_EQ(images->Word(kSite, 0x0079), 167);
  EXPECT_EQ(images->Word(kSite, 0x007B), 0);
}

TEST_F(ChannelPages, RowsOfferTheSlotsOfTheControllerType) {
  const struct {
    std::uint16_t type;
    bool inputs;
    int row;
    std::string list;
  } cases[] = {
      {3106, true, 1, "cbBI6Name"},  {3106, true, 3, "cbBI8Name"},  {3106, true, 4, ""},
      {3106, false, 1, "cbBO4Name"}, {3106, false, 4, "cbBO7Name"}, {3106, false, 5, ""},
      {3105, true, 5, "cbBI5Name"},  {3105, true, 6, ""},           {3105, false, 4, ""},
      {3113, false, 7, "cbBO7Name"}, {3113, false, 8, ""},          {3101, false, 8, "cbBO8Name"},
      {4242, true, 8, "cbBI8Name"},  {4242, false, 8, "cbBO8Name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + (c.inputs ? " input row " : " output row ") +
                 std::to_string(c.row));
    ParameterWindow& w = OpenType(c.type);
    BinaryIoGrid* grid = c.inputs ? w.InputGrid() : w.OutputGrid();
    ClickCell(grid, c.row, 1);
    EXPECT_EQ(ShownEditor(grid), c.list);
    // Selecting a cell of another channel grid hides it.
    ClickCell(w.AnalogueGrid(), 0, 0);
    EXPECT_EQ(ShownEditor(grid), "");
  }
}

TEST_F(ChannelPages, GroupCRowsEditTheirSlots) {
  ParameterWindow& w = OpenType(3109);
  ClickCell(w.InputGrid(), 1, 2);
  Choose(Named<QComboBox>("cbBI6Alarm"), 5);
  ClickCell(w.OutputGrid(), 1, 1);
  Choose(Named<QComboBox>("cbBO4Name"), 7);
  ClickCell(w.InputGrid(), 0, 0);
  EXPECT_EQ(Cell(w.InputGrid(), 1, 2), "Shutdown");
  EXPECT_EQ(Cell(w.OutputGrid(), 1, 1), Named<QComboBox>("cbBO4Name")->itemText(7).toStdString());
  w.StoreAllPages();
  EXPECT_EQ(images->Word(kSite, 0x003A + 5) >> 12, 0xC);
  EXPECT_EQ(images->Word(kSite, 0x0079 + 3), 167);
}

TEST_F(ChannelPages, RowRewritesRetitleTheMonitor) {
  ParameterWindow& w = OpenType(3101);
  int titled = 0;
  QObject::connect(&w, &ParameterWindow::channelTitlesChanged, [&] { ++titled; });
  ClickCell(w.AnalogueGrid(), 1, 1);
  EXPECT_GE(titled, 1);
  titled = 0;
  Choose(w.AnalogueGrid()->List(0, kAnlgName), kFuelLevel);
  EXPECT_GE(titled, 1);
  (void)kOilPressure;
}

}  // namespace
}  // namespace vorel::test

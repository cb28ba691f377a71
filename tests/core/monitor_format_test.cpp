#include "core/monitor_format.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/site_images.h"
#include "language_guard.h"

namespace vorel {
namespace {

constexpr int kSite = 4;

// P2 word of a channel: sensor type T in bits 10 to 15, decimals D in bits 8 and 9.
constexpr std::uint16_t P2(int type, int decimals, int unit = 0) {
  return static_cast<std::uint16_t>((type << 10) | (decimals << 8) | (unit << 4));
}

TEST(FormatChannelValue, ByUseDecimalsAndFaultMarks) {
  LanguageGuard english("english");
  const struct {
    std::uint16_t p2;
    std::int16_t value;
    const char* shown;
  } cases[] = {
      {P2(0, 0), 123, ""},         {P2(1, 0), 0, "activated"},    {P2(1, 0), 1, "deactivated"},
      {P2(2, 0), 2, "error"},      {P2(5, 1), 1234, "123.4"},     {P2(5, 0), 10000, "****"},
      {P2(5, 1), 10000, "****"},   {P2(5, 0), 9999, "9999"},      {P2(5, 0), -32768, "OPEN"},
      {P2(5, 0), -32767, "SHORT"}, {P2(5, 2), -32766, "FAILURE"}, {P2(5, 0), -32765, "NONE"},
      {P2(5, 0), -5, "-5"},        {P2(5, 1), -5, "-0.5"},        {P2(5, 2), 85, "0.85"},
      {P2(5, 2), 120, "1.2"},      {P2(5, 2), 105, "1.05"},       {P2(5, 1), 500, "50"},
      {P2(5, 3), 12, "****"},      {P2(3, 1), -32764, "-3276.4"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatChannelValue(c.p2, c.value), c.shown) << c.p2 << " " << c.value;
  }
  LanguageGuard chinese("chinese");
  EXPECT_EQ(FormatChannelValue(P2(2, 0), 1), "未激活");
}

TEST(FormatChannelValue, TakesThePropertyWordOfTheChannelFromTheImage) {
  auto images = std::make_unique<SiteImages>();
  images->SetWord(kSite, 0x0129, P2(0, 0));
  images->SetWord(kSite, 0x012A, P2(5, 1));
  images->SetWord(kSite, 0x012B, P2(5, 2));
  EXPECT_EQ(FormatChannelValue(*images, kSite, 0, 1234), "");
  EXPECT_EQ(FormatChannelValue(*images, kSite, 1, 1234), "123.4");
  EXPECT_EQ(FormatChannelValue(*images, kSite, 2, 1234), "12.34");
  EXPECT_EQ(FormatChannelValue(*images, kSite, 3, 1234), "");
  EXPECT_EQ(FormatChannelValue(*images, kSite, -1, 1234), "");
}

TEST(MonitorFormat, StateTextsAndTheHexadecimalFallback) {
  LanguageGuard english("english");
  EXPECT_EQ(GenSetStateText(3101, 308), "Loaded");
  EXPECT_EQ(GenSetStateText(3102, 289), "Loaded A");
  EXPECT_EQ(GenSetStateText(3101, 289), "Over load");
  EXPECT_EQ(GenSetStateText(3101, 400), "0190");
  EXPECT_EQ(GenSetStateText(3101, static_cast<std::int16_t>(0x8001)), "FFFF8001");
  EXPECT_EQ(MainsStateText(319), "Valid Flt");
  EXPECT_EQ(MainsStateText(0), "0000");
  EXPECT_EQ(TransferSwitchStateText(351), "MCB_B close");
  EXPECT_EQ(TransferSwitchStateText(-1), "FFFFFFFF");
  LanguageGuard chinese("chinese");
  EXPECT_EQ(GenSetStateText(3102, 289), "接负载A");
  EXPECT_EQ(TransferSwitchStateText(299), "开关故障");
  EXPECT_EQ(GenSetStateText(3101, 400), "0190");
}

TEST(MonitorFormat, StateLabels) {
  auto images = std::make_unique<SiteImages>();
  images->SetWord(kSite, 0x016B, 3101);
  images->SetWord(kSite, 0x0059, 308);
  images->SetWord(kSite, 0x008F, 12);
  images->SetWord(kSite, 0x0057, 317);
  images->SetWord(kSite, 0x005A, 322);
  {
    LanguageGuard english("english");
    EXPECT_EQ(GenSetStateLabel(*images, kSite), "Gen-Set Loaded  12");
    EXPECT_EQ(MainsStateLabel(*images, kSite), "Mains Oper");
    EXPECT_EQ(TransferSwitchStateLabel(*images, kSite), "ATS GCB close");
    images->SetWord(kSite, 0x0057, 319);
    EXPECT_EQ(MainsStateLabel(*images, kSite), "Mains Valid Flt");
    images->SetWord(kSite, 0x008F, 0);
    EXPECT_EQ(GenSetStateLabel(*images, kSite), "Gen-Set Loaded");
  }
  LanguageGuard chinese("chinese");
  images->SetWord(kSite, 0x0057, 317);
  EXPECT_EQ(MainsStateLabel(*images, kSite), "市电正常");
  EXPECT_EQ(GenSetStateLabel(*images, kSite), "机组接负载");
  EXPECT_EQ(TransferSwitchStateLabel(*images, kSite), "负载接机组");
  images->SetWord(kSite, 0x0059, 400);
  EXPECT_EQ(GenSetStateLabel(*images, kSite), "机组0190");
}

TEST(MonitorFormat, ModesLedsAndAlarmLines) {
  LanguageGuard english("english");
  EXPECT_EQ(OperatingModeOf(200), OperatingMode::Auto);
  EXPECT_EQ(OperatingModeOf(202), std::nullopt);
  EXPECT_EQ(OperatingModeText(OperatingMode::Test), "TEST");

  const struct {
    std::uint16_t led;
    Rgb colour;
    std::optional<StartStopColours> buttons;
  } leds[] = {
      {127, kRed, StartStopColours{kSkyBlue, kRed}},
      {128, kGreen, StartStopColours{kGreen, kSkyBlue}},
      {129, kYellow, std::nullopt},
      {131, kRed, StartStopColours{kSkyBlue, kRed}},
      {132, kGreen, StartStopColours{kGreen, kSkyBlue}},
      {133, kGrey, std::nullopt},
  };
  for (const auto& c : leds) {
    EXPECT_EQ(LedColour(c.led), c.colour) << c.led;
    const auto buttons = StartStopColoursOf(c.led);
    ASSERT_EQ(buttons.has_value(), c.buttons.has_value()) << c.led;
    if (buttons) {
      EXPECT_EQ(buttons->start, c.buttons->start) << c.led;
      EXPECT_EQ(buttons->stop, c.buttons->stop) << c.led;
    }
  }

  EXPECT_FALSE(AlarmLineOf(3101, 0).shown);
  const AlarmLine plain = AlarmLineOf(3101, 0x2011);
  EXPECT_TRUE(plain.shown);
  EXPECT_EQ(plain.text, "start auto");
  EXPECT_FALSE(plain.highlighted);
  const AlarmLine acknowledged = AlarmLineOf(3101, 0x2811);
  EXPECT_EQ(acknowledged.text, "start auto");
  EXPECT_TRUE(acknowledged.highlighted);
}

TEST(MonitorFormat, MuteAndResetIndicators) {
  auto images = std::make_unique<SiteImages>();
  EXPECT_EQ(MuteTextColour(*images, kSite), std::nullopt);
  // The horn on output slot 3 (and again on 5: the first one counts).
  images->SetWord(kSite, 0x0079 + 2, 0x0800 | 167);
  images->SetWord(kSite, 0x0079 + 4, 167);
  images->SetWord(kSite, 0x0061, 0x0010);
  EXPECT_EQ(MuteTextColour(*images, kSite), kWhite);
  images->SetWord(kSite, 0x0061, 0x0004);
  EXPECT_EQ(MuteTextColour(*images, kSite), kRed);

  EXPECT_EQ(ResetTextColour(*images, kSite), kWhite);
  for (int i = 0; i < 16; ++i) images->SetWord(kSite, 0x001A + i, 0x0800);
  EXPECT_EQ(ResetTextColour(*images, kSite), kWhite);
  images->SetWord(kSite, 0x0029, 0x0801);
  EXPECT_EQ(ResetTextColour(*images, kSite), kRed);
}

// The text of one cell among the cells written, or "<none>".
std::string Cell(const std::vector<MonitorCell>& cells, MonitorGrid grid, int row, int column) {
  for (const MonitorCell& c : cells) {
    if (c.grid == grid && c.row == row && c.column == column) return c.text;
  }
  return "<none>";
}

TEST(MonitorFormat, BinaryRowsByControllerGroup) {
  LanguageGuard english("english");
  auto images = std::make_unique<SiteImages>();
  for (int slot = 1; slot <= 8; ++slot) {
    images->SetWord(kSite, 0x003A + slot - 1, 84);  // an analogue code: no input name
    images->SetWord(kSite, 0x0079 + slot - 1, static_cast<std::uint16_t>(159 + slot));
  }
  images->SetWord(kSite, 0x003A, 0xF800 | 77);
  const auto bio = MonitorGrid::BinaryIo;
  const struct {
    std::uint16_t type;
    std::uint16_t inputs, outputs, startFuel;
    int row;
    const char* title;
    const char* state;
  } cases[] = {
      // Group A: a set input bit is "deactivated", a set output bit "activated".
      {3101, 0x0001, 0, 0, 1, "BI1 (", "deactivated"},
      {3101, 0x0000, 0, 0, 8, "BI8 (------)", "activated"},
      {3101, 0, 0x0080, 0, 17, "BO8 (", "activated"},
      {3101, 0, 0, 0x0002, 19, "FUEL", "activated"},
      {3101, 0, 0, 0x0001, 19, "FUEL", "deactivated"},
      // Group B: five inputs and three outputs.
      {3105, 0, 0x0004, 0, 12, "BO3 (", "activated"},
      {3105, 0, 0, 0, 6, "<none>", "<none>"},
      {3105, 0, 0, 0, 13, "<none>", "<none>"},
      // Group C: inputs 6 to 8, outputs titled 5 to 8 from the slots one below; set is active.
      {3106, 0x0020, 0, 0, 1, "BI6 (------)", "activated"},
      {3109, 0x0000, 0, 0, 3, "BI8 (------)", "deactivated"},
      {3106, 0, 0x0008, 0, 10, "BO5 (", "activated"},
      {3106, 0, 0x0010, 0, 10, "BO5 (", "deactivated"},
      {3106, 0, 0, 0x0003, 18, "START", "<none>"},
      // Group D: seven outputs.
      {3113, 0, 0x0040, 0, 16, "BO7 (", "activated"},
      {3113, 0, 0, 0, 17, "<none>", "<none>"},
      // Other types: only START and FUEL titles, nothing written.
      {3107, 0, 0, 0x0003, 1, "<none>", "<none>"},
      {3107, 0, 0, 0x0003, 18, "START", "<none>"},
  };
  for (const auto& c : cases) {
    images->SetWord(kSite, 0x016B, c.type);
    images->SetWord(kSite, 0x0060, c.inputs);
    images->SetWord(kSite, 0x0061, c.outputs);
    images->SetWord(kSite, 0x005F, c.startFuel);
    const std::string title = Cell(MonitorTitles(*images, kSite), bio, c.row, 1);
    EXPECT_TRUE(title.starts_with(c.title)) << c.type << " row " << c.row << ": " << title;
    EXPECT_EQ(Cell(MonitorValuesOf(*images, kSite, false).cells, bio, c.row, 2), c.state)
        << c.type << " row " << c.row;
  }
  // The row titled BO5 on group C carries the name of output slot 4.
  images->SetWord(kSite, 0x016B, 3101);
  const std::string slot4 = Cell(MonitorTitles(*images, kSite), bio, 13, 1).substr(5);
  images->SetWord(kSite, 0x016B, 3106);
  EXPECT_EQ(Cell(MonitorTitles(*images, kSite), bio, 10, 1).substr(5), slot4);
  images->SetWord(kSite, 0x016B, 3101);
  EXPECT_EQ(Cell(MonitorTitles(*images, kSite), bio, 1, 1), "BI1 (Belt switch)")
      << "only the low eleven bits name the function";
}

TEST(MonitorFormat, EngineAndGeneratorGrids) {
  LanguageGuard english("english");
  auto images = std::make_unique<SiteImages>();
  images->SetWord(kSite, 0x016B, 3101);
  images->SetWord(kSite, 0x0126, 84);
  images->SetWord(kSite, 0x0129, P2(5, 1, 0));
  images->SetWord(kSite, 0x009A, 45);
  images->SetWord(kSite, 0x0099, 1500);
  images->SetWord(kSite, 0x009E, 245);
  images->SetWord(kSite, 0x009F, 1234);
  images->SetWord(kSite, 0x00A0, 1800);
  images->SetWord(kSite, 0x00A7, 500);
  images->SetWord(kSite, 0x0053, 85);
  images->SetWord(kSite, 0x00C0, 100);
  images->SetWord(kSite, 0x00AE, 499);
  images->SetWord(kSite, 0x0090, 77);
  const auto engine = MonitorGrid::Engine;
  const auto gen = MonitorGrid::Generator;

  const auto titles = MonitorTitles(*images, kSite);
  EXPECT_EQ(Cell(titles, engine, 1, 1), "Speed(r/min)");
  EXPECT_EQ(Cell(titles, engine, 2, 1), "Oil Pressure(Bar)");
  EXPECT_EQ(Cell(titles, engine, 5, 1), "Battary(V)");
  EXPECT_EQ(Cell(titles, gen, 1, 5), "L123");
  EXPECT_EQ(Cell(titles, gen, 15, 1), "Freqency(Hz)");

  auto values = MonitorValuesOf(*images, kSite, false);
  EXPECT_EQ(Cell(values.cells, engine, 1, 2), "1500");
  EXPECT_EQ(Cell(values.cells, engine, 2, 2), "4.5");
  EXPECT_EQ(Cell(values.cells, engine, 3, 2), "");
  EXPECT_EQ(Cell(values.cells, engine, 5, 2), "24.5");
  EXPECT_EQ(Cell(values.cells, engine, 6, 2), "1234.5");
  EXPECT_EQ(Cell(values.cells, engine, 8, 1), "<none>");
  EXPECT_EQ(Cell(values.cells, gen, 4, 2), "50");
  EXPECT_EQ(Cell(values.cells, gen, 7, 2), "0.85");
  EXPECT_EQ(Cell(values.cells, gen, 7, 5), "1");
  EXPECT_EQ(Cell(values.cells, gen, 15, 2), "49.9");
  values = MonitorValuesOf(*images, kSite, true);
  EXPECT_EQ(Cell(values.cells, engine, 8, 1), "DEBUG");
  EXPECT_EQ(Cell(values.cells, engine, 8, 2), "77");

  const struct {
    std::uint16_t battery, hours, seconds;
    std::uint16_t type;
    const char* batteryText;
    const char* hoursText;
  } engineCases[] = {
      {240, 100, 359, 3101, "24", "100.0"},
      {245, 100, 3599, 3101, "24.5", "100.9"},
      {245, 100, 0, 3109, "0", "100.0"},
      {245, 100, 0, 3106, "0", "100.0"},
      // Past 32767 hours the count goes on, unsigned.
      {245, 40000, 1800, 3101, "24.5", "40000.5"},
      {245, 65535, 3599, 3101, "24.5", "65535.9"},
  };
  for (const auto& c : engineCases) {
    images->SetWord(kSite, 0x016B, c.type);
    images->SetWord(kSite, 0x009E, c.battery);
    images->SetWord(kSite, 0x009F, c.hours);
    images->SetWord(kSite, 0x00A0, c.seconds);
    values = MonitorValuesOf(*images, kSite, false);
    EXPECT_EQ(Cell(values.cells, engine, 5, 2), c.batteryText);
    EXPECT_EQ(Cell(values.cells, engine, 6, 2), c.hoursText);
  }

  // No mains rows on a type that does not measure the mains.
  images->SetWord(kSite, 0x016B, 3105);
  EXPECT_EQ(Cell(MonitorTitles(*images, kSite), gen, 13, 1), "<none>");
  EXPECT_EQ(Cell(MonitorValuesOf(*images, kSite, false).cells, gen, 15, 2), "<none>");
}

}  // namespace
}  // namespace vorel

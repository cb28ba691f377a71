#include "core/editor_model.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "core/register_table.h"
#include "core/site_images.h"
#include "language_guard.h"

namespace vorel {
namespace {

constexpr int kSite = 5;
constexpr int kYear = 2026;

using Image = std::array<std::uint16_t, kImageWords>;

std::uint16_t Low16(double v) {
  return static_cast<std::uint16_t>(static_cast<std::int64_t>(std::fmod(v, 65536.0)) & 0xFFFF);
}

// What a load followed by a store leaves in every register: the same word, except for the
// words that the store rebuilds by rule.
Image ExpectedAfterRoundTrip(const Image& before) {
  Image after = before;
  auto code = [](std::uint16_t w, bool known) { return known ? (w & 0x07FF) : 0; };
  auto nibble = [](std::uint16_t w) { return AlarmActionPosition(w >> 12) ? (w & 0xF000) : 0; };
  for (int n = 0; n < 3; ++n) {
    const std::uint16_t p1 = before[0x0126 + n];
    const std::uint16_t p2 = before[0x0129 + n];
    const std::optional<int> function = AnalogueFunctionPosition(p1);
    after[0x0126 + n] =
        static_cast<std::uint16_t>(code(p1, function.has_value()) | (p1 & 0x0800) | nibble(p1));
    const int listSize =
        static_cast<int>(SensorTypes(SensorListForFunction(function.value_or(-1))).size());
    const int type = p2 >> 10;
    if (type >= 3 && type < listSize) after[0x0129 + n] = p2 & ~0x0087;  // bits 0 to 2 and 7
  }
  for (int s = 0; s < 8; ++s) {
    const std::uint16_t w = before[0x003A + s];
    after[0x003A + s] = static_cast<std::uint16_t>(code(w, InputFunctionPosition(w).has_value()) |
                                                   (w & 0x0800) | nibble(w));
    const std::uint16_t o = before[0x0079 + s];
    after[0x0079 + s] = o >= 160 && o <= 175 ? o : 0;
  }
  std::uint16_t curr = before[0x0089];
  for (int shift : {0, 4, 8}) curr = WithField(curr, shift, FieldOf(curr, shift) == 13 ? 13 : 12);
  if (!AlarmActionPosition(FieldOf(curr, 12))) curr = WithField(curr, 12, 0);
  after[0x0089] = curr;
  // Generator name: printable bytes, trimmed, padded to 16 and every blank made "_".
  std::string name;
  for (int k = 0; k < 8; ++k) {
    for (int b : {before[0x0012 + k] & 0xFF, before[0x0012 + k] >> 8}) {
      if (b >= 0x20 && b <= 0x7D) name.push_back(static_cast<char>(b));
    }
  }
  while (!name.empty() && name.front() == ' ') name.erase(name.begin());
  while (!name.empty() && name.back() == ' ') name.pop_back();
  name.resize(16, ' ');
  for (char& c : name) c = c == ' ' ? '_' : c;
  for (int k = 0; k < 8; ++k) {
    after[0x0012 + k] = static_cast<std::uint16_t>(
        static_cast<unsigned char>(name[2 * k]) | static_cast<unsigned char>(name[2 * k + 1]) << 8);
  }
  // Run hours: whole hours and the rounded seconds of the value shown, both words unsigned.
  const double hours = before[0x009F] + before[0x00A0] / 3600.0;
  after[0x009F] = Low16(std::trunc(hours));
  after[0x00A0] = Low16(std::round((hours - std::trunc(hours)) * 3600.0));
  return after;
}

Image Fill(const std::function<std::uint16_t(int)>& word) {
  Image image{};
  for (int a = 0; a < kImageWords; ++a) image[a] = word(a);
  return image;
}

Image Realistic() {
  Image image = Fill([](int a) { return static_cast<std::uint16_t>(a % 7 == 0 ? 0xFFFF : a); });
  const std::pair<int, std::uint16_t> words[] = {
      {0x0126, 0x2054}, {0x0127, 0xD855 | 0x0800},
      {0x0128, 0x3022},  // 34: not analogue
      {0x0129, 0x1E35}, {0x012A, 0x2D9F},
      {0x012B, 0xFFFF}, {0x003A, 0xC8D1},
      {0x003B, 0x2022}, {0x003C, 0x0854},
      {0x003D, 0x5095}, {0x0079, 167},
      {0x007A, 200},    {0x007B, 0x80A0},
      {0x0089, 0x1DCD}, {0x00DC, 139},
      {0x0118, 0x8123}, {0x0120, 0xFFFF},
      {0x000C, 0x0905}, {0x000D, 0x3000},
      {0x000E, 0x0705}, {0x000F, 0x2400},
      {0x0012, 0x4E47}, {0x0013, 0x3120},
      {0x0014, 0x7E00}, {0x009F, 1234},
      {0x00A0, 1830},   {0x00E4, 0x8000},
      {0x011C, 0x7FFF}, {0x0073, 57},
  };
  for (const auto& [a, w] : words) image[a] = w;
  return image;
}

class EditorModelTest : public ::testing::Test {
 public:
  void SetImage(const Image& image) {
    for (int a = 0; a < kImageWords; ++a) images->SetWord(kSite, a, image[a]);
  }
  Image Current() const {
    Image image{};
    for (int a = 0; a < kImageWords; ++a) image[a] = images->Word(kSite, a);
    return image;
  }
  EditorValue& E(std::string_view name) {
    EditorValue* v = model.Find(name);
    EXPECT_NE(v, nullptr) << name;
    return *v;
  }
  std::size_t Row(std::string_view name) { return *FindParameterRow(name); }

  std::unique_ptr<SiteImages> images = std::make_unique<SiteImages>();
  EditorModel model;
};

TEST_F(EditorModelTest, LoadThenStoreKeepsEveryRegisterExceptTheRebuiltWords) {
  const std::vector<std::pair<std::string_view, Image>> patterns = {
      {"zero", Fill([](int) { return std::uint16_t{0}; })},
      {"0xFFFF", Fill([](int) { return std::uint16_t{0xFFFF}; })},
      {"0x8000", Fill([](int) { return std::uint16_t{0x8000}; })},
      {"0x7FFF", Fill([](int) { return std::uint16_t{0x7FFF}; })},
      {"scattered", Fill([](int a) { return static_cast<std::uint16_t>(a * 40503 + 0x5A5A); })},
      {"realistic", Realistic()},
  };
  for (const auto& [label, before] : patterns) {
    SetImage(before);
    EditorModel fresh;
    fresh.Load(*images, kSite, kYear);
    fresh.Store(*images, kSite);
    const Image expected = ExpectedAfterRoundTrip(before);
    const Image after = Current();
    for (int a = 0; a < kImageWords; ++a) {
      EXPECT_EQ(after[a], expected[a]) << label << " register 0x" << std::hex << a;
    }
  }
}

TEST_F(EditorModelTest, EditedValuesAreStoredByTheirConversions) {
  const struct {
    std::string_view label;
    std::function<void(EditorModelTest&)> edit;
    std::uint16_t reg;
    std::uint16_t word;
  } cases[] = {
      {"0.57 x 100", [](auto& t) { t.E("seLCompensation").number = 0.57; }, 0x0073, 57},
      {"0.92 x 100", [](auto& t) { t.E("seLCompensation").number = 0.92; }, 0x0073, 92},
      {"50.1 Hz", [](auto& t) { t.E("seNominFrequency").number = 50.1; }, 0x00CA, 501},
      {"debug address", [](auto& t) { t.E("seDebugAddr").number = 65535; }, 0x0120, 0xFFFF},
      {"crank count", [](auto& t) { t.E("seCrankCount").number = 40000; }, 0x0098, 40000},
      {"run hours", [](auto& t) { t.E("seRunHours").number = 0.1; }, 0x00A0, 360},
      {"test mode", [](auto& t) { t.E("cbRetFromTest").index = 1; }, 0x0103, 199},
      {"language", [](auto& t) { t.E("cbLanguage").index = 1; }, 0x0074, 117},
      {"ATS type", [](auto& t) { t.E("cbATSType").index = 2; }, 0x0104, 188},
      {"power save", [](auto& t) { t.E("cbPowerSave").checked = true; }, 0x0118, 0x8123},
      {"serial", [](auto& t) { t.E("medMasterSN").text = "0012AB34CD5F"; }, 0x0007, 0xAB34},
      {"date",
       [](auto& t) {
         t.E("dtpDate").date = {2024, 5, 7};
         t.E("dtpDate").changed = true;
       },
       0x000E, 0x0705},
      {"time",
       [](auto& t) {
         t.E("dtpTime").time = {9, 5, 30};
         t.E("dtpTime").changed = true;
       },
       0x000C, 0x0905},
      {"unchanged date",
       [](auto& t) {
         t.E("dtpDate").date = {2024, 5, 7};
       },
       0x000E, 0},
      {"unbalance cooling", [](auto& t) { t.E("cbUnbalCurrProtection").index = 4; }, 0x0089,
       0xDCCC},
      {"level, 2 decimals", [](auto& t) { t.E("seAnlg2Lev1").number = 12.34; }, 0x00E7, 1234},
      {"oil pressure, 1 decimal",
       [](auto& t) {
         t.model.Channels().analogue[2] = {.function = 0, .decimals = 1};
         t.E("seCrankOilPre").number = 5.5;
       },
       0x011C, 55},
      {"name", [](auto& t) { t.E("medGenName").text = "A B"; }, 0x0013, 'B' | ('_' << 8)},
  };
  for (const auto& c : cases) {
    SetImage(Fill([](int) { return std::uint16_t{0}; }));
    images->SetWord(kSite, 0x0118, 0x0123);
    images->SetWord(kSite, 0x0089, 0xCCCC);
    images->SetWord(kSite, 0x012A, 0x0E00);  // channel 2: type 3, decimals 2
    model = EditorModel();
    model.Load(*images, kSite, kYear);
    c.edit(*this);
    model.Store(*images, kSite);
    EXPECT_EQ(images->Word(kSite, c.reg), c.word) << c.label;
  }
}

TEST_F(EditorModelTest, LoadShowsTheEdgeCases) {
  images->SetWord(kSite, 0x00CA, 0xFFFF);
  images->SetWord(kSite, 0x0120, 0xFFFF);
  images->SetWord(kSite, 0x0103, 200);
  images->SetWord(kSite, 0x0089, 0x1DCD);
  images->SetWord(kSite, 0x0129, 0x0E00);  // channel 1: decimals 2
  images->SetWord(kSite, 0x00E4, 1234);
  model.Load(*images, kSite, kYear);
  EXPECT_EQ(model.Text(Row("seNominFrequency")), "-0.1");
  EXPECT_EQ(model.Text(Row("seDebugAddr")), "65535");
  EXPECT_EQ(E("seAnlg1Lev1").decimals, 2);
  EXPECT_EQ(model.Text(Row("seAnlg1Lev1")), "12.34");
  EXPECT_DOUBLE_EQ(model.Step(Row("seAnlg1Lev1")), 0.01);
  EXPECT_DOUBLE_EQ(model.Step(Row("seNominFrequency")), 0.1);
  {
    LanguageGuard english("english");
    EXPECT_EQ(model.Text(Row("cbRetFromTest")), "Auto");
  }
  {
    LanguageGuard chinese("chinese");
    EXPECT_EQ(model.Text(Row("cbRetFromTest")), "自动");
  }
  EXPECT_EQ(E("cbOverCurrProtection").index, 0);
  EXPECT_EQ(E("cbShortProtection").index, 1);
  EXPECT_EQ(E("cbOverLoadProtection").index, 0);
  EXPECT_EQ(E("cbUnbalCurrProtection").index, 2);
  for (std::string_view name :
       {"cbOverCurrProtection", "cbShortProtection", "cbOverLoadProtection"}) {
    E(name).index = 2;
  }
  E("cbUnbalCurrProtection").index = 6;
  model.Store(*images, kSite);
  EXPECT_EQ(images->Word(kSite, 0x0089), 0x0CCC);
}

TEST_F(EditorModelTest, UnknownCodesKeepTheListSelectionAndTheRegister) {
  images->SetWord(kSite, 0x00DC, 138);
  model.Load(*images, kSite, kYear);
  EXPECT_EQ(E("cbFuelValve").index, 1);
  images->SetWord(kSite, 0x00DC, 139);
  model.Load(*images, kSite, kYear);
  EXPECT_EQ(E("cbFuelValve").index, 1);  // the previous selection stays

  EditorModel fresh;
  fresh.Load(*images, kSite, kYear);
  EXPECT_EQ(fresh.Find("cbFuelValve")->index, -1);
  fresh.Store(*images, kSite);
  EXPECT_EQ(images->Word(kSite, 0x00DC), 139);
}

TEST_F(EditorModelTest, PickersFollowTheClockOnlyWhileUnchanged) {
  images->SetWord(kSite, 0x000E, 0x0705);
  images->SetWord(kSite, 0x000F, 0x2400);
  images->SetWord(kSite, 0x000C, 0x2359);
  images->SetWord(kSite, 0x000D, 0x5900);
  model.Load(*images, kSite, kYear);
  EXPECT_EQ(E("dtpDate").date, (CivilDate{2024, 5, 7}));
  EXPECT_EQ(model.Text(Row("dtpTime")), "23:59:59");
  E("dtpDate").date = {2025, 1, 2};
  E("dtpDate").changed = true;
  images->SetWord(kSite, 0x000C, 0x2400);  // hours 24 do not convert
  model.Load(*images, kSite, kYear);
  EXPECT_EQ(E("dtpDate").date, (CivilDate{2025, 1, 2}));
  EXPECT_EQ(E("dtpTime").time, (TimeOfDay{23, 59, 59}));
}

TEST_F(EditorModelTest, OilPressureChannelGivesCrankTitleAndDecimals) {
  images->SetWord(kSite, 0x0126, 85);      // channel 1: Coolant Temp.
  images->SetWord(kSite, 0x0127, 84);      // channel 2: Oil Pressure
  images->SetWord(kSite, 0x012A, 0x0E10);  // type 3, decimals 2, unit 1
  images->SetWord(kSite, 0x011C, 250);
  images->SetWord(kSite, 0x00E7, 150);
  model.Load(*images, kSite, kYear);
  EXPECT_EQ(E("seCrankOilPre").decimals, 2);
  EXPECT_EQ(model.Text(Row("seCrankOilPre")), "2.50");
  {
    LanguageGuard english("english");
    EXPECT_EQ(model.Title(Row("seCrankOilPre")), "CrankOilPre(℃)");
    EXPECT_EQ(model.Title(Row("seAnlg2Lev1")), "Oil PressureLev1(℃)");
    EXPECT_EQ(model.Title(Row("seAnlg2Del")), "Oil PressureDel");
    EXPECT_EQ(model.Title(Row("seAnlg1Lev2")), "Coolant Temp.Lev2(Bar)");
  }
  {
    LanguageGuard chinese("chinese");
    EXPECT_EQ(model.Title(Row("seAnlg2Lev1")), "油压预警值 (℃)");
    EXPECT_EQ(model.Title(Row("seAnlg2Del")), "油压报警延时 (s)");
  }
  // A decimals change on the channel page changes the scale of the next store.
  model.Channels().analogue[1].decimals = 1;
  model.ApplyChannelDecimals();
  EXPECT_EQ(E("seCrankOilPre").decimals, 1);
  EXPECT_EQ(E("seAnlg2Lev1").decimals, 1);
  model.Store(*images, kSite);
  EXPECT_EQ(images->Word(kSite, 0x011C), 25);
  EXPECT_EQ(images->Word(kSite, 0x00E7), 15);
  // Without an Oil Pressure channel the title has no unit and the threshold no decimals.
  model.Channels().analogue[1].function = 1;
  model.ApplyChannelDecimals();
  LanguageGuard english("english");
  EXPECT_EQ(model.Title(Row("seCrankOilPre")), "CrankOilPre");
  EXPECT_EQ(E("seCrankOilPre").decimals, 0);
}

TEST_F(EditorModelTest, ThreeDecimalLevelsGoBackUnchanged) {
  images->SetWord(kSite, 0x0129, 0x0F00);  // type 3, decimals 3
  images->SetWord(kSite, 0x00E4, 1234);
  model.Load(*images, kSite, kYear);
  EXPECT_EQ(model.Text(Row("seAnlg1Lev1")), "1.234");
  model.Store(*images, kSite);
  EXPECT_EQ(images->Word(kSite, 0x00E4), 1234);
}

std::vector<std::uint8_t> Descriptor(std::uint16_t address, std::int16_t max, std::int16_t min) {
  auto be = [](std::vector<std::uint8_t>& b, std::uint16_t w) {
    b.push_back(static_cast<std::uint8_t>(w >> 8));
    b.push_back(static_cast<std::uint8_t>(w & 0xFF));
  };
  std::vector<std::uint8_t> b;
  be(b, address);
  b.push_back(1);
  b.push_back(0);
  be(b, static_cast<std::uint16_t>(max));
  be(b, static_cast<std::uint16_t>(min));
  be(b, 0);
  return b;
}

TEST_F(EditorModelTest, ApplyEditorLimits) {
  std::vector<std::uint8_t> first;
  for (const auto& d :
       {Descriptor(0x00CA, 650, 450), Descriptor(0x0073, 120, 50), Descriptor(0x00E0, 9999, 0),
        Descriptor(0x00E4, 500, -100), Descriptor(0x011C, 100, 10), Descriptor(0x0098, 5, 1),
        Descriptor(0x00D4, 30, 0)}) {
    first.insert(first.end(), d.begin(), d.end());
  }
  // Tables of just these descriptors, as requests for that many would bring them.
  const RegisterBlock config1{reg::kParamConfig1.address, 7, 0, "CONFIG"};
  const RegisterBlock config4{reg::kParamConfig4.address, 1, 0, "CONFIG"};
  ASSERT_TRUE(images->StoreDescriptors(kSite, config1, first));
  ASSERT_TRUE(images->StoreDescriptors(kSite, config4, Descriptor(0x00D4, 60, 5)));  // later wins
  model.ApplyEditorLimits(*images, kSite);
  const struct {
    std::string_view name;
    double minimum;
    double maximum;
  } cases[] = {
      {"seNominFrequency", 45, 65}, {"seLCompensation", 0.5, 1.2}, {"sePMTime", 0, 9999},
      {"seRunHours", 0, 9999},      {"seAnlg1Lev1", -100, 500},    {"seCrankOilPre", 1, 10},
      {"seCrankCount", 0, 65535},   {"seDebugAddr", 0, 65535},     {"sePreStartTime", 5, 60},
      {"seNominPower", 0, 0},  // no descriptor names it
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(E(c.name).minimum, c.minimum) << c.name;
    EXPECT_DOUBLE_EQ(E(c.name).maximum, c.maximum) << c.name;
  }
  E("seNominFrequency").number = 70;
  model.ClampToLimits(Row("seNominFrequency"));
  EXPECT_DOUBLE_EQ(E("seNominFrequency").number, 65);
  E("seNominPower").number = 123;  // equal limits: nothing to clamp to
  model.ClampToLimits(Row("seNominPower"));
  EXPECT_DOUBLE_EQ(E("seNominPower").number, 123);
}

TEST_F(EditorModelTest, AdaptToControllerType) {
  const struct {
    std::uint16_t type;
    bool factory;
    std::string_view name;
    bool enabled;
  } cases[] = {
      {3101, false, "cbRetFromTest", true},     {3102, false, "cbRetFromTest", false},
      {3104, false, "seInversePowerDel", true}, {3109, false, "dtpDate", false},
      {3106, false, "dtpTime", true},           {3110, false, "seNeutralCTRatio", false},
      {3110, true, "seNeutralCTRatio", true},   {3108, false, "seNeutralCTRatio", true},
      {3108, false, "seControlerAddr", false},  {3105, false, "dtpDate", true},
      {3112, false, "seControlerAddr", false},  {3107, false, "seControlerAddr", true},
      {3101, false, "cbProtocol", false},
  };
  for (const auto& c : cases) {
    EditorModel fresh;
    fresh.AdaptToControllerType(c.type, c.factory);
    EXPECT_EQ(fresh.Find(c.name)->enabled, c.enabled) << c.type << " " << c.name;
  }
  EditorModel fresh;
  const ControllerTypeLayout withoutMains = fresh.AdaptToControllerType(3111, false);
  EXPECT_FALSE(withoutMains.mainsGrid);
  EXPECT_FALSE(withoutMains.timeLabel);
  EXPECT_EQ(withoutMains.generatorTabCaption.english, "Generator Protection");
  const ControllerTypeLayout withMains = fresh.AdaptToControllerType(3113, false);
  EXPECT_TRUE(withMains.mainsGrid);
  EXPECT_EQ(withMains.generatorTabCaption.chinese, "发电机保护/市电保护");
  EXPECT_FALSE(fresh.AdaptToControllerType(3107, false).known);
}

}  // namespace
}  // namespace vorel

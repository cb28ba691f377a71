// Comparing parameters as a parameter file holds them: what differs, how each value is shown
// (the editor's unit and decimals, the signed word where no editor shows the key), and the
// load defaults standing in for keys a file lacks.
#include "files/parameter_compare.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/editor_model.h"
#include "core/language.h"
#include "core/site_images.h"
#include "files/difference_groups.h"
#include "files/ini_document.h"

namespace vorel {
namespace {

namespace fs = std::filesystem;
constexpr int kSite = 2;

struct Edit {
  const char* section;
  const char* key;
  const char* value;  // nullptr: the key is removed
};

struct Expected {
  std::string key;
  std::string name;
  std::string unit;
  std::string first;
  std::string second;
};

class ParameterCompareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLanguageSetting("english");
    dir = fs::temp_directory_path() /
          ("vorel-cmp-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
    SetLanguageSetting("chinese");
  }

  // A file saved from an image with a few known words, as the Backup button writes it.
  IniDocument BaseDocument() {
    auto images = std::make_unique<SiteImages>();
    auto editors = std::make_unique<EditorModel>();
    images->SetWord(kSite, 0x00C8, 100);   // GNOMIN_PWR
    images->SetWord(kSite, 0x00CA, 500);   // GNOMIN_FREQ x10
    images->SetWord(kSite, 0x0073, 92);    // LCOMPENSATION x100
    images->SetWord(kSite, 0x009F, 1234);  // RUN_HOURS 1234.50
    images->SetWord(kSite, 0x00A0, 1800);
    images->SetWord(kSite, 0x00CE, 7);       // L1NOMIN_PWR, a key only a load reads
    images->SetWord(kSite, 0x0089, 0x0CCB);  // CURR_PROPERTY: four editors, one field each
    editors->Load(*images, kSite);
    IniDocument doc;
    WriteParameterDocument(doc, *editors, *images, kSite, "A");
    return doc;
  }
  // The file of `doc` without the lines of the keys in `removed`.
  fs::path Save(const IniDocument& doc, const char* name,
                const std::vector<std::string>& removed = {}) {
    std::string bytes = doc.ToBytes();
    for (const std::string& key : removed) {
      const std::size_t at = bytes.find("\r\n" + key + "=");
      if (at != std::string::npos) bytes.erase(at, bytes.find("\r\n", at + 2) - at);
    }
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  fs::path dir;
};

TEST_F(ParameterCompareTest, ListsWhatDiffersInTheEditorsUnit) {
  const struct {
    const char* what;
    std::vector<Edit> edits;  // applied to the second file
    std::vector<Expected> differences;
  } cases[] = {
      {"equal", {}, {}},
      {"one integer value",
       {{"BASIC SETPOINT", "GNOMIN_PWR", "120"}},
       {{"GNOMIN_PWR", "Nomin Power", "KW", "100", "120"}}},
      {"x10 and x100 values with their decimals, in file order",
       {{"BASIC SETPOINT", "GNOMIN_FREQ", "60.00"}, {"SYSTEM", "LCOMPENSATION", "0.85"}},
       {{"LCOMPENSATION", "Curr Calibration", "x1A", "0.92", "0.85"},
        {"GNOMIN_FREQ", "Nomin Freq", "Hz", "50.0", "60.0"}}},
      {"only the seconds word of the run hours",
       {{"GENERATOR", "RUN_HOURS", "1234.25"}},
       {{"RUN_HOURS", "RunHours", "Hrs", "1234.5", "1234.3"}}},
      {"a key no editor shows: the signed word",
       {{"Sensor", "CHART_A_VAL1", "-5"}},
       {{"CHART_A_VAL1", "CHART_A_VAL1", "", "0", "-5"}}},
      {"one of the editors sharing a register",
       {{"CurrProperty", "CURR_PROPERTY", "3277"}},
       {{"CURR_PROPERTY", "Curr Over Shutdown", "", "Other", "Cooling"}}},
      {"a shared register whose editors all show the same",
       {{"CurrProperty", "CURR_PROPERTY", "3274"}},
       {{"CURR_PROPERTY", "CURR_PROPERTY", "", "3275", "3274"}}},
      {"missing keys take the load defaults",
       {{"BASIC SETPOINT", "GNOMIN_FREQ", nullptr}, {"BASIC SETPOINT", "L1NOMIN_PWR", nullptr}},
       {{"GNOMIN_FREQ", "Nomin Freq", "Hz", "50.0", "45.0"},
        {"L1NOMIN_PWR", "L1NOMIN_PWR", "", "7", "1"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    IniDocument second = BaseDocument();
    std::vector<std::string> removed;
    for (const Edit& e : c.edits) {
      if (e.value) {
        second.WriteString(e.section, e.key, e.value);
      } else {
        removed.emplace_back(e.key);
      }
    }
    const fs::path pathA = Save(BaseDocument(), "a.dat");
    const fs::path pathB = Save(second, "b.dat", removed);
    auto imagesA = std::make_unique<SiteImages>();
    auto imagesB = std::make_unique<SiteImages>();
    auto editorsA = std::make_unique<EditorModel>();
    auto editorsB = std::make_unique<EditorModel>();
    ASSERT_TRUE(LoadParameterSide(pathA, *imagesA, 1, *editorsA).ok());
    ASSERT_TRUE(LoadParameterSide(pathB, *imagesB, 5, *editorsB).ok());

    const std::vector<ParameterDifference> found =
        CompareParameters({*imagesA, 1, *editorsA}, {*imagesB, 5, *editorsB});
    ASSERT_EQ(found.size(), c.differences.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
      const Expected& e = c.differences[i];
      EXPECT_EQ(found[i].key, e.key);
      EXPECT_EQ(found[i].name, e.name);
      EXPECT_EQ(found[i].unit, e.unit);
      EXPECT_EQ(found[i].first, e.first);
      EXPECT_EQ(found[i].second, e.second);
    }
  }
}

TEST_F(ParameterCompareTest, ChannelAndIoWordsShowTheirChoices) {
  IniDocument second = BaseDocument();
  second.WriteString("IOProperty", "BI01_PROPERTY", "2048");  // input 1: active from starting
  second.WriteString("IOProperty", "BIN_POLARITY", "1");      // input 1 opens to activate
  const fs::path pathA = Save(BaseDocument(), "a.dat");
  const fs::path pathB = Save(second, "b.dat");
  auto imagesA = std::make_unique<SiteImages>();
  auto imagesB = std::make_unique<SiteImages>();
  auto editorsA = std::make_unique<EditorModel>();
  auto editorsB = std::make_unique<EditorModel>();
  ASSERT_TRUE(LoadParameterSide(pathA, *imagesA, 1, *editorsA).ok());
  ASSERT_TRUE(LoadParameterSide(pathB, *imagesB, 5, *editorsB).ok());
  const std::vector<ParameterDifference> found =
      CompareParameters({*imagesA, 1, *editorsA}, {*imagesB, 5, *editorsB});
  ASSERT_EQ(found.size(), 2u);
  for (const ParameterDifference& d : found) {
    SCOPED_TRACE(d.key);
    EXPECT_NE(d.first, d.second);
    // Words of choices, not the raw numbers of the file.
    for (const std::string& side : {d.first, d.second}) {
      EXPECT_TRUE(side.find_first_not_of("-0123456789") != std::string::npos) << side;
      EXPECT_NE(side.find(d.key == "BIN_POLARITY" ? "BI1 " : "Active when "), std::string::npos)
          << side;
    }
  }
}

TEST_F(ParameterCompareTest, AFileThatDoesNotConvertAppliesNothing) {
  IniDocument doc = BaseDocument();
  doc.WriteString("BASIC SETPOINT", "GNOMIN_PWR", "12x");
  auto images = std::make_unique<SiteImages>();
  auto editors = std::make_unique<EditorModel>();
  const ParameterFileRead read = LoadParameterSide(Save(doc, "bad.dat"), *images, 1, *editors);
  EXPECT_EQ(read.failure, ParameterFileFailure::BadInteger);
  EXPECT_EQ(read.text, "12x");
  EXPECT_EQ(images->Word(1, 0x0073), 0);  // LCOMPENSATION, read before the bad key, not applied
}

TEST(SplitTitleUnit, TakesTheBracketsAtTheEnd) {
  const struct {
    const char* title;
    const char* name;
    const char* unit;
  } cases[] = {
      {"Nomin Power (KW)", "Nomin Power", "KW"},
      {"CrankOilPre(Bar)", "CrankOilPre", "Bar"},
      {"额定频率 (Hz)", "额定频率", "Hz"},
      {"Gear Teeth", "Gear Teeth", ""},
      {"(x)", "(x)", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    std::string name;
    std::string unit;
    SplitTitleUnit(c.title, &name, &unit);
    EXPECT_EQ(name, c.name) << c.title;
    EXPECT_EQ(unit, c.unit) << c.title;
  }
}

}  // namespace
}  // namespace vorel

namespace vorel {
namespace {

ParameterDifference Row(const char* key, const char* first, const char* second) {
  ParameterDifference d;
  d.key = key;
  d.name = key;
  d.first = first;
  d.second = second;
  return d;
}

TEST(DifferenceGroups, ByPageInGridOrderCountersApartAndAlikeValuesLeftOut) {
  SetLanguageSetting("english");
  const std::vector<ParameterDifference> differences = {
      Row("CHART_A_VAL1", "0", "-5"),  // no editor: the channel page
      Row("RUN_HOURS", "1234.5", "1234.3"), Row("PRE_START_TIME", "5", "6"),
      Row("GNOMIN_FREQ", "50.0", "60.0"),   Row("CRANK_COUNT", "10", "12"),
      Row("GNOMIN_PWR", "100", "120"),     // before the frequency in its grid
      Row("ATS2_OPEN_DEL", "20.0", "20"),  // the same number: left out
  };
  std::vector<std::string> listed;
  for (const DifferenceGroup& g : GroupDifferences(differences)) {
    listed.push_back("[" + std::string(g.heading.english) + "]");
    for (const ParameterDifference& d : g.rows) listed.push_back(d.key);
  }
  EXPECT_EQ(listed, (std::vector<std::string>{"[System/Basic]", "GNOMIN_PWR", "GNOMIN_FREQ",
                                              "[Engine/Engine Protection]", "PRE_START_TIME",
                                              "[Analogue Inputs/Inputs/Outputs]", "CHART_A_VAL1",
                                              "[Counters]", "CRANK_COUNT", "RUN_HOURS"}));
  // The headings in the window's language, as rows of their own.
  SetLanguageSetting("chinese");
  const std::vector<ParameterDifference> rows =
      WithGroupHeadings(GroupDifferences({Row("GNOMIN_PWR", "100", "120")}));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "系统/基本设定");
  EXPECT_EQ(rows[0].key, "");
  SetLanguageSetting("english");
}

}  // namespace
}  // namespace vorel

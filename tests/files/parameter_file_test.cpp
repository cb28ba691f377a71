// The parameter file as a whole: the layout of a new file, saving into an existing file,
// reading and converting every key before anything is applied, and files that are refused.
#include "files/parameter_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "core/editor_model.h"
#include "core/language.h"
#include "core/site_images.h"
#include "files/ini_document.h"
#include "files/parameter_keys.h"

namespace vorel {
namespace {

namespace fs = std::filesystem;
constexpr int kSite = 4;

class ParameterFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLanguageSetting("english");
    dir = fs::temp_directory_path() /
          ("vorel-pf-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, ec);
    fs::remove_all(dir, ec);
    SetLanguageSetting("chinese");
  }
  static void WriteBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
  }
  static std::string ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string NewFileBytes() {
    IniDocument doc;
    WriteParameterDocument(doc, editors, *images, kSite, "发电机 A");
    return doc.ToBytes();
  }
  // The word a read sets for a register (the last one wins).
  static std::optional<std::uint16_t> WordOf(const ParameterFileRead& read, std::uint16_t reg) {
    std::optional<std::uint16_t> word;
    for (const LoadedWord& w : read.values.words)
      if (w.reg == reg) word = w.word;
    return word;
  }

  fs::path dir;
  std::unique_ptr<SiteImages> images = std::make_unique<SiteImages>();
  EditorModel editors;
};

TEST_F(ParameterFileTest, NewFileHasTheSectionsAndKeysInOrderThenTheLoadOnlyKeys) {
  images->SetWord(kSite, 0x0074, 1);
  images->SetWord(kSite, 0x00CE, 0xFFFF);  // L1NOMIN_PWR, a key only a load knew
  editors.Find("seVoltageRatio")->maximum = 30;
  const std::string bytes = NewFileBytes();
  EXPECT_EQ(bytes.rfind("[SYSTEM]\r\nLANGUAGE=1\r\nLCOMPENSATION=0.00\r\n", 0), 0u);
  EXPECT_NE(bytes.find("VOLTAGE_RATIO_MAX=30.00\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("DEV_NAME=\xB7\xA2\xB5\xE7\xBB\xFA A\r\n"), std::string::npos);  // cp936
  EXPECT_EQ(bytes.find("\n\n"), std::string::npos);

  const IniDocument doc = IniDocument::FromBytes(bytes);
  const auto sections = doc.SectionNames();
  ASSERT_EQ(sections.size(), ParameterFileSections().size());
  std::size_t keys = 0;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    EXPECT_EQ(sections[i], ParameterFileSections()[i]);
    keys += doc.KeyNames(sections[i]).size();
  }
  EXPECT_EQ(keys, 333u + 9u);
  const auto basic = doc.KeyNames("BASIC SETPOINT");
  EXPECT_EQ(basic.back(), "L2NOMIN_CUR");
  EXPECT_EQ(doc.ReadString("BASIC SETPOINT", "L1NOMIN_PWR", ""), "-1");
  for (const char* key : {"STANDBY"}) EXPECT_TRUE(doc.HasKey("ENG PROTECT", key));
  for (const char* key : {"L1_OV_LD", "L2_OV_LD"}) EXPECT_TRUE(doc.HasKey("GEN PROTECT", key));
  for (const char* key : {"ATS2_OPEN_DEL", "ATS2_CLOSE_DEL"})
    EXPECT_TRUE(doc.HasKey("MAINS PROTECT", key));
}

TEST_F(ParameterFileTest, SavingIntoAnExistingFileReplacesValuesInPlace) {
  const fs::path p = dir / "site.dat";
  WriteBytes(p,
             "; kept\r\n[basic setpoint]\r\nL1NOMIN_PWR=7\r\nGNOMIN_PWR=99\r\nOTHER=x\r\n"
             "[Notes]\r\nby=hand\r\n");
  images->SetWord(kSite, 0x00C8, 120);
  FileError error;
  ASSERT_TRUE(SaveParameterFile(p, editors, *images, kSite, "n", &error)) << EnglishReason(error);
  ASSERT_TRUE(SaveParameterFile(p, editors, *images, kSite, "n", &error)) << EnglishReason(error);
  const std::string bytes = ReadBytes(p);
  EXPECT_EQ(bytes.rfind(
                "; kept\r\n[basic setpoint]\r\nL1NOMIN_PWR=0\r\nGNOMIN_PWR=120\r\nOTHER=x\r\n", 0),
            0u);
  EXPECT_NE(bytes.find("[Notes]\r\nby=hand\r\n"), std::string::npos);
  const IniDocument doc = IniDocument::FromBytes(bytes);
  EXPECT_EQ(doc.SectionNames().size(), 13u);
  std::size_t count = 0;
  for (std::size_t at = bytes.find("GNOMIN_PWR="); at != std::string::npos;
       at = bytes.find("GNOMIN_PWR=", at + 1))
    ++count;
  EXPECT_EQ(count, 1u);
}

TEST_F(ParameterFileTest, ConversionsOfTheLoad) {
  const struct {
    const char* lines;  // into the sections as given
    std::uint16_t reg;
    std::uint16_t word;
  } cases[] = {
      {"[SYSTEM]\r\nDC_DROP=1.25\r\n", 0x0075, 12},
      {"[SYSTEM]\r\nDC_DROP=1.35\r\n", 0x0075, 14},
      {"[SYSTEM]\r\nLCOMPENSATION=0.92\r\n", 0x0073, 92},
      {"[SYSTEM]\r\n", 0x00CA, 450},  // GNOMIN_FREQ missing
      {"[SYSTEM]\r\n", 0x00CE, 1},    // L1NOMIN_PWR missing
      {"[MAINS PROTECT]\r\nMFREQ_LEV1=50\r\nVM_DEL=50\r\n", 0x010F, 50},
      {"[MAINS PROTECT]\r\nVM_DEL=50\r\n", 0x010E, 50},
      {"[GENERATOR]\r\nRUN_HOURS=1234.75\r\n", 0x009F, 1235},
      {"[GENERATOR]\r\nRUN_HOURS=1234.75\r\n", 0x00A0, 64636},
      {"[BASIC SETPOINT]\r\nGNOMIN_PWR=70000\r\n", 0x00C8, 70000 & 0xFFFF},
  };
  for (const auto& c : cases) {
    const ParameterFileRead read = ConvertParameterDocument(IniDocument::FromBytes(c.lines), false);
    ASSERT_TRUE(read.ok()) << c.lines;
    EXPECT_EQ(WordOf(read, c.reg), c.word) << c.lines;
  }
}

TEST_F(ParameterFileTest, LimitKeysAndTheOfflineOnlyKeys) {
  const IniDocument doc = IniDocument::FromBytes(
      "[ENGINE]\r\nPRE_START_TIME_MIN=0\r\nPRE_LUBR_TIME_MIN=5\r\n"
      "[ENG_SETPOINT]\r\nEMERG_START_DEL_MAX=9\r\n");
  for (bool offline : {false, true}) {
    EditorModel model;
    ApplyLoadedParameters(ConvertParameterDocument(doc, offline).values, model, *images, kSite);
    EXPECT_EQ(model.Find("sePreStartTime")->minimum, 5);
    EXPECT_EQ(model.Find("seEmergencyStartDel")->maximum,
              offline ? 9 : EditorModel().Find("seEmergencyStartDel")->maximum);
  }
}

TEST_F(ParameterFileTest, BadFilesAreRefusedWithTheirMessage) {
  const std::string valid = NewFileBytes();
  WriteBytes(dir / "truncated.dat", valid.substr(0, valid.find("RUN_HOURS=") + 10));
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 7919) >> 3));
  WriteBytes(dir / "binary.dat", binary);
  std::string crOnly = valid;
  for (std::size_t at; (at = crOnly.find("\r\n")) != std::string::npos;) crOnly.erase(at + 1, 1);
  WriteBytes(dir / "cr-only.dat", crOnly);
  WriteBytes(dir / "foreign.ini", "[Port]\r\nBaud=9600\r\n");
  WriteBytes(dir / "bad-name.dat", "[Product Information]\r\nDEV_NAME=\x81\x20\xFF\r\n");
  WriteBytes(dir / "bad-battery.dat", "[ENG PROTECT]\r\nSTART_BAT_DEL=2.5\r\n");
  fs::create_directories(dir / "folder.dat");
  {
    std::ofstream big(dir / "huge.dat", std::ios::binary);
    big << "[SYSTEM]\r\n";
  }
  fs::resize_file(dir / "huge.dat", 100u << 20);

  const std::string d = dir.string() + "/";
  const struct {
    const char* file;
    std::string message;  // empty: loads
  } cases[] = {
      {"truncated.dat", "'' is not a valid floating point value"},
      {"binary.dat", d + "binary.dat is not a parameter file"},
      {"cr-only.dat", ""},
      {"foreign.ini", d + "foreign.ini is not a parameter file"},
      {"missing.dat", d + "missing.dat is not a parameter file"},
      {"folder.dat", "Unable to read " + d + "folder.dat"},
      {"huge.dat", "Unable to read " + d + "huge.dat"},
      {"bad-name.dat", ""},
      {"bad-battery.dat", "'2.5' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    const std::string path = d + c.file;
    const ParameterFileRead read = ReadParameterFile(path, false);
    EXPECT_EQ(ParameterFileMessage(read, path), c.message) << c.file;
  }
  const ParameterFileRead cr = ReadParameterFile(d + "cr-only.dat", false);
  EXPECT_EQ(cr.values.deviceName, "发电机 A");

  if (::geteuid() != 0) {  // permissions do not stop the super-user
    WriteBytes(dir / "locked.dat", valid);
    fs::permissions(dir / "locked.dat", fs::perms::none);
    const std::string path = d + "locked.dat";
    EXPECT_EQ(ParameterFileMessage(ReadParameterFile(path, false), path), "Unable to read " + path);
  }
}

}  // namespace
}  // namespace vorel

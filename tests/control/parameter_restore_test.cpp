// Restoring a controller from a parameter file (vorel-cli restore) against a parameter
// window's Load, unlock and Write buttons: both on windows without widgets, on two fake
// controllers that start alike.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <utility>

#include "control/headless_site_window.h"
#include "control_fixture.h"
#include "core/register_table.h"
#include "files/parameter_keys.h"

namespace vorel::test {
namespace {

namespace fs = std::filesystem;
constexpr int kWindowSite = 2;
constexpr int kRestoreSite = 3;
constexpr std::uint16_t kModeRegister = 0x0113;
constexpr std::uint16_t kAddressRegister = 0x0011;  // CONTROLER_ADDR, read by the first group

using Write = std::pair<std::uint16_t, std::vector<std::uint16_t>>;

class ParameterRestore : public ControlTest {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("vorel-restore-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);  // no vorel.ini: user level
    ControlTest::SetUp();
    session->SetWindowFactory(HeadlessSiteWindow::Factory(session->Images(), session->Slots()));
    for (int site : {kWindowSite, kRestoreSite})
      controller.AddSite(site, 3101).regs[kModeRegister] = kModeAuto;
    ConnectAll({kWindowSite, kRestoreSite});
    ASSERT_TRUE(session->IsOnline(kWindowSite));
    ASSERT_TRUE(session->IsOnline(kRestoreSite));

    // A file saved from the first site's window after its image was given other words than
    // the controllers hold; then the image holds the controller's words again.
    SiteImages& images = session->Images();
    const auto image = images.Image(kWindowSite);
    const std::vector<std::uint16_t> read(image.begin(), image.end());
    std::uint16_t word = 3;
    for (const ParameterLoadStep& step : ParameterLoadSteps())
      if (step.role == KeyRole::Value) images.SetWord(kWindowSite, step.reg, word++);
    images.SetWord(kWindowSite, kAddressRegister, 7);
    session->Window(kWindowSite)->LoadAllPages();
    file = (dir / "site.dat").string();
    host.fileNames.push_back(file);
    session->SaveParameterFile(kWindowSite);
    ASSERT_TRUE(host.messages.empty()) << host.messages.front();
    for (int a = 0; a < kImageWords; ++a)
      images.SetWord(kWindowSite, a, read[static_cast<std::size_t>(a)]);
    session->Window(kWindowSite)->LoadAllPages();
    controller.requests.clear();
  }
  void TearDown() override {
    ControlTest::TearDown();
    std::error_code ec;
    fs::remove_all(dir, ec);
    ::unsetenv("XDG_CONFIG_HOME");
  }
  // The site's writes in order: address and words.
  std::vector<Write> Writes(int site) const {
    std::vector<Write> writes;
    for (const FakeRequest& r : controller.requests)
      if (r.function == 16 && r.site == site) writes.emplace_back(r.address, r.words);
    return writes;
  }
  RestoreResult Restore(const std::string& password, bool stayOff,
                        std::vector<RestoreStep>* steps = nullptr) {
    const std::optional<ParameterFileContents> contents = session->ParameterFiles().ReadFile(file);
    EXPECT_TRUE(contents.has_value());
    if (!contents) return {};
    RestoreOptions options;
    options.password = password;
    options.stayOff = stayOff;
    options.onStep = [steps](RestoreStep step) {
      if (steps) steps->push_back(step);
    };
    return session->ParameterFiles().Restore(kRestoreSite, *contents, options);
  }

  fs::path dir;
  std::string file;
};

TEST_F(ParameterRestore, RestoreWritesWhatLoadUnlockAndWriteWriteAndPutsTheModeBack) {
  host.fileNames.push_back(file);
  session->LoadParameterFile(kWindowSite);
  session->UnlockParameters(kWindowSite, "1234");
  Run(2000);  // the poll brings the unlocked protection
  session->WriteParameters(kWindowSite);
  ASSERT_TRUE(host.messages.empty()) << host.messages.front();
  const std::vector<Write> windowWrites = Writes(kWindowSite);

  std::vector<RestoreStep> steps;
  const RestoreResult result = Restore("1234", false, &steps);
  ASSERT_TRUE(host.messages.empty()) << host.messages.front();
  EXPECT_EQ(result.end, RestoreEnd::Restored);
  EXPECT_TRUE(result.differences.empty());
  EXPECT_EQ(steps, (std::vector<RestoreStep>{RestoreStep::Unlock, RestoreStep::Write}));

  // The same requests in the same order, and the mode the set was in written last.
  std::vector<Write> restoreWrites = Writes(kRestoreSite);
  ASSERT_FALSE(restoreWrites.empty());
  EXPECT_EQ(restoreWrites.back(), Write(kModeRegister, {kModeAuto}));
  restoreWrites.pop_back();
  EXPECT_EQ(restoreWrites, windowWrites);
  ASSERT_GT(windowWrites.size(), 10u);

  // The same controller words, the file's among them; only the mode differs.
  const auto& byWindow = controller.sites[kWindowSite].regs;
  const auto& byRestore = controller.sites[kRestoreSite].regs;
  for (std::size_t reg = 0; reg < byWindow.size(); ++reg) {
    if (reg == kModeRegister) continue;
    EXPECT_EQ(byRestore[reg], byWindow[reg]) << "register 0x" << std::hex << reg;
  }
  EXPECT_EQ(byRestore[kAddressRegister], 7);
  EXPECT_EQ(byWindow[kModeRegister], kModeOff);
  EXPECT_EQ(byRestore[kModeRegister], kModeAuto);
  EXPECT_TRUE(session->Slots().FileLoaded(kWindowSite));
  EXPECT_FALSE(session->Slots().FileLoaded(kRestoreSite));  // read back after the write
}

TEST_F(ParameterRestore, EachFailedStepEndsTheRestoreWithTheModePutBack) {
  bool written = false;  // the write's last block has been sent
  const auto afterWrite = [&written](const FakeRequest& r, std::uint16_t address) {
    if (r.function == 16 && r.address == 0x0129) written = true;
    return written && r.function == 3 && r.address == address;
  };
  const auto refused = [](int function, std::uint16_t address) {
    return [=](const FakeRequest& r) { return r.function == function && r.address == address; };
  };
  const struct {
    const char* name;
    const char* password;
    bool stayOff;
    std::uint16_t protectionBefore;  // the controller's protection word at the start
    std::function<bool(const FakeRequest&)> except;
    RestoreEnd end;
    bool blocksWritten;
    bool modeWrittenBack;
    std::uint16_t finalMode;
  } cases[] = {
      // clang-format off
      {"read refused", "1234", false, 0, refused(3, 0x804D),
       RestoreEnd::ReadFailed, false, false, kModeAuto},
      {"wrong password", "9999", false, 0, {},
       RestoreEnd::PasswordRefused, false, true, kModeAuto},
      {"wrong password, stay off", "9999", true, 0, {},
       RestoreEnd::PasswordRefused, false, false, kModeOff},
      // The image still shows the protection unlocked as the first read found it.
      {"protection not read", "9999", false, kUnlockedMark, refused(3, reg::kProtection.address),
       RestoreEnd::PasswordRefused, false, true, kModeAuto},
      {"block refused", "1234", false, 0, refused(16, 0x0039),
       RestoreEnd::WriteFailed, true, true, kModeAuto},
      {"read-back refused", "1234", false, 0,
       [&](const FakeRequest& r) { return afterWrite(r, 0x8046); },
       RestoreEnd::ReadBackFailed, true, true, kModeAuto},
      {"stay off", "1234", true, 0, {},
       RestoreEnd::Restored, true, false, kModeOff},
      // clang-format on
  };
  for (const auto& c : cases) {
    controller.sites[kRestoreSite].regs[kModeRegister] = kModeAuto;
    controller.sites[kRestoreSite].regs[reg::kProtection.address] = c.protectionBefore;
    controller.requests.clear();
    controller.except = c.except;
    written = false;
    const RestoreResult result = Restore(c.password, c.stayOff);
    controller.except = nullptr;
    EXPECT_EQ(result.end, c.end) << c.name;
    EXPECT_TRUE(result.differences.empty()) << c.name;
    std::vector<Write> writes = Writes(kRestoreSite);
    const bool modeBack = !writes.empty() && writes.back() == Write(kModeRegister, {kModeAuto});
    EXPECT_EQ(modeBack, c.modeWrittenBack) << c.name;
    if (modeBack) writes.pop_back();
    // Beyond the unlock (mode OFF, then the password) only parameter blocks are written.
    EXPECT_EQ(writes.size() > 2, c.blocksWritten) << c.name;
    EXPECT_EQ(controller.sites[kRestoreSite].regs[kModeRegister], c.finalMode) << c.name;
  }
}

TEST_F(ParameterRestore, AWordThatReadsBackOtherwiseIsListed) {
  bool written = false;
  controller.except = [&](const FakeRequest& r) {
    if (r.function == 16 && r.address == 0x0129) written = true;
    // The controller keeps an address of its own for the read-back.
    if (written && r.function == 3 && r.address == 0x804D)
      controller.sites[kRestoreSite].regs[kAddressRegister] = 31;
    return false;
  };
  const RestoreResult result = Restore("1234", false);
  EXPECT_EQ(result.end, RestoreEnd::Differs);
  ASSERT_EQ(result.differences.size(), 1u);
  EXPECT_EQ(result.differences[0].reg, kAddressRegister);
  EXPECT_EQ(result.differences[0].key, "CONTROLER_ADDR");
  EXPECT_EQ(result.differences[0].written, 7);
  EXPECT_EQ(result.differences[0].readBack, 31);
  EXPECT_EQ(controller.sites[kRestoreSite].regs[kModeRegister], kModeAuto);
}

}  // namespace
}  // namespace vorel::test

// The checked write sequence on a fake controller found in AUTO and locked: each step that fails
// (the fresh read, the password, a block, the read-back) ends the write with the mode put back
// (unless it is to stay OFF) and the protection locked again; a word that reads back otherwise
// is listed with its key.
#include <functional>
#include <utility>

#include "control/safe_write.h"
#include "control_fixture.h"
#include "core/register_table.h"

namespace vorel::test {
namespace {

constexpr int kSite = 3;
constexpr std::uint16_t kModeRegister = 0x0113;

using Write = std::pair<std::uint16_t, std::vector<std::uint16_t>>;

class ParameterRestore : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    controller.AddSite(kSite, 3101);
    ConnectAll({kSite});
    ASSERT_TRUE(session->IsOnline(kSite));
    controller.requests.clear();
  }
  // The site's writes in order: address and words.
  std::vector<Write> Writes() const {
    std::vector<Write> writes;
    for (const FakeRequest& r : controller.requests)
      if (r.function == 16 && r.site == kSite) writes.emplace_back(r.address, r.words);
    return writes;
  }
  // Three registers of three steps of a parameter write.
  SafeWriteResult Restore(const std::string& password, bool stayOff) {
    SafeWriteRequest request;
    request.action = "restore";
    request.password = password;
    request.stayOff = stayOff;
    request.wanted = {{0x0073, 50, false}, {0x0075, 60, false}, {0x0039, 7, false}};
    SafeWrite sequence(host, session->Images(), session->Link(), *session, *session,
                       session->Parameters());
    return sequence.Run(kSite, request);
  }
};

TEST_F(ParameterRestore, EachFailedStepEndsTheWriteWithTheModeAndTheLockPutBack) {
  bool written = false;  // the last changed block has been sent
  const auto afterWrite = [&written](const FakeRequest& r, std::uint16_t address) {
    if (r.function == 16 && r.address == 0x0039) written = true;
    return written && r.function == 3 && r.address == address;
  };
  const auto refused = [](int function, std::uint16_t address) {
    return [=](const FakeRequest& r) { return r.function == function && r.address == address; };
  };
  const struct {
    const char* name;
    const char* password;
    bool stayOff;
    std::function<bool(const FakeRequest&)> except;
    SafeWriteEnd end;
    std::uint16_t register73;  // afterwards: 0 unless the write stands
    bool unlocked;             // the sequence opened the protection (and so locks it again)
    std::uint16_t finalMode;
  } cases[] = {
      // clang-format off
      {"read refused",             "1234", false, refused(3, 0x804D),
       SafeWriteEnd::ReadFailed,      0,  false, kModeAuto},
      {"wrong password",           "9999", false, {},
       SafeWriteEnd::PasswordRefused, 0,  true,  kModeAuto},
      {"wrong password, stay off", "9999", true,  {},
       SafeWriteEnd::PasswordRefused, 0,  true,  kModeOff},
      {"protection not read",      "1234", false, refused(3, reg::kProtection.address),
       SafeWriteEnd::ReadFailed,      0,  false, kModeAuto},
      {"block refused",            "1234", false, refused(16, 0x0075),
       SafeWriteEnd::WriteFailed,     0,  true,  kModeAuto},
      {"read-back refused",        "1234", false,
       [&](const FakeRequest& r) { return afterWrite(r, 0x804D); },
       SafeWriteEnd::ReadBackFailed,  50, true,  kModeAuto},
      {"stay off",                 "1234", true,  {},
       SafeWriteEnd::Written,         50, true,  kModeOff},
      // clang-format on
  };
  for (const auto& c : cases) {
    auto& regs = controller.sites[kSite].regs;
    regs[kModeRegister] = kModeAuto;
    regs[reg::kProtection.address] = 0;
    for (const std::uint16_t reg : {0x0073, 0x0075, 0x0039}) regs[reg] = 0;
    controller.requests.clear();
    controller.except = c.except;
    written = false;
    const SafeWriteResult result = Restore(c.password, c.stayOff);
    controller.except = nullptr;
    EXPECT_EQ(result.end, c.end) << c.name;
    EXPECT_TRUE(result.differences.empty()) << c.name;
    EXPECT_EQ(regs[0x0073], c.register73) << c.name;
    EXPECT_EQ(regs[kModeRegister], c.finalMode) << c.name;
    EXPECT_EQ(regs[reg::kProtection.address], 0) << c.name;
    const std::vector<Write> writes = Writes();
    const bool relocked =
        !writes.empty() && writes.back() == Write(reg::kProtection.address, {kLockWord});
    EXPECT_EQ(relocked, c.unlocked) << c.name;
  }
}

// The rollback writes back every block that was acknowledged, and the refused one.
TEST_F(ParameterRestore, AFailedBlockRollsBackTheBlocksBeforeIt) {
  controller.sites[kSite].regs[kModeRegister] = kModeAuto;
  controller.except = [](const FakeRequest& r) {
    return r.function == 16 && r.address == 0x0039 && r.words == std::vector<std::uint16_t>{7};
  };
  const SafeWriteResult result = Restore("1234", false);
  EXPECT_EQ(result.end, SafeWriteEnd::WriteFailed);
  EXPECT_EQ(result.rolledBack, (std::vector<BlockSpan>{{0x0073, 1}, {0x0075, 1}, {0x0039, 1}}));
  EXPECT_TRUE(result.rollbackComplete);
  for (const std::uint16_t reg : {0x0073, 0x0075, 0x0039})
    EXPECT_EQ(controller.sites[kSite].regs[reg], 0) << reg;
  EXPECT_EQ(controller.sites[kSite].regs[kModeRegister], kModeAuto);
}

TEST_F(ParameterRestore, AWordThatReadsBackOtherwiseIsListed) {
  controller.sites[kSite].regs[kModeRegister] = kModeAuto;
  bool written = false;
  controller.except = [&](const FakeRequest& r) {
    if (r.function == 16 && r.address == 0x0039) written = true;
    // The controller keeps a word of its own for the read-back.
    if (written && r.function == 3) controller.sites[kSite].regs[0x0073] = 31;
    return false;
  };
  const SafeWriteResult result = Restore("1234", false);
  EXPECT_EQ(result.end, SafeWriteEnd::ReadBackDiffers);
  ASSERT_EQ(result.differences.size(), 1u);
  EXPECT_EQ(result.differences[0].reg, 0x0073);
  EXPECT_EQ(result.differences[0].key, "LCOMPENSATION");
  EXPECT_EQ(result.differences[0].written, 50);
  EXPECT_EQ(result.differences[0].readBack, 31);
  EXPECT_EQ(controller.sites[kSite].regs[kModeRegister], kModeAuto);
}

}  // namespace
}  // namespace vorel::test

// The check before a write: another product is refused, another unit needs a yes, values
// outside the controller's or the file's limits and missing keys are listed and refused, and
// the address, the counters and the clock stay as the controller has them unless asked.
#include <gtest/gtest.h>

#include <vector>

#include "control/write_preflight.h"
#include "core/language.h"
#include "core/parameter_table.h"

namespace vorel::test {
namespace {

constexpr std::uint16_t kNominPower = 0x00C8;  // GNOMIN_PWR, Scaled factor 1
constexpr std::uint16_t kAddress = 0x0011;
constexpr std::uint16_t kStarts = 0x0098;
constexpr std::uint16_t kRunHours = 0x009F;
constexpr std::uint16_t kTime = 0x000C;
constexpr std::uint16_t kCtRatio = 0x00D2;

struct Case {
  const char* name;
  UnitIdentity source;
  std::vector<LoadedWord> wanted;
  std::vector<std::string> missing;
  PreflightOptions options;
  bool otherProduct;
  bool otherUnit;
  std::vector<std::uint16_t> outOfLimits;
  std::vector<std::uint16_t> changes;
  std::vector<std::uint16_t> leftOut;
  bool refused;
};

std::vector<std::uint16_t> Registers(const std::vector<RegisterChange>& changes) {
  std::vector<std::uint16_t> regs;
  for (const RegisterChange& c : changes) regs.push_back(c.reg);
  return regs;
}

TEST(WritePreflight, RefusesAsksOrLeavesOutByTheTable) {
  const UnitIdentity target{3101, "5.10", "00000000ABCD"};
  std::vector<std::uint16_t> current(kImageWords, 0);
  current[kNominPower] = 500;
  current[kAddress] = 1;
  current[kStarts] = 28;
  current[kRunHours] = 1234;
  current[kCtRatio] = 100;
  // The controller's own limits: power 10 to 3000, CT ratio 1 to 2000.
  const std::vector<ParameterDescriptor> descriptors{
      {kNominPower, 1, 0, 3000, 10, 0},
      {kCtRatio, 1, 0, 2000, 1, 0},
  };
  const UnitIdentity same = target;
  const std::uint16_t minus5 = static_cast<std::uint16_t>(-5);
  // clang-format off
  const Case cases[] = {
      {"only the changed register", same, {{kNominPower, 600}, {kCtRatio, 100}}, {}, {},
       false, false, {}, {kNominPower}, {}, false},
      {"other product code", {3105, "5.10", ""}, {{kNominPower, 600}}, {}, {},
       true, false, {}, {kNominPower}, {}, true},
      {"other firmware", {3101, "5.00", ""}, {{kNominPower, 600}}, {}, {},
       false, true, {}, {kNominPower}, {}, false},
      {"other serial", {3101, "5.10", "000000001234"}, {{kNominPower, 600}}, {}, {},
       false, true, {}, {kNominPower}, {}, false},
      {"unknown serial is no other unit", {3101, "5.10", ""}, {{kNominPower, 600}}, {}, {},
       false, false, {}, {kNominPower}, {}, false},
      {"above the controller's maximum", same, {{kNominPower, 34463}}, {}, {},
       false, false, {kNominPower}, {kNominPower}, {}, true},
      {"below the controller's minimum", same, {{kCtRatio, minus5}}, {}, {},
       false, false, {kCtRatio}, {kCtRatio}, {}, true},
      {"missing keys", same, {{kNominPower, 600}}, {"VG_LEV2", "CT_RATIO"}, {},
       false, false, {}, {kNominPower}, {}, true},
      {"address, counters and clock left out", same,
       {{kAddress, 2}, {kStarts, 5}, {kRunHours, 100}, {kTime, 0x1200}, {kNominPower, 600}}, {}, {},
       false, false, {}, {kNominPower}, {kTime, kAddress, kStarts, kRunHours}, false},
      {"address and counters when asked", same,
       {{kAddress, 2}, {kStarts, 5}, {kRunHours, 100}}, {}, {true, true, false},
       false, false, {}, {kAddress, kStarts, kRunHours}, {}, false},
      {"a defaulted word is no value of the file", same, {{kNominPower, 1, true}}, {}, {},
       false, false, {}, {}, {}, false},
  };
  // clang-format on
  for (const Case& c : cases) {
    PreflightInput input;
    input.target = target;
    input.source = c.source;
    input.current = current;
    input.descriptors = descriptors;
    input.wanted = c.wanted;
    input.missingKeys = c.missing;
    input.options = c.options;
    const PreflightResult result = CheckWrite(input);
    EXPECT_EQ(result.otherProduct, c.otherProduct) << c.name;
    EXPECT_EQ(result.otherUnit, c.otherUnit) << c.name;
    std::vector<std::uint16_t> out;
    for (const OutOfLimit& o : result.outOfLimits) out.push_back(o.reg);
    EXPECT_EQ(out, c.outOfLimits) << c.name;
    EXPECT_EQ(Registers(result.changes), c.changes) << c.name;
    EXPECT_EQ(Registers(result.leftOut), c.leftOut) << c.name;
    EXPECT_EQ(result.missingKeys, c.missing) << c.name;
    EXPECT_EQ(result.Refused(), c.refused) << c.name;
  }
}

TEST(WritePreflight, TheFilesOwnLimitsCountAndEveryRefusalIsNamed) {
  SetLanguageSetting("english");
  const UnitIdentity target{3101, "5.10", ""};
  std::vector<std::uint16_t> current(kImageWords, 0);
  const auto row = FindParameterRow("seNominPower");
  ASSERT_TRUE(row);
  // No descriptor of the controller: the file's limits 10 to 3000 alone refuse 99999 (the
  // word 34463 it turns into).
  const std::vector<LoadedLimit> limits{{*row, false, 10}, {*row, true, 3000}};
  const std::vector<LoadedWord> wanted{{kNominPower, 34463}};
  const std::vector<std::string> missing{"VG_LEV2"};
  PreflightInput input;
  input.target = target;
  input.source = UnitIdentity{3105, "5.10", ""};
  input.current = current;
  input.wanted = wanted;
  input.limits = limits;
  input.missingKeys = missing;
  const PreflightResult result = CheckWrite(input);
  ASSERT_EQ(result.outOfLimits.size(), 1u);
  EXPECT_EQ(result.outOfLimits[0].name, "GNOMIN_PWR");
  EXPECT_EQ(PreflightMessages(result, target, input.source, 4),
            (std::vector<std::string>{
                "The file is for product code 3105; the controller at site 4 is a 3101. Nothing "
                "was written.",
                "GNOMIN_PWR = -31073 is outside 10 to 3000",
                "The file lacks 1 keys: VG_LEV2",
            }));
  SetLanguageSetting("chinese");
  EXPECT_EQ(PreflightMessages(result, target, input.source, 4).back(),
            "文件缺少 1 个参数: VG_LEV2");
}

}  // namespace
}  // namespace vorel::test

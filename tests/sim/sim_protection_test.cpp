// Parameter protection, password, mode guard and clock writes.
#include "sim_fixture.h"

namespace vorel::test {
namespace {

const Bytes kRefused = Exception(1, 0x90, 4);

TEST_F(SimTest, ParameterWritesNeedUnlockAndModeOff) {
  Launch({"--password", "4321"});
  auto write = [&](std::uint16_t address, std::vector<std::uint16_t> words) {
    return master.WriteRegisters(1, address, std::move(words));
  };
  // Locked: refused, nothing stored.
  EXPECT_EQ(write(0x00C8, {250}), kRefused);
  EXPECT_EQ(Register(0x00C8), 200);
  // A wrong password leaves it locked.
  EXPECT_EQ(write(0x0004, {1234}).size(), 8U);
  EXPECT_EQ(Register(0x0004), 0);
  EXPECT_EQ(write(0x0005, {1111}), kRefused);
  // The right one unlocks; the write goes through.
  EXPECT_EQ(write(0x0004, {4321}).size(), 8U);
  EXPECT_EQ(Register(0x0004), 746);
  const Bytes echo = write(0x00C8, {250});
  ASSERT_EQ(echo.size(), 8U);
  EXPECT_TRUE(TestCrcOk(echo));
  EXPECT_EQ(Bytes(echo.begin(), echo.begin() + 6), (Bytes{1, 0x10, 0x00, 0xC8, 0x00, 0x01}));
  EXPECT_EQ(Register(0x00C8), 250);
  // A value outside the parameter's limits is refused as an illegal value.
  EXPECT_EQ(write(0x00CD, {9000}), Exception(1, 0x90, 3));
  // A block write of the binary-input words (17 registers) is taken whole.
  std::vector<std::uint16_t> inputs(17, 0);
  inputs[1] = 0x0894;
  EXPECT_EQ(write(0x0039, inputs).size(), 8U);
  EXPECT_EQ(Register(0x003A), 0x0894);
  // Not in OFF: refused, and a mixed write changes nothing at all.
  EXPECT_EQ(write(0x0113, {199}).size(), 8U);
  EXPECT_EQ(write(0x00C8, {260}), kRefused);
  EXPECT_EQ(Register(0x00C8), 250);
  EXPECT_EQ(write(0x0113, {198}).size(), 8U);
  // New password while unlocked, then it takes the new one only.
  EXPECT_EQ(write(0x0005, {777}).size(), 8U);
  write(0x0004, {4321});
  EXPECT_EQ(Register(0x0004), 0);
  write(0x0004, {777});
  EXPECT_EQ(Register(0x0004), 746);
}

TEST_F(SimTest, ClockRunsAndCanBeSet) {
  Launch({});
  // Set 2024-05-07 09:05:30 in BCD, then read it back running.
  EXPECT_EQ(master.WriteRegisters(1, 0x000E, {0x0705, 0x2400}).size(), 8U);
  EXPECT_EQ(master.WriteRegisters(1, 0x000C, {0x0905, 0x3000}).size(), 8U);
  const auto date = master.ReadRegisters(1, 0x000E, 2);
  EXPECT_EQ(date, (std::vector<std::uint16_t>{0x0705, 0x2400}));
  const auto time = master.ReadRegisters(1, 0x000C, 2);
  ASSERT_EQ(time.size(), 2U);
  EXPECT_EQ(time[0], 0x0905);
  EXPECT_GE(time[1], 0x3000);
  EXPECT_LE(time[1], 0x3200);
  EXPECT_TRUE(WaitFor([&] { return master.ReadRegisters(1, 0x000C, 2)[1] >= 0x3100; }, 2500));
}

}  // namespace
}  // namespace vorel::test

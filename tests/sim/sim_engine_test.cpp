// Commands, the gen-set sequence, alarms and the event log.
#include <set>

#include "sim_fixture.h"

namespace vorel::test {
namespace {

constexpr std::uint16_t kStart = 0xFE01;
constexpr std::uint16_t kStop = 0xFD02;
constexpr std::uint16_t kMute = 0xA956;
constexpr std::uint16_t kReset = 0xAA55;

class EngineTest : public SimTest {
 protected:
  void Command(std::uint16_t word) {
    EXPECT_EQ(master.WriteRegisters(1, 0x8010, {word}).size(), 8U);
  }
  void Mode(std::uint16_t mode) { EXPECT_EQ(master.WriteRegisters(1, 0x0113, {mode}).size(), 8U); }
  std::uint16_t Position() { return Register(0x0168); }
  std::vector<std::uint16_t> Record(std::uint16_t position) {
    return master.ReadRegisters(1, position, 32);
  }
  std::uint16_t LastEventCode() {
    std::uint16_t p = Position();
    p = p == 0x0200 ? 0x0FE0 : static_cast<std::uint16_t>(p - 32);
    const auto r = Record(p);
    return r.empty() ? 0 : r[0];
  }
};

TEST_F(EngineTest, StartRunsThroughTheStatesAndStopCoolsDown) {
  Launch({"--time-scale", "40"});
  const std::uint16_t before = Position();
  EXPECT_EQ(before, 0x0220);
  EXPECT_EQ(LastEventCode(), 0x2812);  // power up
  // START in OFF does nothing.
  Command(kStart);
  EXPECT_EQ(Register(0x0059), 300);
  // A longer pre-start (20 s, half a second here) so that the state is seen for sure.
  ASSERT_EQ(master.WriteRegisters(1, 0x0004, {1234}).size(), 8U);
  ASSERT_EQ(master.WriteRegisters(1, 0x00D4, {20}).size(), 8U);
  Mode(199);
  EXPECT_EQ(Register(0x0059), 312);  // ready
  Command(kStart);
  EXPECT_EQ(Position(), before + 32);
  EXPECT_EQ(LastEventCode(), 0x2810);  // start manual
  std::set<std::uint16_t> seen;
  ASSERT_TRUE(WaitFor(
      [&] {
        seen.insert(Register(0x0059));
        return seen.count(308) > 0;
      },
      8000))
      << "never loaded";
  EXPECT_TRUE(seen.count(303)) << "prestart seen";
  ASSERT_TRUE(WaitFor([&] { return Register(0x0099) > 1485; }, 5000));
  const auto gen = master.ReadRegisters(1, 0x00A1, 7);
  EXPECT_NEAR(gen[0], 231, 5);
  EXPECT_NEAR(gen[3], 400, 8);
  EXPECT_NEAR(gen[6], 500, 10);
  ASSERT_TRUE(WaitFor([&] { return Register(0x00B6) > 150; }, 3000));
  EXPECT_EQ(Register(0x005A), 322);  // on the generator
  EXPECT_EQ(Register(0x0032), 128);  // green
  EXPECT_GT(Register(0x00C5), 50);   // kW
  EXPECT_EQ(Register(0x00C0), 85);   // power factor
  EXPECT_GT(Register(0x009E), 260);  // charging
  EXPECT_EQ(Register(0x0098), 28);   // one more start

  Command(kStop);
  EXPECT_EQ(Register(0x0059), 313);  // cooling
  EXPECT_EQ(LastEventCode(), 0x4848);
  EXPECT_EQ(Position(), before + 64);
  ASSERT_TRUE(WaitFor([&] { return Register(0x0059) == 312; }, 8000));
  EXPECT_LT(Register(0x0099), 10);
}

TEST_F(EngineTest, AlarmSoundsTheHornUntilMuteAndResetClearsIt) {
  Launch({"--time-scale", "40"});
  ASSERT_EQ(master.WriteRegisters(1, 0x0004, {1234}).size(), 8U);
  // A lower battery limit above the resting 24.6 V raises "low batt" after its delay.
  ASSERT_EQ(master.WriteRegisters(1, 0x00ED, {250}).size(), 8U);
  ASSERT_TRUE(WaitFor([&] { return Register(0x001A) == 0x2821; }, 3000));
  EXPECT_EQ(LastEventCode(), 0x2821);
  EXPECT_TRUE(Register(0x0061) & 0x0004) << "horn on BO3";
  Command(kMute);
  EXPECT_FALSE(Register(0x0061) & 0x0004);
  // RESET keeps an alarm whose cause is still there.
  Command(kReset);
  EXPECT_EQ(Register(0x001A), 0x2821);
  // Cause gone: the line stays, bit 11 clear, until RESET.
  ASSERT_EQ(master.WriteRegisters(1, 0x00ED, {180}).size(), 8U);
  ASSERT_TRUE(WaitFor([&] { return Register(0x001A) == 0x2021; }, 3000));
  Command(kReset);
  EXPECT_EQ(Register(0x001A), 0);
}

TEST_F(EngineTest, FailedStartShutsDownUntilReset) {
  Launch({"--time-scale", "100", "--start-fails"});
  Mode(199);
  Command(kStart);
  ASSERT_TRUE(WaitFor([&] { return Register(0x0059) == 290; }, 8000));
  EXPECT_EQ(Register(0x001A), 0x4842);
  EXPECT_EQ(Register(0x0032), 131);
  Command(kReset);
  EXPECT_EQ(Register(0x001A), 0);
  EXPECT_TRUE(WaitFor([&] { return Register(0x0059) == 312; }, 3000));
}

TEST_F(EngineTest, EventLogIsARing) {
  Launch({});
  // Mode changes to TEST and OFF each log a start and a stop: 112 records wrap the ring.
  for (int i = 0; i < 60; ++i) {
    Mode(201);
    Mode(198);
  }
  // 1 power-up + 120 events = 121 records: the position went round once.
  EXPECT_EQ(Position(), 0x0200 + ((121 % 112) * 32));
  const auto log = master.ReadRegisters(1, 0x0200, 64);
  ASSERT_EQ(log.size(), 64U);
  EXPECT_TRUE(log[0] == 0x2811 || log[0] == 0x4848);
  EXPECT_NE(log[1], 0);  // date
}

}  // namespace
}  // namespace vorel::test

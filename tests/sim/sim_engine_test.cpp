// Commands, the gen-set sequence, alarms and the event log.
#include <cstdlib>
#include <set>
#include <thread>

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

// START and STOP in each of the four modes: what state the set reaches, whether it takes the
// load, which event is logged; then STOP brings it through cooling to rest.
struct ModeCase {
  const char* name;
  std::uint16_t mode;
  std::uint16_t runState;    // gen-set state after START (312 ready: START does nothing)
  std::uint16_t loadState;   // transfer switch then: 322 on the generator, 328 on the mains
  std::uint16_t startEvent;  // code logged by the mode write or START, 0 for none
};

void PrintTo(const ModeCase& c, std::ostream* os) {
  *os << c.name;
}

class ModeTest : public EngineTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeTest, StartAndStop) {
  const ModeCase& c = GetParam();
  // One update per second of set time, so that the 1.5 s of cranking are seen; a shorter
  // cooling run (10 s) keeps the test short.
  Launch({"--time-scale", "10"});
  ASSERT_EQ(master.WriteRegisters(1, 0x0004, {1234}).size(), 8U);
  ASSERT_EQ(master.WriteRegisters(1, 0x00DE, {10}).size(), 8U);
  const std::uint16_t before = Position();
  if (c.mode != 198) Mode(c.mode);
  Command(kStart);
  EXPECT_EQ(Register(0x0113), c.mode);
  std::set<std::uint16_t> seen;
  std::set<std::uint16_t> speeds;
  ASSERT_TRUE(WaitFor(
      [&] {
        seen.insert(Register(0x0059));
        speeds.insert(Register(0x0099));
        return Register(0x0059) == c.runState && Register(0x005A) == c.loadState &&
               (c.runState < 300 || c.runState == 308 ? Register(0x0099) > 1450 : true);
      },
      8000))
      << "state " << Register(0x0059) << " load " << Register(0x005A);
  if (c.startEvent == 0) {
    // Nothing starts: a while later the set is still at rest and nothing was logged.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Register(0x0059), c.runState);
    EXPECT_EQ(Register(0x0099), 0);
    EXPECT_EQ(Position(), before);
    return;
  }
  EXPECT_EQ(Position(), before + 32);
  EXPECT_EQ(master.ReadRegisters(1, before, 1)[0], c.startEvent);
  for (std::uint16_t state : {303, 304, 307}) EXPECT_TRUE(seen.count(state)) << state;
  EXPECT_NE(speeds.lower_bound(850), speeds.lower_bound(950)) << "idle speed seen on the way up";
  // Running: the measurements carry a little noise.
  std::set<std::uint16_t> volts;
  for (int i = 0; i < 20; ++i) {
    volts.insert(Register(0x00A1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_GT(volts.size(), 1U);
  EXPECT_LE(*volts.rbegin() - *volts.begin(), 3);

  Command(kStop);
  EXPECT_EQ(Register(0x0059), 313);  // cooling
  EXPECT_EQ(LastEventCode(), 0x4848);
  ASSERT_TRUE(WaitFor([&] { return Register(0x0059) == 312; }, 8000));
  // At rest every generator value is zero.
  ASSERT_TRUE(WaitFor([&] { return Register(0x0099) == 0; }, 3000));
  for (std::uint16_t a :
       {0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A7, 0x00B6, 0x00B7, 0x00B8, 0x00C5, 0x00C6, 0x0050}) {
    EXPECT_EQ(Register(a), 0) << std::hex << a;
  }
  EXPECT_EQ(Register(0x005A), 328);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Sim, ModeTest,
    ::testing::Values(
        ModeCase{"off",  198, 300, 328, 0},
        ModeCase{"manu", 199, 308, 322, 0x2810},
        ModeCase{"auto", 200, 312, 328, 0},
        ModeCase{"test", 201, 297, 328, 0x2811}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(EngineTest, OnlyTheFourModesAndActionWordsAreTaken) {
  Launch({});
  struct Case {
    std::uint16_t address;
    std::uint16_t word;
    bool taken;
  };
  // clang-format off
  const Case cases[] = {
      {0x0113, 197, false}, {0x0113, 202, false}, {0x0113, 0, false},
      {0x0113, 199, true},  {0x0113, 200, true},  {0x0113, 198, true},
      {0x8010, 0x1234, false}, {0x8010, 0x01FE, false},
      {0x8010, kMute, true}, {0x8010, kReset, true}, {0x8010, kStop, true},
  };
  // clang-format on
  std::uint16_t mode = 198;
  for (const Case& c : cases) {
    const Bytes reply = master.WriteRegisters(1, c.address, {c.word});
    if (c.taken) {
      EXPECT_EQ(reply.size(), 8U) << std::hex << c.address << " " << c.word;
      if (c.address == 0x0113) mode = c.word;
    } else {
      EXPECT_EQ(reply, Exception(1, 0x90, 3)) << std::hex << c.address << " " << c.word;
    }
    EXPECT_EQ(Register(0x0113), mode);
  }
}

// The generator protections compare with LEV1 as the lower limit and LEV2 as the upper one.
// The regulated phase voltages are 100 %, 99.5 % and 100.4 % of nominal; frequency 99.7 %
// with the load on.
struct ProtectionCase {
  const char* name;
  std::uint16_t address;  // level written before the start (0: factory levels)
  std::uint16_t level;
  std::vector<std::uint16_t> raised;
};

void PrintTo(const ProtectionCase& c, std::ostream* os) {
  *os << c.name;
}

class GeneratorProtectionTest : public EngineTest,
                                public ::testing::WithParamInterface<ProtectionCase> {};

TEST_P(GeneratorProtectionTest, LevelsAreLowerAndUpperLimits) {
  const ProtectionCase& c = GetParam();
  Launch({"--time-scale", "40"});
  if (c.address != 0) {
    ASSERT_EQ(master.WriteRegisters(1, 0x0004, {1234}).size(), 8U);
    ASSERT_EQ(master.WriteRegisters(1, c.address, {c.level}).size(), 8U);
  }
  Mode(199);
  Command(kStart);
  ASSERT_TRUE(WaitFor([&] { return Register(0x0059) == 308; }, 8000));
  // Past the protection delay (10 s) and the alarm delays (3 s): 40 s of set time.
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  const auto list = master.ReadRegisters(1, 0x001A, 16);
  ASSERT_EQ(list.size(), 16U);
  std::vector<std::uint16_t> raised;
  for (std::uint16_t w : list) {
    if (w != 0) raised.push_back(static_cast<std::uint16_t>(w | 0x0800));
  }
  EXPECT_EQ(raised, c.raised);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Sim, GeneratorProtectionTest,
    ::testing::Values(
        ProtectionCase{"factory_levels",  0,      0,   {}},
        ProtectionCase{"under_voltage",   0x00FC, 100, {0x2830}},          // vg2 under
        ProtectionCase{"over_voltage",    0x00FD, 100, {0x2831}},          // vg3 over
        ProtectionCase{"under_frequency", 0x00FF, 100, {0x2837}},          // gen freq under
        ProtectionCase{"over_frequency",  0x0100, 100, {}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Each record is the event code, the clock in BCD and a snapshot of the live values.
TEST_F(EngineTest, RecordsCarryTheClockAndASnapshot) {
  Launch({"--time-scale", "40"});
  ASSERT_EQ(master.WriteRegisters(1, 0x000E, {0x0705, 0x2400}).size(), 8U);
  ASSERT_EQ(master.WriteRegisters(1, 0x000C, {0x0905, 0x3000}).size(), 8U);
  Mode(199);
  const std::uint16_t outputsAtRest = Register(0x0061);
  Command(kStart);
  const auto atRest = Record(static_cast<std::uint16_t>(Position() - 32));
  ASSERT_EQ(atRest.size(), 32U);
  EXPECT_EQ(atRest[0], 0x2810);
  EXPECT_EQ(atRest[1], 0x0705);  // day 07, month 05
  EXPECT_EQ(atRest[2] >> 8, 0x24);
  EXPECT_EQ(atRest[3], 0x0905);
  EXPECT_GE(atRest[4] >> 8, 0x30);
  EXPECT_LE(atRest[4] >> 8, 0x32);
  EXPECT_EQ(atRest[24], static_cast<std::uint16_t>(~outputsAtRest));
  EXPECT_EQ(atRest[25], 0xFFFF);  // START and FUEL relays off, stored inverted

  ASSERT_TRUE(WaitFor([&] { return Register(0x0059) == 308 && Register(0x00B6) > 150; }, 8000));
  Command(kStop);
  const auto running = Record(static_cast<std::uint16_t>(Position() - 32));
  ASSERT_EQ(running.size(), 32U);
  struct Word {
    int k;
    int low;
    int high;
    const char* what;
  };
  // clang-format off
  const Word words[] = {
      {0,  0x4848, 0x4848, "stop manual"},
      {5,  1480, 1505, "speed"},
      {6,  30,   46,   "oil pressure, tenths of a bar"},
      {9,  240,  280,  "battery charging"},
      {10, 495,  500,  "generator frequency"},
      {11, 225,  236,  "VG L1"}, {12, 225, 236, "VG L2"}, {13, 225, 236, "VG L3"},
      {14, 150,  361,  "Ig L1"}, {15, 150, 361, "Ig L2"}, {16, 150, 361, "Ig L3"},
      {18, 85,   85,   "PF L1"}, {19, 85,  85,  "PF L2"}, {20, 85,  85,  "PF L3"},
      {22, 50,   200,  "active power kW"},
      {25, 0xFFFD, 0xFFFD, "FUEL relay on, stored inverted"},
      {26, 499,  501,  "mains frequency"},
      {27, 228,  232,  "VM L1"}, {28, 228, 232, "VM L2"}, {29, 228, 232, "VM L3"},
  };
  // clang-format on
  for (const Word& w : words) {
    EXPECT_GE(running[w.k], w.low) << w.what;
    EXPECT_LE(running[w.k], w.high) << w.what;
  }
  EXPECT_TRUE(~running[24] & 0x0002) << "GCB output (BO2) on while loaded";
}

// Binary inputs and outputs by controller group, live and in the power-up record, at rest in
// OFF: MCB output on, "not ready" output on where the type has it; BI7 (MCB feedback) active.
struct TypeCase {
  const char* type;
  std::uint16_t inputs;   // 0x0060
  std::uint16_t outputs;  // 0x0061
  std::uint16_t recordInputs;
  std::uint16_t recordOutputs;
};

TEST_F(SimTest, BinaryStatesFollowTheControllerType) {
  // clang-format off
  const TypeCase cases[] = {
      {"3101", 0x00BF, 0x0041, 0x00BF, 0xFFBE},  // A: an active input reads as a clear bit
      {"3105", 0x00FF, 0x0001, 0x00FF, 0xFFFE},  // B: BI1..5, BO1..3 only
      {"3106", 0x0000, 0x0020, 0x0000, 0xFFFB},  // C: BI6..8, BO4..7 (MCB on BO6), set = active
      {"3109", 0x0000, 0x0020, 0x0000, 0xFFFB},
      {"3113", 0x00BF, 0x0041, 0x00BF, 0xFFBE},  // D: as A with seven outputs
  };
  // clang-format on
  for (const TypeCase& c : cases) {
    SCOPED_TRACE(c.type);
    SimProcess sim(VOREL_SIM_PATH);
    RawMaster master;
    ASSERT_TRUE(sim.Start({"--baud", "0", "--site", QString("4:%1:V5.10").arg(c.type)}));
    ASSERT_TRUE(master.Open(sim.LinkPath()));
    EXPECT_EQ(master.ReadRegisters(4, 0x016B, 1),
              (std::vector<std::uint16_t>{static_cast<std::uint16_t>(atoi(c.type))}));
    EXPECT_EQ(master.ReadRegisters(4, 0x0060, 2),
              (std::vector<std::uint16_t>{c.inputs, c.outputs}));
    const auto record = master.ReadRegisters(4, 0x0200, 32);
    ASSERT_EQ(record.size(), 32U);
    EXPECT_EQ(record[0], 0x2812);
    EXPECT_EQ(record[23], c.recordInputs);
    EXPECT_EQ(record[24], c.recordOutputs);
    if (std::string(c.type) == "3113") {
      EXPECT_EQ(master.ReadRegisters(4, 0x0080, 1), (std::vector<std::uint16_t>{0}));
    }
    master.Close();
    EXPECT_EQ(sim.Stop(), 0);
  }
}

}  // namespace
}  // namespace vorel::test

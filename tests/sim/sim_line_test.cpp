// The line itself: reopening, pacing at a baud rate, the trace and the saved state.
#include <QFile>
#include <chrono>
#include <fstream>

#include "sim_fixture.h"
#include "support/sim_trace.h"

namespace vorel::test {
namespace {

using Clock = std::chrono::steady_clock;

TEST_F(SimTest, KeepsAnsweringWhenTheMasterReopens) {
  Launch({});
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Register(0x016B), 3101);
    master.Close();
    ASSERT_TRUE(master.Open(sim.LinkPath()));
  }
  EXPECT_EQ(Register(0x016B), 3101);
  // SIGTERM ends it cleanly and removes the link.
  master.Close();
  EXPECT_EQ(sim.Stop(), 0);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(sim.LinkPath())));
}

// Reads the 830-byte descriptor block at a baud rate and compares the time the master waited,
// and the wire time in the trace, with what the bytes need on a real line.
TEST_F(SimTest, RepliesLeaveAtTheLineSpeed) {
  for (long baud : {9600L, 115200L}) {
    SimProcess paced(VOREL_SIM_PATH);
    RawMaster line;
    const std::string trace = paced.File("trace.txt");
    ASSERT_TRUE(
        paced.Start({"--baud", QString::number(baud), "--trace", QString::fromStdString(trace)}));
    ASSERT_TRUE(line.Open(paced.LinkPath()));
    const Bytes request = ReadFrame(1, 0x8052, 83);
    const auto sent = Clock::now();
    const Bytes reply = line.Exchange(request, Shape::kBlockRead, 3000);
    const double waited = std::chrono::duration<double>(Clock::now() - sent).count();
    ASSERT_EQ(reply.size(), 836U);
    const double character = 10.0 / static_cast<double>(baud);
    const double turnaround = std::max(3.5 * character, 0.00175);
    const double wire = (8 + 836) * character + turnaround;
    EXPECT_GE(waited, wire * 0.98) << baud;
    EXPECT_LE(waited, wire * 1.05 + 0.03) << baud;
    ASSERT_EQ(paced.Stop(), 0);
    const auto lines = ReadTrace(trace);
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[0].direction, "RX");
    EXPECT_EQ(lines[0].bytes, request);
    EXPECT_EQ(lines[1].direction, "TX");
    EXPECT_EQ(lines[1].bytes, reply);
    const double txWire = static_cast<double>(lines[1].end - lines[1].start) / 1e6;
    EXPECT_GE(txWire, 836 * character * 0.99) << baud;
    EXPECT_LE(txWire, 836 * character * 1.03 + 0.02) << baud;
    const double gap = static_cast<double>(lines[1].start - lines[0].start) / 1e6;
    EXPECT_NEAR(gap, 8 * character + turnaround, 0.003) << baud;
    std::printf(
        "baud %ld: reply of 836 bytes on the wire %.4f s (theory %.4f s), request to "
        "complete reply %.4f s (theory %.4f s)\n",
        baud, txWire, 836 * character, waited, wire);
  }
}

TEST_F(SimTest, StateIsSavedOnExitAndLoadedAtStart) {
  const std::string state = sim.File("state.txt");
  Launch({"--state", QString::fromStdString(state)});
  ASSERT_EQ(master.WriteRegisters(1, 0x0004, {1234}).size(), 8U);
  ASSERT_EQ(master.WriteRegisters(1, 0x00C8, {321}).size(), 8U);
  ASSERT_EQ(master.WriteRegisters(1, 0x0005, {2468}).size(), 8U);
  master.Close();
  ASSERT_EQ(sim.Stop(), 0);
  ASSERT_TRUE(QFile::exists(QString::fromStdString(state)));

  SimProcess again(VOREL_SIM_PATH);
  RawMaster line;
  ASSERT_TRUE(again.Start({"--baud", "0", "--state", QString::fromStdString(state)}));
  ASSERT_TRUE(line.Open(again.LinkPath()));
  EXPECT_EQ(line.ReadRegisters(1, 0x00C8, 1), std::vector<std::uint16_t>{321});
  EXPECT_EQ(line.ReadRegisters(1, 0x0004, 1), std::vector<std::uint16_t>{0}) << "locked again";
  line.WriteRegisters(1, 0x0004, {2468});
  EXPECT_EQ(line.ReadRegisters(1, 0x0004, 1), std::vector<std::uint16_t>{746});
  // Two power-up records now.
  EXPECT_EQ(line.ReadRegisters(1, 0x0168, 1), std::vector<std::uint16_t>{0x0240});
}

TEST_F(SimTest, BadStateFileIsReportedAndDefaultsUsed) {
  const std::string state = sim.File("state.txt");
  const char* bad[] = {"", "vorel-sim state 1\nsite 1 password 1234\nimage\n0000 zz\n",
                       "vorel-sim state 1\nsite 99 password 1\n", "garbage\x01\x02"};
  for (const char* content : bad) {
    {
      std::ofstream out(state, std::ios::trunc);
      out << content;
    }
    SimProcess s(VOREL_SIM_PATH);
    RawMaster line;
    ASSERT_TRUE(s.Start({"--baud", "0", "--state", QString::fromStdString(state)})) << s.error();
    ASSERT_TRUE(line.Open(s.LinkPath()));
    EXPECT_EQ(line.ReadRegisters(1, 0x00C8, 1), std::vector<std::uint16_t>{200});
    line.Close();
    EXPECT_EQ(s.Stop(), 0);
    EXPECT_TRUE(s.StandardError().contains("starting from the factory set-up"));
  }
}

}  // namespace
}  // namespace vorel::test

namespace vorel::test {
namespace {

TEST_F(SimTest, RepliesNobodyReadsAreDroppedAndTheLineRecovers) {
  Launch({});
  const Bytes request = ReadFrame(1, 0x8052, 83);
  for (int i = 0; i < 12; ++i) master.Send(request);  // about 10 KB of replies, never read
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  master.Purge();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  master.Purge();
  EXPECT_EQ(Register(0x016B), 3101);
}

}  // namespace
}  // namespace vorel::test

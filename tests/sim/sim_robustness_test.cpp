// Random and malformed bytes on the line must never stop the simulator from answering.
#include <random>
#include <thread>

#include "sim_fixture.h"

namespace vorel::test {
namespace {

TEST_F(SimTest, SurvivesRandomFrames) {
  Launch({"--site", "1", "--site", "2:3105:V4.10", "--time-scale", "20"});
  std::mt19937 random(20261210);
  auto byte = [&] { return static_cast<std::uint8_t>(random() & 0xFF); };
  for (int round = 0; round < 300; ++round) {
    Bytes frame;
    switch (round % 4) {
      case 0: {  // noise
        const int n = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < n; ++i) frame.push_back(byte());
        break;
      }
      case 1: {  // a read of any address and count, CRC right
        frame =
            ReadFrame(static_cast<std::uint8_t>(random() % 4), static_cast<std::uint16_t>(random()),
                      static_cast<std::uint16_t>(random() % 300));
        break;
      }
      case 2: {  // a write with a byte count that may not fit, CRC right
        frame = {static_cast<std::uint8_t>(1 + random() % 2), 0x10,  byte(), byte(), 0,
                 static_cast<std::uint8_t>(random() % 130),   byte()};
        const int n = static_cast<int>(random() % 60);
        for (int i = 0; i < n; ++i) frame.push_back(byte());
        frame = WithCrc(frame);
        break;
      }
      default: {  // any function code with a valid CRC
        frame = {
            static_cast<std::uint8_t>(1 + random() % 2), byte(), byte(), byte(), byte(), byte()};
        frame = WithCrc(frame);
        break;
      }
    }
    master.Send(frame);
    master.ReadQuiet(40, 25);  // replies, if any, are not checked here
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  master.Purge();
  // Both sites still answer correctly.
  EXPECT_EQ(Register(0x016B, 1), 3101);
  EXPECT_EQ(Register(0x016B, 2), 3105);
  const Bytes block = master.Exchange(ReadFrame(2, 0x8052, 83), Shape::kBlockRead);
  EXPECT_EQ(block.size(), 836U);
  EXPECT_TRUE(TestCrcOk(block));
  EXPECT_EQ(sim.Stop(), 0);
}

}  // namespace
}  // namespace vorel::test

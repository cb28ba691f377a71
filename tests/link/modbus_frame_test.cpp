#include "link/modbus_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace vorel {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Crc16Modbus, CheckValueAndKnownFrames) {
  const Bytes digits{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(Crc16Modbus(digits), 0x4B37);
  // The usual exception reply "illegal data address" of slave 1.
  EXPECT_TRUE(CrcMatches(Bytes{0x01, 0x83, 0x02, 0xC0, 0xF1}));
  EXPECT_FALSE(CrcMatches(Bytes{0x01, 0x83, 0x02, 0xF1, 0xC0}));
  EXPECT_FALSE(CrcMatches(Bytes{0x01}));
}

TEST(BuildReadFrame, LiveValuesOfSiteOne) {
  ReadFrame frame{};
  BuildReadFrame(1, reg::kLiveValues, frame);
  EXPECT_EQ(Bytes(frame.begin(), frame.end()),
            (Bytes{0x01, 0x03, 0x80, 0x4F, 0x00, 0x46, 0xDC, 0x2F}));
}

struct WriteCase {
  const char* name;
  std::uint16_t count;
  std::vector<std::uint16_t> data;
  Bytes expected;  // empty: refused
};

TEST(BuildWriteFrame, CasesOfCountAndData) {
  const WriteCase cases[] = {
      {"one word to 0x0011 of site 3",
       1,
       {0x0005},
       {0x03, 0x10, 0x00, 0x11, 0x00, 0x01, 0x02, 0x00, 0x05, 0x7C, 0x72}},
      {"data longer than the count sends count words",
       1,
       {0x0005, 0xFFFF, 0x1234},
       {0x03, 0x10, 0x00, 0x11, 0x00, 0x01, 0x02, 0x00, 0x05, 0x7C, 0x72}},
      {"count 0 refused", 0, {0x0005}, {}},
      {"count 124 refused", 124, std::vector<std::uint16_t>(124, 1), {}},
      {"fewer words than the count refused", 2, {0x0005}, {}},
  };
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFrame frame{};
    const std::size_t n =
        BuildWriteFrame(3, RegisterBlock{0x0011, c.count, 0, "System"}, c.data, frame);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + static_cast<long>(n)), c.expected);
  }
}

TEST(BuildWriteFrame, LargestWriteFillsTheFrame) {
  WriteFrame frame{};
  const std::vector<std::uint16_t> data(kMaxWriteCount, 0xA55A);
  const std::size_t n = BuildWriteFrame(32, RegisterBlock{0x00C8, 123, 0, ""}, data, frame);
  ASSERT_EQ(n, kMaxWriteFrameBytes);
  EXPECT_EQ(frame[6], 246);  // byte count 2 * 123
  EXPECT_EQ(frame[7], 0xA5);
  EXPECT_EQ(frame[8 + 2 * 122], 0x5A);
  EXPECT_TRUE(CrcMatches({frame.data(), n}));
}

}  // namespace
}  // namespace vorel

// Block-transfer areas: descriptor tables and the packed VALUE data they describe.
#include <algorithm>

#include "core/parameter_table.h"
#include "core/register_table.h"
#include "sim_fixture.h"

namespace vorel::test {
namespace {

struct Descriptor {
  std::uint16_t address;
  std::uint8_t count;
  std::int16_t maximum;
  std::int16_t minimum;
  std::uint16_t offset;
};

// Reads a CONFIG block and decodes its descriptors (value: 6 bytes, parameter: 10 bytes).
std::vector<Descriptor> ReadDescriptors(RawMaster& master, const RegisterBlock& config,
                                        bool parameters) {
  const Bytes reply =
      master.Exchange(ReadFrame(1, config.address, config.count), Shape::kBlockRead);
  const std::size_t size = parameters ? 10 : 6;
  std::vector<Descriptor> out;
  EXPECT_EQ(reply.size(), 6U + size * config.count) << config.address;
  if (reply.size() != 6U + size * config.count || !TestCrcOk(reply)) return out;
  EXPECT_EQ(BigEndian(reply, 2), size * config.count);
  for (std::size_t i = 0; i < config.count; ++i) {
    const std::size_t at = 4 + i * size;
    Descriptor d{BigEndian(reply, at), reply[at + 2], 0, 0, 0};
    if (parameters) {
      d.maximum = static_cast<std::int16_t>(BigEndian(reply, at + 4));
      d.minimum = static_cast<std::int16_t>(BigEndian(reply, at + 6));
    }
    d.offset = BigEndian(reply, at + size - 2);
    out.push_back(d);
  }
  return out;
}

Bytes ReadValues(RawMaster& master, const RegisterBlock& value) {
  const Bytes reply = master.Exchange(ReadFrame(1, value.address, value.count), Shape::kBlockRead);
  EXPECT_TRUE(TestCrcOk(reply));
  return reply.size() >= 6 ? Bytes(reply.begin() + 4, reply.end() - 2) : Bytes{};
}

TEST_F(SimTest, ParameterBlocksMatchThePlainRegisters) {
  Launch({});
  struct Pair {
    RegisterBlock config;
    RegisterBlock value;
  };
  const Pair pairs[] = {{reg::kParamConfig1, reg::kParamValues1},
                        {reg::kParamConfig2, reg::kParamValues2},
                        {reg::kParamConfig3, reg::kParamValues3},
                        {reg::kParamConfig4, reg::kParamValues4}};
  for (const Pair& p : pairs) {
    const auto descriptors = ReadDescriptors(master, p.config, true);
    ASSERT_EQ(descriptors.size(), p.config.count);
    const Bytes data = ReadValues(master, p.value);
    std::size_t words = 0;
    for (const Descriptor& d : descriptors) {
      ASSERT_GE(d.count, 1);
      ASSERT_LE(d.address + d.count, 0x0200);
      EXPECT_GE(d.maximum, d.minimum) << std::hex << d.address;
      EXPECT_EQ(d.offset, words) << "items are packed in table order";
      words += d.count;
      ASSERT_LE(2U * (d.offset + d.count), data.size());
      const auto plain = master.ReadRegisters(1, d.address, d.count);
      for (std::size_t j = 0; j < d.count; ++j) {
        EXPECT_EQ(BigEndian(data, 2 * (d.offset + j)), plain[j]) << std::hex << d.address + j;
      }
      // Counters and the analogue levels (whose limits are in shown units) aside, every
      // factory value lies within its limits.
      const bool level =
          d.address >= 0x00E4 && d.address <= 0x00EC && (d.address - 0x00E4) % 3 != 2;
      if (d.count == 1 && d.address != 0x0098 && !level) {
        const auto v = static_cast<std::int16_t>(plain[0]);
        EXPECT_TRUE(v >= d.minimum && v <= d.maximum) << std::hex << d.address;
      }
    }
    EXPECT_EQ(data.size(), 2 * words);
  }
  // Group 4 is the 66 sensor registers 0x0126 to 0x0167.
  const auto sensors = ReadDescriptors(master, reg::kParamConfig4, true);
  ASSERT_EQ(sensors.size(), 66U);
  for (std::size_t i = 0; i < sensors.size(); ++i) EXPECT_EQ(sensors[i].address, 0x0126 + i);
  // The largest reply: 83 parameter descriptors are 830 data bytes, count 0x033E.
  const Bytes big = master.Exchange(ReadFrame(1, 0x8052, 83), Shape::kBlockRead);
  ASSERT_GE(big.size(), 4U);
  EXPECT_EQ(big[2], 0x03);
  EXPECT_EQ(big[3], 0x3E);
}

// What a parameter write sends: the fixed steps, the descriptors of 0x8052 (the password
// register aside) and the channel blocks. Every register an editor of the parameter window
// stores must be among them, or the write never reaches it.
TEST_F(SimTest, ParameterWriteReachesEveryRegisterTheWindowStores) {
  Launch({});
  struct Range {
    std::uint16_t first;
    std::uint16_t last;
  };
  // clang-format off
  std::vector<Range> sent = {
      {0x0073, 0x0073}, {0x0075, 0x0075}, {0x011A, 0x011A}, {0x0098, 0x0098},
      {0x009F, 0x00A0}, {0x000C, 0x000F}, {0x0118, 0x0118}, {0x0006, 0x0008},
      {0x0039, 0x0049}, {0x0078, 0x0088}, {0x0126, 0x012B},
  };
  // clang-format on
  const auto group1 = ReadDescriptors(master, reg::kParamConfig1, true);
  ASSERT_EQ(group1.size(), reg::kParamConfig1.count);
  for (const Descriptor& d : group1) {
    EXPECT_LE(d.count, 17) << "fits the write buffer: " << std::hex << d.address;
    if (d.address != 0x0004) {
      sent.push_back({d.address, static_cast<std::uint16_t>(d.address + d.count - 1)});
    }
  }
  const auto isSent = [&](unsigned a) {
    for (const Range& r : sent) {
      if (a >= r.first && a <= r.last) return true;
    }
    return false;
  };
  int checked = 0;
  for (const ParameterRow& row : ParameterTable()) {
    for (int k = 0; k < row.registerCount; ++k) {
      EXPECT_TRUE(isSent(row.reg + k)) << row.name << " register " << std::hex << row.reg + k;
      ++checked;
    }
  }
  EXPECT_GT(checked, 90);
}

// Each level register means what its title says: LEV1 the lower limit ("Gen <V (%)"), LEV2 the
// upper one ("Gen >V (%)"); the descriptors let an engineer set, say, an 85 % under-voltage.
TEST_F(SimTest, LevelRegistersHaveTheMeaningOfTheirTitles) {
  Launch({});
  struct Case {
    const char* name;
    std::uint16_t address;
    std::int16_t value;
    std::int16_t minimum;
    std::int16_t maximum;
  };
  // clang-format off
  const Case cases[] = {
      {"VG_LEV1 (Gen <V)",      0x00FC,  85,  50, 100},
      {"VG_LEV2 (Gen >V)",      0x00FD, 110, 100, 150},
      {"GFREQ_LEV1 (Gen <f)",   0x00FF,  90,  50, 100},
      {"GFREQ_LEV2 (Gen >f)",   0x0100, 110, 100, 150},
      {"VM_LEV1 (Mains <V)",    0x010C,  85,  50, 100},
      {"VM_LEV2 (Mains >V)",    0x010D, 110, 100, 150},
      {"MFREQ_LEV1 (Mains <f)", 0x010F,  95,  50, 100},
      {"MFREQ_LEV2 (Mains >f)", 0x0110, 105, 100, 150},
      {"START_BAT_LEV1 (Batt <V)", 0x00ED, 180, 80, 400},
      {"LCOMPENSATION (0.92)",  0x0073,  92,   0, 200},
      {"RPM_RATE",              0x011A,   1,   1, 1000},
  };
  // clang-format on
  std::vector<Descriptor> all;
  for (const RegisterBlock& config :
       {reg::kParamConfig1, reg::kParamConfig2, reg::kParamConfig3, reg::kParamConfig4}) {
    const auto d = ReadDescriptors(master, config, true);
    all.insert(all.end(), d.begin(), d.end());
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(static_cast<std::int16_t>(Register(c.address)), c.value);
    const auto d = std::find_if(all.begin(), all.end(),
                                [&](const Descriptor& x) { return x.address == c.address; });
    ASSERT_NE(d, all.end());
    EXPECT_EQ(d->minimum, c.minimum);
    EXPECT_EQ(d->maximum, c.maximum);
  }
  // The controller takes a value within the limits and refuses one beyond them.
  ASSERT_EQ(master.WriteRegisters(1, 0x0004, {1234}).size(), 8U);
  EXPECT_EQ(master.WriteRegisters(1, 0x00FC, {85}).size(), 8U);
  EXPECT_EQ(master.WriteRegisters(1, 0x00FC, {120}), Exception(1, 0x90, 3));
  EXPECT_EQ(master.WriteRegisters(1, 0x00FD, {120}).size(), 8U);
  EXPECT_EQ(master.WriteRegisters(1, 0x00FD, {90}), Exception(1, 0x90, 3));
  EXPECT_EQ(master.WriteRegisters(1, 0x0108, {5, 6}).size(), 8U);
  EXPECT_EQ(master.ReadRegisters(1, 0x0108, 2), (std::vector<std::uint16_t>{5, 6}));
}

TEST_F(SimTest, LiveBlockCoversTheMonitor) {
  Launch({});
  const auto descriptors = ReadDescriptors(master, reg::kLiveConfig, false);
  ASSERT_EQ(descriptors.size(), 70U);
  const Bytes data = ReadValues(master, reg::kLiveValues);
  auto at = [&](std::uint16_t address) -> int {
    for (const Descriptor& d : descriptors) {
      if (address >= d.address && address < d.address + d.count) {
        return BigEndian(data, 2 * (d.offset + address - d.address));
      }
    }
    return -1;
  };
  for (std::uint16_t a :
       {0x0000, 0x0004, 0x000C, 0x000F, 0x001A, 0x0029, 0x0032, 0x004A, 0x0055, 0x0057,
        0x0059, 0x005A, 0x005F, 0x0060, 0x0061, 0x008F, 0x0098, 0x0099, 0x009C, 0x009E,
        0x00A0, 0x00A7, 0x00AE, 0x00B9, 0x00C0, 0x00C6, 0x0113, 0x0168}) {
    EXPECT_NE(at(a), -1) << std::hex << a;
  }
  EXPECT_EQ(at(0x0113), 198);
  EXPECT_EQ(at(0x0059), 300);     // stopped in OFF
  EXPECT_EQ(at(0x0168), 0x0220);  // the power-up record went to 0x0200
  EXPECT_EQ(at(0x0000), Register(0x0000));
}

}  // namespace
}  // namespace vorel::test

// Each injected fault as the master sees it.
#include <algorithm>
#include <chrono>

#include "sim_fixture.h"

namespace vorel::test {
namespace {

using Clock = std::chrono::steady_clock;

const Bytes kRequest = ReadFrame(1, 0x0006, 3);
const Bytes kGood = WithCrc({1, 0x03, 0x06, 0x20, 0x26, 0x12, 0x09, 0x00, 0x01});

struct FaultCase {
  const char* name;
  QStringList options;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.name;
}

class FaultTest : public SimTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultTest, SeenFromTheMaster) {
  Launch(GetParam().options);
  master.Purge();
  const auto sent = Clock::now();
  master.Send(kRequest);
  const std::string name = GetParam().name;
  if (name == "noreply") {
    EXPECT_TRUE(master.ReadQuiet(400, 100).empty());
  } else if (name == "crc") {
    const Bytes reply = master.ReadReply(Shape::kPlainRead);
    ASSERT_EQ(reply.size(), kGood.size());
    EXPECT_FALSE(TestCrcOk(reply));
    EXPECT_EQ(Bytes(reply.begin(), reply.end() - 2), Bytes(kGood.begin(), kGood.end() - 2));
  } else if (name == "exception") {
    EXPECT_EQ(master.ReadReply(Shape::kPlainRead), Exception(1, 0x83, 4));
  } else if (name == "pieces") {
    // The first piece arrives alone; the whole reply is complete after the two gaps.
    const Bytes first = master.Read(kGood.size(), 60);
    EXPECT_GT(first.size(), 0U);
    EXPECT_LT(first.size(), kGood.size());
    Bytes all = first;
    const Bytes rest = master.Read(kGood.size() - first.size(), 1000);
    all.insert(all.end(), rest.begin(), rest.end());
    EXPECT_EQ(all, kGood);
    EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(150));
  } else if (name == "late") {
    EXPECT_TRUE(master.Read(1, 200).empty());
    EXPECT_EQ(master.ReadReply(Shape::kPlainRead, 1000), kGood);
    EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(400));
  } else if (name == "extra") {
    EXPECT_EQ(master.ReadReply(Shape::kPlainRead), kGood);
    EXPECT_EQ(master.ReadQuiet(300, 50), Bytes{0x00});
  } else if (name == "address") {
    const Bytes reply = master.ReadReply(Shape::kPlainRead);
    ASSERT_EQ(reply.size(), kGood.size());
    EXPECT_EQ(reply[0], 2);
    EXPECT_TRUE(TestCrcOk(reply));
  } else if (name == "truncated") {
    // The first half of the reply, then nothing more.
    EXPECT_EQ(master.ReadQuiet(400, 100), Bytes(kGood.begin(), kGood.begin() + kGood.size() / 2));
  }
  // Faults touch replies only: the link keeps working for the requests that follow.
}

INSTANTIATE_TEST_SUITE_P(
    Sim, FaultTest,
    ::testing::Values(FaultCase{"noreply", {"--fault-noreply", "1"}},
                      FaultCase{"crc", {"--fault-crc", "1"}},
                      FaultCase{"exception", {"--fault-exception", "1"}},
                      FaultCase{"pieces", {"--fault-pieces", "1", "--piece-gap", "100"}},
                      FaultCase{"late", {"--fault-late", "1", "--delay", "400"}},
                      FaultCase{"extra", {"--fault-extra", "1"}},
                      FaultCase{"address", {"--fault-address", "1"}},
                      FaultCase{"truncated", {"--fault-truncated", "1"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimTest, FaultHitsOnlyTheSelectedRequestAndNotTheState) {
  // The 5th write gets no reply; the write itself is still carried out.
  Launch({"--fault-noreply", "1", "--fault-function", "16", "--fault-after", "4", "--fault-count",
          "1"});
  for (std::uint16_t i = 1; i <= 6; ++i) {
    const Bytes reply =
        master.WriteRegisters(1, 0x0113, {static_cast<std::uint16_t>(i % 2 ? 199 : 200)});
    if (i == 5) {
      EXPECT_TRUE(reply.empty()) << "write " << i;
      EXPECT_EQ(Register(0x0113), 199) << "the unanswered write was stored";
    } else {
      EXPECT_EQ(reply.size(), 8U) << "write " << i;
    }
    EXPECT_EQ(Register(0x016B), 3101) << "reads are not selected";
  }
}

// The event log read as the tool reads it: 56 blocks of 64 registers from 0x0200, twice. The
// string has one character per block, '-' for no reply.
struct LogReadCase {
  const char* name;
  QStringList options;
  const char* failed;  // 1-based block numbers that got no reply, per pass
};

void PrintTo(const LogReadCase& c, std::ostream* os) {
  *os << c.name;
}

class FailLogBlockTest : public SimTest, public ::testing::WithParamInterface<LogReadCase> {};

TEST_P(FailLogBlockTest, OnlyTheNamedBlockGoesUnanswered) {
  Launch(GetParam().options);
  std::string got;
  for (int pass = 0; pass < 2; ++pass) {
    if (pass) got += '|';
    for (int n = 0; n < 56; ++n) {
      const Bytes reply = master.Exchange(
          ReadFrame(1, static_cast<std::uint16_t>(0x0200 + 64 * n), 64), Shape::kPlainRead, 300);
      if (reply.empty()) {
        got += std::to_string(n + 1) + ' ';
      } else {
        EXPECT_EQ(reply.size(), 5U + 128U) << "block " << n + 1;
      }
    }
  }
  EXPECT_EQ(got, GetParam().failed);
  // Other reads of the same registers are not affected.
  EXPECT_EQ(master.ReadRegisters(1, 0x0200 + 64 * 19 + 32, 32).size(), 32U);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Sim, FailLogBlockTest,
    ::testing::Values(
        LogReadCase{"once",   {"--fail-log-block", "20"},                          "20 |"},
        LogReadCase{"twice",  {"--fail-log-block", "1", "--fail-log-times", "2"},  "1 |1 "},
        LogReadCase{"always", {"--fail-log-block", "56", "--fail-log-times", "0"}, "56 |56 "}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// Damaged replies keep a correct CRC and a byte count that matches what they carry; only the
// first read of the named register is damaged with --fault-count 1.
struct DamageCase {
  const char* name;
  QStringList options;
  std::uint16_t address;
  std::uint16_t count;
  std::size_t bytes;  // data bytes of the damaged reply
};

void PrintTo(const DamageCase& c, std::ostream* os) {
  *os << c.name;
}

class DamageTest : public SimTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamageTest, CorrectCrcMatchingCountDamagedData) {
  const DamageCase& c = GetParam();
  QStringList options = c.options;
  options << "--fault-count"
          << "1";
  Launch(options);
  const bool extended = c.address >= 0x8031;
  const Shape shape = extended ? Shape::kBlockRead : Shape::kPlainRead;
  const std::size_t header = extended ? 4 : 3;
  const Bytes request = ReadFrame(1, c.address, c.count);
  const Bytes damaged = master.Exchange(request, shape);
  const Bytes good = master.Exchange(request, shape);
  ASSERT_GE(damaged.size(), header + 2);
  EXPECT_TRUE(TestCrcOk(damaged));
  EXPECT_EQ(damaged.size(), header + c.bytes + 2);
  const std::size_t announced =
      extended ? static_cast<std::size_t>((damaged[2] << 8) | damaged[3]) : damaged[2];
  EXPECT_EQ(announced, c.bytes);
  ASSERT_TRUE(TestCrcOk(good));
  // The damaged data are the good data cut short, or the same length with the last
  // descriptor changed.
  const std::size_t same = std::min(c.bytes, good.size() - header - 2);
  const std::size_t descriptor = c.address == 0x8053 ? 6 : 10;
  const bool table = std::string(c.name).starts_with("descriptor");
  const std::size_t unchanged = table ? same - descriptor : same;
  EXPECT_TRUE(std::equal(damaged.begin() + static_cast<std::ptrdiff_t>(header),
                         damaged.begin() + static_cast<std::ptrdiff_t>(header + unchanged),
                         good.begin() + static_cast<std::ptrdiff_t>(header)));
  if (std::string(c.name) == "descriptor_count_zero") {
    EXPECT_EQ(damaged[header + c.bytes - descriptor + 2], 0);
    EXPECT_NE(good[header + c.bytes - descriptor + 2], 0);
  }
  if (std::string(c.name) == "descriptor_offset_past") {
    // The last descriptor's offset is the end of the VALUE block's data.
    const Bytes values = master.Exchange(ReadFrame(1, 0x804F, 70), Shape::kBlockRead);
    ASSERT_TRUE(TestCrcOk(values));
    const std::size_t at = header + c.bytes - 2;
    EXPECT_EQ(static_cast<std::size_t>((damaged[at] << 8) | damaged[at + 1]),
              (values.size() - 4 - 2) / 2);
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Sim, DamageTest,
    ::testing::Values(
        DamageCase{"plain_short",            {"--fault-short", "0x0006"},        0x0006, 3,  2},
        DamageCase{"plain_empty",            {"--fault-empty", "6"},             0x0006, 3,  0},
        DamageCase{"table_short",            {"--fault-short", "0x8052"},        0x8052, 83, 414},
        DamageCase{"values_empty",           {"--fault-empty", "0x804F"},        0x804F, 70, 0},
        DamageCase{"descriptor_count_zero",  {"--fault-zero-count", "0x8052"},   0x8052, 83, 830},
        DamageCase{"descriptor_offset_past", {"--fault-offset-past", "0x8053"},  0x8053, 70, 420}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(SimTest, ProbabilitiesFollowTheSeed) {
  auto pattern = [](const char* seed) {
    SimProcess sim(VOREL_SIM_PATH);
    RawMaster master;
    EXPECT_TRUE(sim.Start({"--baud", "0", "--fault-noreply", "0.5", "--seed", seed}));
    EXPECT_TRUE(master.Open(sim.LinkPath()));
    std::string out;
    for (int i = 0; i < 12; ++i) {
      out += master.Exchange(kRequest, Shape::kPlainRead, 400).empty() ? '-' : '+';
    }
    return out;
  };
  const std::string a = pattern("7");
  EXPECT_EQ(a, pattern("7"));
  EXPECT_NE(a.find('-'), std::string::npos);
  EXPECT_NE(a.find('+'), std::string::npos);
}

}  // namespace
}  // namespace vorel::test

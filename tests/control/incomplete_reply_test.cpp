// Replies with a correct CRC that lack what their request or their descriptors need, through
// every use case that reads: the use case fails with "Incomplete reply from site N.", and
// nothing of the damaged reply reaches the value image, the event log or the descriptor tables.
#include <algorithm>

#include "control/exchange_scope.h"
#include "control_fixture.h"

namespace vorel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

enum class Damage {
  Half,        // half the data words, the byte count matching
  Empty,       // no data words
  ZeroCount,   // the last descriptor of a CONFIG reply has count 0
  OffsetPast,  // the last descriptor of a CONFIG reply points past its VALUE block
};

enum class Operation { ReadParameters, Poll, EventLog, ParameterConfig, LiveLayout };

struct Case {
  const char* name;
  std::uint16_t block;  // the block whose reply is damaged
  Damage damage;
  Operation operation;
  // Registers the damaged block would bring: the image holds other words than the controller
  // there, so that a store of any part of the reply would show.
  std::vector<std::uint16_t> marked;
};

// The descriptor size of a CONFIG block: parameter tables 10 bytes, value tables 6.
std::size_t DescriptorBytes(std::uint16_t config) {
  return config == 0x8053 ? 6 : 10;
}

void Apply(Damage damage, std::uint16_t config, Bytes& data) {
  const std::size_t size = DescriptorBytes(config);
  switch (damage) {
    case Damage::Half:
      data.resize(data.size() / 4 * 2);
      break;
    case Damage::Empty:
      data.clear();
      break;
    case Damage::ZeroCount:
      data[data.size() - size + 2] = 0;
      break;
    case Damage::OffsetPast: {
      // The words of the VALUE block: the last descriptor's offset plus its count.
      const std::size_t last = data.size() - size;
      const unsigned words = ((data[data.size() - 2] << 8) | data.back()) + data[last + 2];
      data[data.size() - 2] = static_cast<std::uint8_t>(words >> 8);
      data[data.size() - 1] = static_cast<std::uint8_t>(words & 0xFF);
      break;
    }
  }
}

class IncompleteReply : public ControlTest, public ::testing::WithParamInterface<Case> {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    FakeController::Site& s = controller.AddSite(2);
    for (std::size_t k = 0; k < s.log.size(); ++k) s.log[k] = static_cast<std::uint16_t>(k);
    ConnectAll({2});
    ASSERT_TRUE(session->IsOnline(2));
    host.messages.clear();
    host.questions.clear();
  }

  // One synchronous read with polling paused, as a use case makes it.
  RequestResult ReadPaused(ReadKind kind, const RegisterBlock& block) {
    ExchangeScope scope(*session, ExchangeScope::Pause::Polling);
    return session->Read(kind, 2, block);
  }

  // Runs the operation; false when it reported a failure.
  bool Run(Operation operation) {
    switch (operation) {
      case Operation::ReadParameters:
        return session->Parameters().Read(2).Completed();
      case Operation::Poll:
        ControlTest::Run(2000);
        return host.questions.empty();
      case Operation::EventLog:
        return session->EventLog().Read(2).Completed();
      case Operation::ParameterConfig:
        return static_cast<bool>(ReadPaused(ReadKind::ParameterConfig, reg::kParamConfig1));
      case Operation::LiveLayout:
        return ReadPaused(ReadKind::ValueConfig, reg::kLiveConfig) &&
               ReadPaused(ReadKind::Value, reg::kLiveValues);
    }
    return true;
  }
};

TEST_P(IncompleteReply, FailsWithTheMessageAndStoresNothing) {
  const Case& c = GetParam();
  SiteImages& images = session->Images();
  for (std::uint16_t a : c.marked) images.SetWord(2, a, 0xBEEF);
  auto logWords = [&] {
    std::vector<std::uint16_t> out;
    for (int r = 0; r < kEventLogRecords; ++r)
      for (std::uint16_t w : images.EventLogRecord(2, r)) out.push_back(w);
    return out;
  };
  auto parameterTable = [&] {
    std::vector<std::pair<std::uint16_t, int>> out;
    for (const auto& d : images.ParameterDescriptors(2, reg::kParamConfig1))
      out.emplace_back(d.address, d.count);
    return out;
  };
  const std::vector<std::uint16_t> log = logWords();
  const auto table = parameterTable();
  const std::size_t liveEntries = images.ValueDescriptors(2, reg::kLiveConfig).size();
  host.defaultAnswer = Answer::Cancel;
  bool damaged = false;
  controller.damage = [&](const FakeRequest& r, Bytes& data) {
    if (r.address != c.block || damaged) return;
    damaged = true;
    Apply(c.damage, c.block, data);
  };

  EXPECT_FALSE(Run(c.operation));
  EXPECT_TRUE(damaged);
  std::vector<std::string> told = host.messages;
  for (const auto& q : host.questions) told.push_back(q.text);
  EXPECT_EQ(told, std::vector<std::string>{"Incomplete reply from site 2."});

  for (std::uint16_t a : c.marked) EXPECT_EQ(images.Word(2, a), 0xBEEF) << a;
  // The blocks of the event log before the damaged one are taken; from it on nothing.
  const std::vector<std::uint16_t> logAfter = logWords();
  const std::size_t from = c.block >= 0x0200 && c.block < 0x1000 ? c.block - 0x0200u : log.size();
  EXPECT_TRUE(std::equal(log.begin() + static_cast<std::ptrdiff_t>(from), log.end(),
                         logAfter.begin() + static_cast<std::ptrdiff_t>(from)));
  EXPECT_EQ(parameterTable(), table);
  EXPECT_EQ(images.ValueDescriptors(2, reg::kLiveConfig).size(), liveEntries);
  for (const auto& d : images.ValueDescriptors(2, reg::kLiveConfig)) EXPECT_GE(d.count, 1);
}

// clang-format off
const Case kCases[] = {
    {"ParameterGroupHalf",      0x8045, Damage::Half,       Operation::ReadParameters,  {0x0030, 0x0031}},
    {"ParameterGroupEmpty",     0x804D, Damage::Empty,      Operation::ReadParameters,  {0x0010, 0x0011, 0x0020}},
    {"PollHalf",                0x804F, Damage::Half,       Operation::Poll,            {0x0000, 0x000C, 0x0113}},
    {"PollEmpty",               0x804F, Damage::Empty,      Operation::Poll,            {0x0000, 0x000C, 0x0113}},
    {"EventLogBlockHalf",       0x0280, Damage::Half,       Operation::EventLog,        {}},
    {"EventLogBlockEmpty",      0x0200, Damage::Empty,      Operation::EventLog,        {}},
    {"ParameterTableHalf",      0x8052, Damage::Half,       Operation::ParameterConfig, {}},
    {"ParameterTableEmpty",     0x8052, Damage::Empty,      Operation::ParameterConfig, {}},
    {"ParameterTableCountZero", 0x8052, Damage::ZeroCount,  Operation::ParameterConfig, {}},
    {"LiveTableCountZero",      0x8053, Damage::ZeroCount,  Operation::LiveLayout,      {0x0000, 0x000C, 0x0113}},
    {"LiveTableOffsetPast",     0x8053, Damage::OffsetPast, Operation::LiveLayout,      {0x0000, 0x000C, 0x0113}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Damages, IncompleteReply, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vorel::test

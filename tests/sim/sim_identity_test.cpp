// Identification reads and the site set-up as a master sees them.
#include <string>

#include "sim_fixture.h"

namespace vorel::test {
namespace {

std::string Text(const std::vector<std::uint16_t>& words, std::size_t from, std::size_t count) {
  std::string s;
  for (std::size_t i = from; i < from + count && i < words.size(); ++i) {
    s += static_cast<char>(words[i] & 0xFF);
    s += static_cast<char>(words[i] >> 8);
  }
  return s;
}

TEST_F(SimTest, IdentificationBlockCarriesTypeAndVersion) {
  Launch({"--site", "1", "--site", "7:3105:V4.20"});
  struct Case {
    std::uint8_t site;
    std::uint16_t type;
    std::string version;
  };
  for (const Case& c : {Case{1, 3101, "5.10"}, Case{7, 3105, "4.20"}}) {
    const auto words = master.ReadRegisters(c.site, 0x0169, 29);
    ASSERT_EQ(words.size(), 29U);
    EXPECT_EQ(words[0x016B - 0x0169], c.type);
    const std::string name = Text(words, 0x0172 - 0x0169, 20);
    ASSERT_EQ(name.size(), 40U);
    const auto dot = name.find('.');
    ASSERT_NE(dot, std::string::npos) << name;
    EXPECT_EQ(name.substr(dot - 1, 4), c.version) << name;
  }
  // Serial number: twelve digits, four per register.
  EXPECT_EQ(master.ReadRegisters(7, 0x0006, 3),
            (std::vector<std::uint16_t>{0x2026, 0x1209, 0x0007}));
  // Status word: initialised and in order.
  const std::uint16_t status = Register(0x0000, 7);
  EXPECT_EQ(status & 0x0003, 3);
  EXPECT_EQ(status & 0x007C, 0);
  // An address without a site gets no answer.
  master.Purge();
  master.Send(ReadFrame(2, 0x0169, 29));
  EXPECT_TRUE(master.ReadQuiet(300, 50).empty());
}

TEST_F(SimTest, SystemUnlockedSetsStatusBit6) {
  Launch({"--system-unlocked", "--site", "3"});
  EXPECT_EQ(Register(0x0000, 3), 0x0043);
}

TEST_F(SimTest, DefaultsAreThoseOfARealSet) {
  Launch({});
  struct Case {
    std::uint16_t address;
    std::uint16_t value;
  };
  const Case cases[] = {
      {0x0011, 1},      {0x00C8, 200},    {0x00CA, 500},    {0x00CB, 400},    {0x00CD, 1500},
      {0x0113, 198},    {0x0004, 0},      {0x0126, 0xC054}, {0x0127, 0xC055}, {0x0128, 0x2856},
      {0x0129, 0x1500}, {0x012A, 0x1018}, {0x012B, 0x1420}, {0x007B, 167},    {0x003A, 0xC897},
  };
  for (const Case& c : cases) EXPECT_EQ(Register(c.address), c.value) << std::hex << c.address;
  EXPECT_EQ(Text(master.ReadRegisters(1, 0x0012, 8), 0, 8).substr(0, 9), "GENSET-01");
}

TEST_F(SimTest, BadRequestsGetExceptionsOrSilence) {
  Launch({});
  struct Case {
    const char* what;
    Bytes request;
    Bytes reply;  // empty: no reply
  };
  Bytes badCrc = ReadFrame(1, 0x0000, 4);
  badCrc.back() ^= 0x01;
  const Case cases[] = {
      {"unknown function", WithCrc({1, 0x04, 0, 0, 0, 1}), Exception(1, 0x84, 1)},
      {"function 0x2B", WithCrc({1, 0x2B, 0x0E, 1, 0}), Exception(1, 0xAB, 1)},
      {"read past the image", ReadFrame(1, 0x01FF, 2), Exception(1, 0x83, 2)},
      {"read past the log", ReadFrame(1, 0x0FF0, 32), Exception(1, 0x83, 2)},
      {"read count 0", ReadFrame(1, 0x0000, 0), Exception(1, 0x83, 3)},
      {"read count 126", ReadFrame(1, 0x0000, 126), Exception(1, 0x83, 3)},
      {"block count wrong", ReadFrame(1, 0x8052, 82), Exception(1, 0x83, 3)},
      {"no such block", ReadFrame(1, 0x8060, 1), Exception(1, 0x83, 2)},
      {"write a measurement", WriteFrame(1, 0x0099, std::vector<std::uint16_t>{5}),
       Exception(1, 0x90, 2)},
      {"write the event log", WriteFrame(1, 0x0200, std::vector<std::uint16_t>{5}),
       Exception(1, 0x90, 2)},
      {"unknown action", WriteFrame(1, 0x8010, std::vector<std::uint16_t>{0x1234}),
       Exception(1, 0x90, 3)},
      {"bad mode", WriteFrame(1, 0x0113, std::vector<std::uint16_t>{202}), Exception(1, 0x90, 3)},
      {"bad clock", WriteFrame(1, 0x000C, std::vector<std::uint16_t>{0x2460, 0}),
       Exception(1, 0x90, 3)},
      {"bad CRC", badCrc, {}},
  };
  for (const Case& c : cases) {
    master.Purge();
    master.Send(c.request);
    EXPECT_EQ(master.ReadQuiet(c.reply.empty() ? 200 : 1000, 60), c.reply) << c.what;
  }
  // Still answering afterwards.
  EXPECT_EQ(Register(0x016B), 3101);
}

}  // namespace
}  // namespace vorel::test

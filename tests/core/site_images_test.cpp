#include "core/site_images.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace vorel {
namespace {

using Bytes = std::vector<std::uint8_t>;

void PutBe(Bytes& b, std::uint16_t w) {
  b.push_back(static_cast<std::uint8_t>(w >> 8));
  b.push_back(static_cast<std::uint8_t>(w & 0xFF));
}

Bytes ValueDescriptorBytes(std::uint16_t address, std::uint8_t count, std::uint16_t offset) {
  Bytes b;
  PutBe(b, address);
  b.push_back(count);
  b.push_back(0x5A);
  PutBe(b, offset);
  return b;
}

Bytes ParameterDescriptorBytes(std::uint16_t address, std::uint8_t count, std::int16_t max,
                               std::int16_t min, std::uint16_t offset) {
  Bytes b;
  PutBe(b, address);
  b.push_back(count);
  b.push_back(0);
  PutBe(b, static_cast<std::uint16_t>(max));
  PutBe(b, static_cast<std::uint16_t>(min));
  PutBe(b, offset);
  return b;
}

class SiteImagesTest : public ::testing::Test {
 protected:
  std::unique_ptr<SiteImages> images = std::make_unique<SiteImages>();
};

TEST_F(SiteImagesTest, StandardReplyGoesToTheImageOrTheEventLog) {
  images->StoreBlockReply(5, RegisterBlock{0x0006, 3, 0, ""},
                          Bytes{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC});
  EXPECT_EQ(images->SerialNumberText(5), "123456789ABC");
  EXPECT_EQ(images->Word(4, 0x0006), 0);  // other sites untouched

  Bytes log;
  for (int w = 0; w < 64; ++w) PutBe(log, static_cast<std::uint16_t>(1000 + w));
  images->StoreBlockReply(1, RegisterBlock{0x0240, 64, 0, ""}, log);
  EXPECT_EQ(images->EventLogRecord(1, 2)[0], 1000);
  EXPECT_EQ(images->EventLogRecord(1, 3)[31], 1063);
  EXPECT_EQ(images->EventLogRecord(1, 1)[0], 0);
  EXPECT_EQ(images->EventLogRecord(1, 4)[0], 0);
}

TEST_F(SiteImagesTest, OutOfBoundsRepliesNeverWriteOutsideTheStores) {
  Bytes words;
  for (int w = 0; w < 100; ++w) PutBe(words, 0xFFFF);
  // Runs past the image: clipped at 511.
  images->StoreBlockReply(1, RegisterBlock{0x01F0, 100, 0, ""}, words);
  EXPECT_EQ(images->Word(1, 511), 0xFFFF);
  EXPECT_EQ(images->Word(2, 0), 0);
  // Event log past the last record, block area and bad sites: nothing stored, no crash.
  Bytes log(64 * 2 * 4, 0xAB);
  images->StoreBlockReply(1, RegisterBlock{0x0FE0, 256, 0, ""}, log);
  EXPECT_EQ(images->EventLogRecord(1, 111)[0], 0xABAB);
  images->StoreBlockReply(1, RegisterBlock{0x8000, 50, 0, ""}, words);
  images->StoreBlockReply(0, RegisterBlock{0x0000, 4, 0, ""}, words);
  images->StoreBlockReply(33, RegisterBlock{0x0000, 4, 0, ""}, words);
}

// A live-value CONFIG request for `n` descriptors.
RegisterBlock LiveConfig(std::uint16_t n) {
  return RegisterBlock{reg::kLiveConfig.address, n, 0, "CONFIG"};
}

TEST_F(SiteImagesTest, ValueDescriptorsScatterThePackedBlock) {
  Bytes config = ValueDescriptorBytes(0x000C, 2, 5);
  ASSERT_TRUE(images->StoreDescriptors(1, LiveConfig(1), config));
  ASSERT_EQ(images->ValueDescriptors(1, reg::kLiveConfig).size(), 1u);
  EXPECT_EQ(images->ValueDescriptors(1, reg::kLiveConfig)[0].attribute, 0x5A);
  Bytes data(14, 0);
  data[10] = 0x12;
  data[11] = 0x34;
  data[12] = 0x56;
  data[13] = 0x00;
  EXPECT_TRUE(images->StoreValueBlock(1, reg::kLiveValues, data));
  EXPECT_EQ(images->Word(1, 0x000C), 0x1234);
  EXPECT_EQ(images->Word(1, 0x000D), 0x5600);
}

TEST_F(SiteImagesTest, ParameterDescriptorsReplaceTheWholeTablePerSite) {
  Bytes first;
  for (int i = 0; i < 83; ++i) {
    Bytes d = ParameterDescriptorBytes(static_cast<std::uint16_t>(0x00C8 + i), 1, 1000, -5,
                                       static_cast<std::uint16_t>(i));
    first.insert(first.end(), d.begin(), d.end());
  }
  images->StoreDescriptors(1, reg::kParamConfig1, first);
  images->StoreDescriptors(2, reg::kParamConfig1, first);
  auto t = images->ParameterDescriptors(1, reg::kParamConfig1);
  ASSERT_EQ(t.size(), 83u);
  EXPECT_EQ(t[0].maximum, 1000);
  EXPECT_EQ(t[0].minimum, -5);
  EXPECT_EQ(t[82].address, 0x00C8 + 82);

  Bytes second;
  for (int i = 0; i < 83; ++i) {
    Bytes d = ParameterDescriptorBytes(0x0100, 2, 7, 3, 0);
    second.insert(second.end(), d.begin(), d.end());
  }
  images->StoreDescriptors(1, reg::kParamConfig1, second);
  EXPECT_EQ(images->ParameterDescriptors(1, reg::kParamConfig1)[82].address, 0x0100);
  EXPECT_EQ(images->ParameterDescriptors(2, reg::kParamConfig1)[82].address, 0x00C8 + 82);
  // Value descriptor blocks hold no parameter descriptors and the reverse.
  EXPECT_TRUE(images->ValueDescriptors(1, reg::kParamConfig1).empty());
  EXPECT_TRUE(images->ParameterDescriptors(1, reg::kLiveConfig).empty());
  // A CONFIG block that is not a descriptor table stores nothing.
  images->StoreDescriptors(1, reg::kWriteCountConfig, first);
}

// A reply that lacks anything its request or the descriptors need is refused whole: the call
// says so and no store of any site changes (image, event log, descriptor tables, change
// count). Every case also runs under the sanitizers: nothing is read past the data.
TEST_F(SiteImagesTest, IncompleteRepliesAreRefusedWhole) {
  // Site 1 holds a live table of two descriptors and the values it laid out.
  Bytes table = ValueDescriptorBytes(0x0010, 2, 0);
  const Bytes second = ValueDescriptorBytes(0x0020, 1, 2);
  table.insert(table.end(), second.begin(), second.end());
  ASSERT_TRUE(images->StoreDescriptors(1, LiveConfig(2), table));
  ASSERT_TRUE(images->StoreValueBlock(1, reg::kLiveValues, Bytes{0, 1, 0, 2, 0, 3}));
  Bytes parameters;
  for (int i = 0; i < 83; ++i) {
    const Bytes d = ParameterDescriptorBytes(static_cast<std::uint16_t>(0x00C8 + i), 1, 9, 0,
                                             static_cast<std::uint16_t>(i));
    parameters.insert(parameters.end(), d.begin(), d.end());
  }
  Bytes log(2 * 64, 0x11);
  const RegisterBlock logBlock{0x0240, 64, 0, ""};
  auto cut = [](Bytes b, std::size_t n) {
    b.resize(n);
    return b;
  };
  auto descriptors = [](std::initializer_list<Bytes> list) {
    Bytes b;
    for (const Bytes& d : list) b.insert(b.end(), d.begin(), d.end());
    return b;
  };
  const Bytes words(2 * 3, 0x77);
  const struct {
    const char* what;
    std::function<bool()> store;
  } cases[] = {
      {"plain reply one byte short",
       [&] {
         return images->StoreBlockReply(1, RegisterBlock{0x0010, 3, 0, ""}, cut(words, 5));
       }},
      {"plain reply without data",
       [&] {
         return images->StoreBlockReply(1, RegisterBlock{0x0010, 3, 0, ""}, {});
       }},
      {"event-log reply half its records",
       [&] { return images->StoreBlockReply(1, logBlock, cut(log, 64)); }},
      {"descriptor table half its descriptors",
       [&] { return images->StoreDescriptors(1, reg::kParamConfig1, cut(parameters, 415)); }},
      {"descriptor table empty",
       [&] { return images->StoreDescriptors(1, reg::kParamConfig1, {}); }},
      {"descriptor table one byte short",
       [&] { return images->StoreDescriptors(1, reg::kParamConfig1, cut(parameters, 829)); }},
      {"a descriptor of count 0",
       [&] {
         return images->StoreDescriptors(
             1, LiveConfig(2),
             descriptors({ValueDescriptorBytes(0x0030, 1, 0), ValueDescriptorBytes(0x0031, 0, 1)}));
       }},
      {"a descriptor past the image",
       [&] {
         return images->StoreDescriptors(
             1, LiveConfig(2),
             descriptors({ValueDescriptorBytes(0x0030, 1, 0), ValueDescriptorBytes(0x01FE, 5, 1)}));
       }},
      {"a request for no descriptors",
       [&] { return images->StoreDescriptors(1, LiveConfig(0), {}); }},
      {"a request for more descriptors than a table holds",
       [&] {
         return images->StoreDescriptors(1, RegisterBlock{0x8052, 84, 0, ""},
                                         descriptors({parameters, cut(parameters, 10)}));
       }},
      {"value block without the last descriptor's word",
       [&] {
         return images->StoreValueBlock(1, reg::kLiveValues, Bytes{0, 9, 0, 9});
       }},
      {"value block of an odd length",
       [&] {
         return images->StoreValueBlock(1, reg::kLiveValues, Bytes{0, 9, 0, 9, 0});
       }},
      {"value block without data",
       [&] { return images->StoreValueBlock(1, reg::kLiveValues, {}); }},
      {"site 0",
       [&] {
         return images->StoreBlockReply(0, RegisterBlock{0, 3, 0, ""}, words);
       }},
      {"site 33", [&] { return images->StoreDescriptors(33, LiveConfig(2), table); }},
  };
  const auto image = std::vector<std::uint16_t>(images->Image(1).begin(), images->Image(1).end());
  const auto record = images->EventLogRecord(1, 2);
  const std::vector<std::uint16_t> record2(record.begin(), record.end());
  const std::uint64_t changes = images->ChangeCount(1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(c.store());
    EXPECT_EQ(std::vector<std::uint16_t>(images->Image(1).begin(), images->Image(1).end()), image);
    const auto after = images->EventLogRecord(1, 2);
    EXPECT_EQ(std::vector<std::uint16_t>(after.begin(), after.end()), record2);
    ASSERT_EQ(images->ValueDescriptors(1, reg::kLiveConfig).size(), 2u);
    EXPECT_EQ(images->ValueDescriptors(1, reg::kLiveConfig)[1].address, 0x0020);
    EXPECT_TRUE(images->ParameterDescriptors(1, reg::kParamConfig1).empty());
    EXPECT_EQ(images->ChangeCount(1), changes);
  }
  // The same table and values whole are taken; a longer reply carries the needed data first.
  EXPECT_TRUE(images->StoreBlockReply(1, RegisterBlock{0x0010, 2, 0, ""}, words));
  EXPECT_EQ(images->Word(1, 0x0011), 0x7777);
  EXPECT_TRUE(images->StoreValueBlock(1, reg::kLiveValues, Bytes{0, 4, 0, 5, 0, 6, 0, 7}));
  EXPECT_EQ(images->Word(1, 0x0020), 6);
  EXPECT_TRUE(images->StoreBlockReply(1, logBlock, log));
  EXPECT_EQ(images->EventLogRecord(1, 3)[31], 0x1111);
}

// Views redraw when the change count moved: every store that alters a word moves it, a store
// that leaves the image as it was does not, and each site counts its own.
TEST_F(SiteImagesTest, ChangeCountMovesOnlyWhenTheImageChanges) {
  EXPECT_EQ(images->ChangeCount(1), 0u);
  images->StoreDescriptors(1, LiveConfig(1), ValueDescriptorBytes(0x000C, 2, 0));
  EXPECT_EQ(images->ChangeCount(1), 1u) << "descriptors count";
  const Bytes words{0x12, 0x34, 0x56, 0x78};
  const Bytes other{0x12, 0x34, 0x56, 0x79};
  const struct {
    const char* what;
    std::function<void(const Bytes&)> store;
  } stores[] = {
      {"word",
       [&](const Bytes& b) {
         images->SetWord(1, 0x000D, static_cast<std::uint16_t>((b[2] << 8) | b[3]));
       }},
      {"register block",
       [&](const Bytes& b) {
         images->StoreBlockReply(1, RegisterBlock{0x000C, 2, 0, ""}, b);
       }},
      {"value block", [&](const Bytes& b) { images->StoreValueBlock(1, reg::kLiveValues, b); }},
  };
  for (const auto& s : stores) {
    SCOPED_TRACE(s.what);
    s.store(words);
    const std::uint64_t count = images->ChangeCount(1);
    s.store(words);
    EXPECT_EQ(images->ChangeCount(1), count) << "the same words again";
    s.store(other);
    EXPECT_EQ(images->ChangeCount(1), count + 1);
  }
  EXPECT_EQ(images->ChangeCount(2), 0u);
  EXPECT_EQ(images->ChangeCount(0), 0u);
  images->SetWord(0, 1, 5);
  images->SetWord(2, 600, 5);
  EXPECT_EQ(images->ChangeCount(2), 0u);
}

TEST_F(SiteImagesTest, DeviceNameTrimsBlanksAndControlCharacters) {
  auto setName = [&](const std::string& text) {
    for (int k = 0; k < 20; ++k) {
      auto at = [&](std::size_t i) -> std::uint8_t {
        return i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
      };
      images->SetRegisterWord(1, reg::kDeviceName, k,
                              static_cast<std::uint16_t>(at(2 * k) | (at(2 * k + 1) << 8)));
    }
  };
  setName(std::string(40, ' '));
  EXPECT_EQ(images->DeviceNameText(1), "");
  setName("V5.10");
  EXPECT_EQ(images->DeviceNameText(1), "V5.10");
  setName(" \tGC-3101 V5.10\r\n");
  EXPECT_EQ(images->DeviceNameText(1), "GC-3101 V5.10");
}

TEST_F(SiteImagesTest, ClockTexts) {
  struct Case {
    std::uint16_t w0E, w0F;
    const char* date;
  };
  const Case dates[] = {{0x2512, 0x0700, "07-12-25"}, {0x0113, 0x0700, "00-01-01"},
                        {0x0100, 0x0700, "00-01-01"}, {0x0001, 0x0700, "00-01-01"},
                        {0x3201, 0x0700, "00-01-01"}, {0x3112, 0x9900, "99-12-31"}};
  for (const Case& c : dates) {
    images->SetWord(1, 0x000E, c.w0E);
    images->SetWord(1, 0x000F, c.w0F);
    EXPECT_EQ(images->ControllerDateText(1), c.date) << std::hex << c.w0E;
  }
  struct TimeCase {
    std::uint16_t w0C, w0D;
    const char* time;
  };
  const TimeCase times[] = {{0x2360, 0x6000, "23:60:60"},
                            {0x1234, 0x5699, "12:34:56"},
                            {0x2500, 0x0000, "00:00:00"},
                            {0x0061, 0x0000, "00:00:00"},
                            {0x0000, 0x6100, "00:00:00"}};
  for (const TimeCase& c : times) {
    images->SetWord(1, 0x000C, c.w0C);
    images->SetWord(1, 0x000D, c.w0D);
    EXPECT_EQ(images->ControllerTimeText(1), c.time) << std::hex << c.w0C;
  }
}

TEST(HexDigitValue, UpperCaseOnly) {
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('A'), 10);
  EXPECT_EQ(HexDigitValue('F'), 15);
  EXPECT_EQ(HexDigitValue('a'), 0);
  EXPECT_EQ(HexDigitValue('G'), 0);
  EXPECT_EQ(HexDigitValue('\0'), 0);
}

}  // namespace
}  // namespace vorel

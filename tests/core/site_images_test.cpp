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
  // Count larger than the data: only the data that came is stored.
  images->StoreBlockReply(3, RegisterBlock{0x0000, 10, 0, ""}, Bytes{0x00, 0x07, 0x01});
  EXPECT_EQ(images->Word(3, 0), 7);
  EXPECT_EQ(images->Word(3, 1), 0);
}

TEST_F(SiteImagesTest, ValueDescriptorsScatterThePackedBlock) {
  Bytes config = ValueDescriptorBytes(0x000C, 2, 5);
  images->StoreDescriptors(1, reg::kLiveConfig, config);
  ASSERT_EQ(images->ValueDescriptors(1, reg::kLiveConfig).size(), 1u);
  EXPECT_EQ(images->ValueDescriptors(1, reg::kLiveConfig)[0].attribute, 0x5A);
  Bytes data(14, 0);
  data[10] = 0x12;
  data[11] = 0x34;
  data[12] = 0x56;
  data[13] = 0x00;
  images->StoreValueBlock(1, reg::kLiveValues, data);
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

TEST_F(SiteImagesTest, BadDescriptorsAreClipped) {
  Bytes config;
  for (Bytes d : {ValueDescriptorBytes(0x0000, 0, 0),       // count 0: nothing
                  ValueDescriptorBytes(0x01FE, 5, 0),       // runs past word 511
                  ValueDescriptorBytes(0x0010, 3, 0xFFFF),  // offset far past the data
                  ValueDescriptorBytes(0x0020, 4, 2)}) {    // partly past the data
    config.insert(config.end(), d.begin(), d.end());
  }
  config.push_back(0x00);  // a torn fifth descriptor is dropped
  images->StoreDescriptors(1, reg::kLiveConfig, config);
  EXPECT_EQ(images->ValueDescriptors(1, reg::kLiveConfig).size(), 4u);
  const Bytes data{0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x05};
  images->StoreValueBlock(1, reg::kLiveValues, data);
  EXPECT_EQ(images->Word(1, 0x01FE), 1);
  EXPECT_EQ(images->Word(1, 0x01FF), 2);
  EXPECT_EQ(images->Word(1, 0x0010), 0);
  EXPECT_EQ(images->Word(1, 0x0020), 3);
  EXPECT_EQ(images->Word(1, 0x0022), 5);
  EXPECT_EQ(images->Word(1, 0x0023), 0);
  EXPECT_EQ(images->Word(2, 0x0000), 0);
}

// Views redraw when the change count moved: every store that alters a word moves it, a store
// that leaves the image as it was does not, and each site counts its own.
TEST_F(SiteImagesTest, ChangeCountMovesOnlyWhenTheImageChanges) {
  EXPECT_EQ(images->ChangeCount(1), 0u);
  images->StoreDescriptors(1, reg::kLiveConfig, ValueDescriptorBytes(0x000C, 2, 0));
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

#include "core/channels.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/register_table.h"
#include "core/site_images.h"
#include "language_guard.h"

namespace vorel {
namespace {

constexpr int kSite = 2;

class ChannelsTest : public ::testing::Test {
 protected:
  std::unique_ptr<SiteImages> images = std::make_unique<SiteImages>();
  ChannelSettings settings;
};

TEST_F(ChannelsTest, AnalogueChannelDecodes) {
  const AnalogueChannelSettings c = AnalogueChannelFromWords(0x2054, 0x1010);
  EXPECT_EQ(c, (AnalogueChannelSettings{.function = 0,
                                        .type = 4,
                                        .condition = 0,
                                        .action = 1,
                                        .activity = 0,
                                        .unit = 1,
                                        .decimals = 0}));
  LanguageGuard english("english");
  EXPECT_EQ(SensorTypeText(SensorListForFunction(c.function), c.type), "VDO 5 bar");
  // Unknown function, action and decimals 3 select nothing; a type beyond the list too.
  const AnalogueChannelSettings d = AnalogueChannelFromWords(0x3022, 0xFF00);
  EXPECT_EQ(d.function, -1);
  EXPECT_EQ(d.action, -1);
  EXPECT_EQ(d.decimals, -1);
  EXPECT_EQ(d.type, -1);
}

TEST_F(ChannelsTest, AnalogueChannelEncodes) {
  images->SetWord(kSite, reg::kAnalogueProperty2.address, 0x03A5);
  settings.analogue[0] = {.function = 2,
                          .type = 2,
                          .condition = 1,
                          .action = 4,
                          .activity = 1,
                          .unit = 3,
                          .decimals = 1};
  settings.analogue[1] = {.function = 1,
                          .type = 5,
                          .condition = 1,
                          .action = 5,
                          .activity = 0,
                          .unit = 1,
                          .decimals = 2};
  settings.analogue[2] = {.function = -1, .type = -1, .action = 3};
  images->SetWord(kSite, reg::kAnalogueProperty2.address + 2, 0x1234);
  AnalogueToImage(*images, kSite, settings);
  EXPECT_EQ(images->Word(kSite, reg::kAnalogueProperty1.address), 0xD856);  // Cooling, always, 86
  EXPECT_EQ(images->Word(kSite, reg::kAnalogueProperty2.address),
            0x0BA5);  // type 2 over bits 0 to 9
  EXPECT_EQ(images->Word(kSite, reg::kAnalogueProperty1.address + 1), 0xC055);  // Shutdown, 85
  EXPECT_EQ(images->Word(kSite, reg::kAnalogueProperty2.address + 1), 5 * 1024 + 2 * 256 + 16 + 8);
  EXPECT_EQ(images->Word(kSite, reg::kAnalogueProperty1.address + 2),
            0x8000);  // Unload, no function
  EXPECT_EQ(images->Word(kSite, reg::kAnalogueProperty2.address + 2), 0x1234);  // no type: kept
}

TEST_F(ChannelsTest, FunctionChangeRefillsTheTypeFromTheImage) {
  images->SetWord(kSite, reg::kAnalogueProperty2.address + 1, 12 << 10);
  settings.analogue[1] = {.function = 0, .type = 3};
  ChangeAnalogueFunction(*images, kSite, 2, settings, 1);  // Coolant Temp.
  EXPECT_EQ(settings.analogue[1].type, 12);
  ChangeAnalogueFunction(*images, kSite, 2, settings, 0);  // the pressure list has 11 entries
  EXPECT_EQ(settings.analogue[1].type, -1);
}

TEST_F(ChannelsTest, EnableRule) {
  const struct {
    AnalogueChannelSettings channel;
    bool action;
    bool unit;
    bool curve;
  } cases[] = {
      {{.function = 0, .type = 0}, false, false, false},
      {{.function = 0, .type = 2}, true, false, false},
      {{.function = 2, .type = 4}, true, true, false},  // linear level sensor: no curve
      {{.function = 2, .type = 3}, true, true, true},
      {{.function = 1, .type = 10}, true, true, true},
  };
  for (const auto& c : cases) {
    const AnalogueEnables e = AnalogueChannelEnables(c.channel);
    EXPECT_EQ(e.action, c.action) << c.channel.type;
    EXPECT_EQ(e.unit, c.unit) << c.channel.type;
    EXPECT_EQ(e.levels, c.unit) << c.channel.type;
    EXPECT_EQ(e.curve, c.curve) << c.channel.type;
  }
}

TEST_F(ChannelsTest, OilPressureDecimals) {
  std::array<AnalogueChannelSettings, 3> channels{};
  EXPECT_EQ(OilPressureDecimals(channels), 0);
  channels[1] = {.function = 0, .decimals = 2};
  channels[2] = {.function = 0, .decimals = 1};
  EXPECT_EQ(OilPressureDecimals(channels), 2);
  channels[0] = {.function = 1, .decimals = 1};
  channels[1].decimals = -1;
  EXPECT_EQ(OilPressureDecimals(channels), 1);
}

TEST_F(ChannelsTest, BinaryInputsAndOutputs) {
  images->SetWord(kSite, reg::kFirstInputProperty.address, 0x2022);
  images->SetWord(kSite, reg::kFirstInputProperty.address + 1, 0xC8D1);
  images->SetWord(kSite, reg::kFirstInputProperty.address + 2,
                  0x0854);  // an analogue code is no input
  images->SetWord(kSite, reg::kInputPolarity.address, 0xFF09);
  images->SetWord(kSite, reg::kFirstOutputProperty.address, 167);
  images->SetWord(kSite, reg::kFirstOutputProperty.address + 1, 200);
  images->SetWord(kSite, reg::kOutputPolarity.address, 0x0081);
  InputsFromImage(*images, kSite, settings);
  OutputsFromImage(*images, kSite, settings);
  EXPECT_EQ(settings.inputs[0], (InputSlotSettings{4, 1, 1, 0}));
  EXPECT_EQ(settings.inputs[1], (InputSlotSettings{18, 5, 0, 1}));
  EXPECT_EQ(settings.inputs[2].function, -1);
  EXPECT_EQ(settings.outputs[0].function, 7);
  EXPECT_EQ(settings.outputs[1].function, -1);
  LanguageGuard english("english");
  EXPECT_EQ(InputFunctionText(settings.inputs[0].function), "Oil presure switch");
  EXPECT_EQ(OutputFunctionText(settings.outputs[0].function), "Alarm horn");

  settings.outputs[2].polarity = 1;  // "De-energise" on slot 3
  settings.inputs[3].polarity = -1;  // no choice: the set bit 3 stays
  InputsToImage(*images, kSite, settings);
  OutputsToImage(*images, kSite, settings);
  EXPECT_EQ(images->Word(kSite, reg::kFirstInputProperty.address + 1), 0xC8D1);
  EXPECT_EQ(images->Word(kSite, reg::kFirstInputProperty.address + 2), 0x0800);
  EXPECT_EQ(images->Word(kSite, reg::kInputPolarity.address), 0xFF09);
  EXPECT_EQ(images->Word(kSite, reg::kFirstOutputProperty.address + 1), 0);
  EXPECT_EQ(images->Word(kSite, reg::kOutputPolarity.address), 0x0085);
}

}  // namespace
}  // namespace vorel

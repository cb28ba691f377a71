#include <algorithm>

#include "control_fixture.h"

namespace vorel::test {
namespace {

class CurveWrite : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    controller.AddSite(2, 3101, "Vorel2000 V5.10");
    ConnectAll({2});
    ASSERT_TRUE(session->IsOnline(2));
    controller.requests.clear();
    host.progress.clear();
    for (int k = 0; k < kCurvePoints; ++k) {
      curve[static_cast<std::size_t>(k)] = {static_cast<std::int16_t>(k < 6 ? 20 * k + 10 : -1),
                                            static_cast<std::int16_t>(-50 + 25 * k)};
    }
  }
  std::vector<FakeRequest> Writes() const {
    std::vector<FakeRequest> out;
    for (const auto& r : controller.requests) {
      if (r.function == 16) out.push_back(r);
    }
    return out;
  }
  void Unlocked(std::uint16_t mode = kModeOff) {
    session->Images().SetWord(2, reg::kProtection.address, kUnlockedMark);
    session->Images().SetWord(2, reg::kOperatingMode.address, mode);
  }
  std::vector<std::uint16_t> Ohms() const {
    std::vector<std::uint16_t> w;
    for (const CurvePoint& p : curve) w.push_back(static_cast<std::uint16_t>(p.ohms));
    return w;
  }
  std::vector<std::uint16_t> Values() const {
    std::vector<std::uint16_t> w;
    for (const CurvePoint& p : curve) w.push_back(static_cast<std::uint16_t>(p.value));
    return w;
  }

  // The curve writer itself (the window's Write runs it inside the checked write).
  CurveWriteResult WriteCurve(int site, int channel, const SensorCurve& points) {
    return CurveWriteResultOf(session->Curves().Write(site, channel, points));
  }

  SensorCurve curve{};
};

TEST_F(CurveWrite, LockedOrNotOffIsRefusedWithItsMessageAndNothingChanges) {
  const struct {
    const char* language;
    std::uint16_t protection, mode;
    const char* message;
  } cases[] = {
      {"english", 0, kModeOff, "Please unlock the write protection!"},
      {"chinese", 745, kModeOff, "参数保护未解锁!"},
      {"english", kUnlockedMark, kModeAuto, "Please set the controller to MAINTENANCE mode!"},
      {"chinese", kUnlockedMark, kModeManu, "请在模式状态下修改参数!"},
  };
  const SensorCurve before = CurveFromImage(session->Images(), 2, 1);
  const std::uint16_t type = session->Images().Word(2, 0x012A);
  for (const auto& c : cases) {
    SetLanguageSetting(c.language);
    session->Images().SetWord(2, reg::kProtection.address, c.protection);
    session->Images().SetWord(2, reg::kOperatingMode.address, c.mode);
    host.messages.clear();
    EXPECT_EQ(WriteCurve(2, 1, curve), CurveWriteResult::Refused);
    EXPECT_EQ(host.messages, std::vector<std::string>{c.message});
  }
  EXPECT_TRUE(Writes().empty());
  EXPECT_TRUE(host.progress.empty());
  EXPECT_EQ(CurveFromImage(session->Images(), 2, 1), before);
  EXPECT_EQ(session->Images().Word(2, 0x012A), type);
}

TEST_F(CurveWrite, WritesTypeWordThenResistancesThenValuesForEachChannel) {
  Unlocked();
  for (int channel = 0; channel < 3; ++channel) {
    controller.requests.clear();
    host.progress.clear();
    // Condition above, unit %, two decimals, a catalogue sensor (type 5).
    const std::uint16_t oldType = 0x1428 | 0x0200;
    session->Images().SetWord(2, 0x0129 + channel, oldType);
    EXPECT_EQ(WriteCurve(2, channel, curve), CurveWriteResult::Written);

    const std::vector<FakeRequest> writes = Writes();
    ASSERT_EQ(writes.size(), 3u);
    const std::uint16_t newType = static_cast<std::uint16_t>((oldType & 0x03FF) | 0x0C00);
    EXPECT_EQ(writes[0].address, 0x0129 + channel);
    EXPECT_EQ(writes[0].words, std::vector<std::uint16_t>{newType});
    EXPECT_EQ(writes[1].address, 0x014A + 10 * channel);
    EXPECT_EQ(writes[1].words, Ohms());
    EXPECT_EQ(writes[2].address, 0x012C + 10 * channel);
    EXPECT_EQ(writes[2].words, Values());
    EXPECT_EQ(host.progress, (std::vector<int>{50, 100, 0}));
    EXPECT_FALSE(host.progressShown);

    // The controller's registers and the value image hold the curve and the new type.
    const auto& regs = controller.sites.at(2).regs;
    for (int k = 0; k < kCurvePoints; ++k) {
      EXPECT_EQ(regs[static_cast<std::size_t>(0x014A + 10 * channel + k)],
                Ohms()[static_cast<std::size_t>(k)]);
      EXPECT_EQ(regs[static_cast<std::size_t>(0x012C + 10 * channel + k)],
                Values()[static_cast<std::size_t>(k)]);
    }
    EXPECT_EQ(regs[static_cast<std::size_t>(0x0129 + channel)], newType);
    EXPECT_EQ(CurveFromImage(session->Images(), 2, channel), curve);
    EXPECT_EQ(session->Images().Word(2, 0x0129 + channel), newType);
  }
  EXPECT_TRUE(session->Poll().PollTimerRunning());
  EXPECT_TRUE(view.enabled);
  EXPECT_FALSE(session->ExchangeRunning());
}

TEST_F(CurveWrite, AFailedRequestDoesNotEndTheSequence) {
  Unlocked();
  controller.silent = [](const FakeRequest& r) { return r.function == 16 && r.address == 0x014A; };
  EXPECT_EQ(WriteCurve(2, 0, curve), CurveWriteResult::Failed);
  auto addresses = Addresses(controller.requests, 16);
  EXPECT_EQ(addresses, (std::vector<std::uint16_t>{0x0129, 0x014A, 0x012C}));
  EXPECT_EQ(session->Images().Word(2, 0x0129) >> 10, 3);
  EXPECT_EQ(host.progress, (std::vector<int>{50, 100, 0}));
  EXPECT_TRUE(session->Poll().PollTimerRunning());
}

TEST_F(CurveWrite, OfflineWindowStoresIntoTheImageOnly) {
  session->Slots().SetWindowState(2, kWindowOffline);
  const std::uint16_t type = session->Images().Word(2, 0x0129);
  EXPECT_EQ(WriteCurve(2, 0, curve), CurveWriteResult::Stored);
  EXPECT_TRUE(Writes().empty());
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(CurveFromImage(session->Images(), 2, 0), curve);
  EXPECT_EQ(session->Images().Word(2, 0x0129), type);
}

TEST_F(CurveWrite, NothingForAnUnknownSiteOrChannelOrWhileAnotherExchangeRuns) {
  Unlocked();
  EXPECT_EQ(WriteCurve(7, 0, curve), CurveWriteResult::Refused);
  EXPECT_EQ(WriteCurve(2, 3, curve), CurveWriteResult::Refused);
  EXPECT_EQ(WriteCurve(2, -1, curve), CurveWriteResult::Refused);
  ASSERT_TRUE(session->BeginExchange());
  EXPECT_EQ(WriteCurve(2, 0, curve), CurveWriteResult::Busy);
  session->EndExchange();
  EXPECT_TRUE(Writes().empty());
  EXPECT_NE(CurveFromImage(session->Images(), 2, 0), curve);
}

}  // namespace
}  // namespace vorel::test

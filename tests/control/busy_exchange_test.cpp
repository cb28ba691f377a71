// A control pressed while another exchange runs sends nothing and says so, and the curve
// question after a parameter write opens editors whose Write reaches the controller.
#include <functional>

#include "control/busy_notice.h"
#include "control_fixture.h"
#include "core/sensor_curve.h"

namespace vorel::test {
namespace {

class BusyExchange : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    controller.AddSite(2, 3101, "Vorel2000 V5.10");
    ConnectAll({2});
    ASSERT_TRUE(session->IsOnline(2));
    controller.sites[2].regs[0x0004] = kUnlockedMark;  // as the checked writes read it
    Unlocked();
  }
  void Unlocked() {
    session->Images().SetWord(2, 0x0004, kUnlockedMark);
    session->Images().SetWord(2, 0x0113, kModeOff);
  }
  int WritesTo(std::uint16_t address) const {
    int n = 0;
    for (const FakeRequest& r : controller.requests) n += r.function == 16 && r.address == address;
    return n;
  }
};

TEST_F(BusyExchange, EveryControlTellsThatNothingWasSent) {
  SensorCurve curve{};
  const struct {
    const char* what;
    std::function<void()> press;
  } controls[] = {
      {"Read", [&] { session->ReadParameters(2); }},
      {"Write", [&] { session->WriteParameters(2); }},
      {"Unlock", [&] { session->UnlockParameters(2, "1234"); }},
      {"new password", [&] { session->ChangePassword(2, "1234"); }},
      {"curve button", [&] { session->ReadSensorBlock(2); }},
      {"event log", [&] { session->ReadEventLog(2); }},
      {"command", [&] { session->SendCommand(2, RemoteCommand::Mute); }},
      {"curve Write", [&] { EXPECT_EQ(session->WriteCurve(2, 0, curve), CurveWriteResult::Busy); }},
  };
  ASSERT_TRUE(session->BeginExchange());  // a transfer that has not ended
  for (const auto& c : controls) {
    host.messages.clear();
    controller.requests.clear();
    c.press();
    EXPECT_TRUE(controller.requests.empty()) << c.what;
    EXPECT_EQ(host.messages,
              std::vector<std::string>{"Another exchange with the controllers is still running. "
                                       "Nothing was sent; try again when it has ended."})
        << c.what;
  }
  session->EndExchange();
  SetLanguageSetting("chinese");
  EXPECT_EQ(BusyText(), "与控制器的另一次通信仍在进行，未发送任何内容；请在其结束后重试。");
}

// Yes to "Modify sensor chart?" opens the editors once the parameter write's exchange has
// ended: their Write is sent, not turned away as busy.
TEST_F(BusyExchange, TheCurveQuestionsEditorsWriteTheCurve) {
  host.answers = {Answer::Yes};
  SensorCurve curve{};
  for (int k = 0; k < kCurvePoints; ++k)
    curve[static_cast<std::size_t>(k)] = {static_cast<std::int16_t>(20 * k + 5),
                                          static_cast<std::int16_t>(3 * k)};
  std::optional<CurveWriteResult> written;
  RecordingWindow* window = windows.at(2);
  window->onOpenCurveEditors = [&] { written = session->WriteCurve(2, 0, curve); };
  // One edited parameter, written through the checked sequence.
  controller.sites[2].regs[0x0073] = 92;
  window->modelImages = &session->Images();
  window->site = 2;
  window->LoadAllPages();
  window->editors.Find("seLCompensation")->number = 0.5;
  controller.requests.clear();
  session->WriteParameters(2);
  EXPECT_EQ(WritesTo(0x0073), 1);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].text, "Modify sensor chart?");
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(*written, CurveWriteResult::Written);
  EXPECT_EQ(WritesTo(CurveResistanceAddress(0)), 1);
  EXPECT_EQ(WritesTo(CurveValueAddress(0)), 1);
  EXPECT_TRUE(host.messages.empty()) << host.messages.front();
}

}  // namespace
}  // namespace vorel::test

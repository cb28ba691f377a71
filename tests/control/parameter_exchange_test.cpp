#include <algorithm>

#include "control/busy_notice.h"
#include "control_fixture.h"

namespace vorel::test {
namespace {

class Exchange : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    controller.AddSite(2, 3101, "Vorel2000 V5.10");
    ConnectAll({2});
    ASSERT_TRUE(session->IsOnline(2));
    window = windows.at(2);
    controller.requests.clear();
    host.progress.clear();
  }
  std::vector<FakeRequest> Writes() const {
    std::vector<FakeRequest> out;
    for (const auto& r : controller.requests) {
      if (r.function == 16) out.push_back(r);
    }
    return out;
  }
  void Unlocked(std::uint16_t mode = kModeOff) {
    session->Images().SetWord(2, 0x0004, kUnlockedMark);
    session->Images().SetWord(2, 0x0113, mode);
  }

  RecordingWindow* window = nullptr;
};

TEST_F(Exchange, ReadFetchesTheFourGroupsAndReloads) {
  session->ReadParameters(2);
  auto reads = Addresses(controller.requests, 3);
  std::erase(reads, 0x804F);  // polls that were under way
  EXPECT_EQ(reads, (std::vector<std::uint16_t>{0x804D, 0x8045, 0x8046, 0x8047}));
  EXPECT_EQ(host.progress, (std::vector<int>{25, 50, 75, 100, 0}));
  EXPECT_EQ(window->caption, "3101 address 2");
  EXPECT_TRUE(session->Poll().PollTimerRunning());
  EXPECT_TRUE(window->enabled);
  EXPECT_TRUE(view.enabled);
}

TEST_F(Exchange, ReadThatFailsOnTheThirdGroupStillLoadsThePages) {
  controller.silent = [](const FakeRequest& r) { return r.address == 0x8046; };
  session->Slots().SetFileLoaded(2, true);
  window->calls.clear();
  SetLanguageSetting("chinese");
  session->ReadParameters(2);
  EXPECT_EQ(host.progress, (std::vector<int>{25, 50, 0}));
  EXPECT_EQ(window->calls.front(), "LoadAllPages");
  EXPECT_EQ(window->caption, "3101 地址 2");
  EXPECT_FALSE(session->Slots().FileLoaded(2));
}

TEST_F(Exchange, WriteGuards) {
  const struct {
    std::uint16_t protection, mode;
    const char* message;
  } cases[] = {
      {0, 200, "Please unlock the write protection!"},
      {745, 198, "Please unlock the write protection!"},
      {kUnlockedMark, kModeAuto, "Please set the controller to MAINTENANCE mode!"},
  };
  for (const auto& c : cases) {
    session->Images().SetWord(2, 0x0004, c.protection);
    session->Images().SetWord(2, 0x0113, c.mode);
    host.messages.clear();
    session->WriteParameters(2);
    EXPECT_EQ(host.messages, std::vector<std::string>{c.message});
  }
  EXPECT_TRUE(Writes().empty());
  EXPECT_TRUE(host.questions.empty());
}

TEST_F(Exchange, WriteSendsTheFixedDescriptorAndChannelStepsButNeverThePassword) {
  Unlocked();
  session->Images().SetWord(2, 0x0073, 4321);
  session->Images().SetWord(2, 0x0010, 7);
  session->Images().SetWord(2, 0x0011, 8);
  window->dateChanged = true;
  host.answers = {Answer::Cancel};
  session->WriteParameters(2);
  std::vector<std::uint16_t> addresses;
  for (const auto& r : Writes()) addresses.push_back(r.address);
  EXPECT_EQ(addresses,
            (std::vector<std::uint16_t>{0x0073, 0x0075, 0x011A, 0x0098, 0x009F, 0x000E, 0x0118,
                                        0x0010, 0x0020, 0x0039, 0x0078, 0x0126, 0x0129}));
  EXPECT_EQ(Writes()[4].words.size(), 2u);
  EXPECT_EQ(Writes()[9].words.size(), 17u);
  EXPECT_EQ(controller.sites[2].regs[0x0073], 4321);
  EXPECT_EQ(controller.sites[2].regs[0x0011], 8);
  EXPECT_FALSE(window->dateChanged);
  EXPECT_EQ(host.progress.back(), 0);
  EXPECT_EQ(host.progress[host.progress.size() - 2], 100);
  EXPECT_EQ(host.progress.front(), 1);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].site, 2);
  EXPECT_EQ(host.questions[0].caption, "Sensor chart setpoint");
  EXPECT_EQ(host.questions[0].text, "Modify sensor chart?");
  EXPECT_EQ(window->calls,
            (std::vector<std::string>{"ShowWindow", "SetUpWindow", "StoreAllPages", "LoadAllPages",
                                      "ShowWindow", "RefillEventLog"}));

  // The date went once; the serial number goes only while its editor is enabled.
  controller.requests.clear();
  window->serialEditable = true;
  session->WriteParameters(2);
  addresses.clear();
  for (const auto& r : Writes()) addresses.push_back(r.address);
  EXPECT_EQ(std::count(addresses.begin(), addresses.end(), 0x000E), 0);
  EXPECT_EQ(std::count(addresses.begin(), addresses.end(), 0x0006), 1);
  EXPECT_EQ(std::count(addresses.begin(), addresses.end(), 0x0004), 0);
}

TEST_F(Exchange, AFailureAtTheThirdRequestStopsAtOnceAndStillAsks) {
  Unlocked();
  controller.except = [](const FakeRequest& r) { return r.function == 16 && r.address == 0x011A; };
  host.answers = {Answer::Yes};
  session->WriteParameters(2);
  EXPECT_EQ(Writes().size(), 3u);
  EXPECT_EQ(host.messages,
            std::vector<std::string>{
                "Exception response! (code 04: the controller refused the request)"});
  EXPECT_EQ(host.progress, (std::vector<int>{1, 2, 3, 0}));
  ASSERT_EQ(host.questions.size(), 1u);
  // Yes opens the curve editors before the window is reloaded.
  const auto curves = std::find(window->calls.begin(), window->calls.end(), "OpenCurveEditors");
  ASSERT_NE(curves, window->calls.end());
  EXPECT_EQ(*(curves + 1), "LoadAllPages");
  EXPECT_EQ(window->calls.back(), "RefillEventLog");
  EXPECT_TRUE(session->Poll().PollTimerRunning());
}

TEST_F(Exchange, UnlockSendsModeOffThenThePasswordAsBinaryThenTheModeFound) {
  const struct {
    const char* text;
    std::uint16_t sent;
  } cases[] = {{"1234", 1234}, {"12 4", 1204}, {"    ", 0},  {"", 0},
               {"0042", 42},   {"9999", 9999}, {"12", 1200}, {" 2", 200}};
  for (const auto& c : cases) {
    controller.requests.clear();
    controller.sites[2].regs[0x0113] = kModeAuto;
    session->UnlockParameters(2, c.text);
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 3u) << c.text;
    EXPECT_EQ(writes[0].address, 0x0113);
    EXPECT_EQ(writes[0].words, std::vector<std::uint16_t>{198});
    EXPECT_EQ(writes[1].address, 0x0004);
    EXPECT_EQ(writes[1].words, std::vector<std::uint16_t>{c.sent}) << c.text;
    EXPECT_EQ(writes[2].address, 0x0113);
    EXPECT_EQ(writes[2].words, std::vector<std::uint16_t>{kModeAuto});
    EXPECT_EQ(session->Images().Word(2, 0x0113), kModeAuto);
    EXPECT_TRUE(session->Poll().PollTimerRunning());
  }
}

TEST_F(Exchange, TheRightPasswordShowsUnlockedAtTheNextRefresh) {
  session->UnlockParameters(2, "1234");
  Run(2000);
  EXPECT_TRUE(window->unlockedShown);
  EXPECT_EQ(window->panels[1], "unlocked");

  controller.requests.clear();
  session->ChangePassword(2, "4321");
  ASSERT_EQ(Writes().size(), 1u);
  EXPECT_EQ(Writes()[0].address, 0x0005);
  EXPECT_EQ(Writes()[0].words, std::vector<std::uint16_t>{4321});
  EXPECT_EQ(controller.sites[2].password, 4321);
}

}  // namespace
}  // namespace vorel::test

namespace vorel::test {
namespace {

TEST_F(Exchange, NoSecondExchangeAndNoClosingWhileOneRuns) {
  Unlocked();
  std::size_t requestsDuring = 0;
  window->onStoreAllPages = [&] {
    // The window's own close and other buttons, from inside the write (an event loop that runs
    // while it waits for a reply).
    window->onStoreAllPages = nullptr;
    session->WindowClosed(2);
    session->ReadParameters(2);
    session->UnlockParameters(2, "1234");
    requestsDuring = controller.requests.size();
    EXPECT_NE(session->Window(2), nullptr);
  };
  session->WriteParameters(2);
  const std::size_t writes = Writes().size();
  EXPECT_EQ(requestsDuring, 0u);
  EXPECT_EQ(writes, 12u);
  // Both buttons said that nothing was sent.
  EXPECT_EQ(host.messages, std::vector<std::string>(2, BusyText()));
  // The close took effect when the write ended: the last window, so the connection ended, and
  // no question about the curves of a window that is gone.
  EXPECT_EQ(session->Window(2), nullptr);
  EXPECT_FALSE(session->PortOpen());
  EXPECT_TRUE(host.questions.empty());
}

// The curve question comes once the write's exchange has ended: what the user starts from it
// runs as an exchange of its own.
TEST_F(Exchange, TheCurveQuestionComesAfterTheWritesExchange) {
  Unlocked();
  bool running = true;
  host.whileAsking = [&] {
    running = session->ExchangeRunning();
    controller.requests.clear();
    session->ReadParameters(2);
  };
  session->WriteParameters(2);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_FALSE(running);
  EXPECT_EQ(controller.requests.size(), 4u) << "the four parameter groups";
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace vorel::test

namespace vorel::test {
namespace {

class OddDescriptors : public ControlTest {};

TEST_F(OddDescriptors, DescriptorsThatDoNotFitAreNotSent) {
  auto& site = controller.AddSite(3);
  // Too long for the 17-word buffer, and a fitting one.
  site.parameters[0] = {{0x0050, 18}, {0x0070, 17}};
  ConnectAll({3});
  ASSERT_TRUE(session->IsOnline(3));
  session->Images().SetWord(3, 0x0004, kUnlockedMark);
  session->Images().SetWord(3, 0x0113, kModeOff);
  controller.requests.clear();
  session->WriteParameters(3);
  std::vector<std::uint16_t> writes;
  for (const auto& r : controller.requests) {
    if (r.function == 16) writes.push_back(r.address);
  }
  EXPECT_EQ(std::count(writes.begin(), writes.end(), 0x0070), 1);
  EXPECT_EQ(std::count(writes.begin(), writes.end(), 0x0050), 0);
  EXPECT_TRUE(host.messages.empty());
}

// A table with a descriptor past the end of the image or of count 0 is refused whole: the site
// is not identified and nothing of the table is kept.
TEST_F(OddDescriptors, ATableThatDoesNotFitTheImageIsRefused) {
  // Site 3: a descriptor past the end of the image; site 4: one of count 0.
  controller.AddSite(3).parameters[0] = {{0x0070, 17}, {0x01F8, 9}};
  controller.AddSite(4).parameters[0] = {{0x0070, 17}, {0x0060, 0}};
  ConnectAll({3, 4});
  EXPECT_EQ(host.messages, (std::vector<std::string>{"Incomplete reply from site 3.",
                                                     "Incomplete reply from site 4."}));
  for (int n : {3, 4}) {
    EXPECT_FALSE(session->IsOnline(n)) << n;
    EXPECT_TRUE(session->Images().ParameterDescriptors(n, reg::kParamConfig1).empty()) << n;
  }
}

}  // namespace
}  // namespace vorel::test

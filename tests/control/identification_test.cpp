#include "control/identification.h"

#include "control/settings.h"
#include "control_fixture.h"

namespace vorel::test {
namespace {

TEST(Version, TheFourCharactersFromTheDigitBeforeThePoint) {
  const struct {
    const char* name;
    const char* text;
    std::optional<int> value;
  } cases[] = {
      {"Vorel2000 V5.10", "5.10", 5100},
      {"Vorel2000 V5.05", "5.05", 5050},
      {"V4.1", "4.1", 4100},
      {"Vorel2000", "0", 0},
      {"V5.1a build 7", "5.1a", std::nullopt},
      {"V5.10.2", "5.10", 5100},
      {".5", ".5", 500},
      {"V5. ", "5. ", 5000},
      {"V-.1", "-.1", std::nullopt},
      {"V.x", "V.x", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VersionText(c.name), c.text) << c.name;
    EXPECT_EQ(ParseVersion(VersionText(c.name)), c.value) << c.name;
  }
}

TEST(Version, TypeTableAndItsMessages) {
  SetLanguageSetting("english");
  const std::string wrong = "Controller version wrong! Please upgrade the software.";
  const struct {
    std::int16_t code;
    int version;
    const char* message;  // nullptr: accepted
  } cases[] = {
      {3101, 5100, nullptr},
      {3104, 5050, wrong.c_str()},
      {3104, 5100, nullptr},
      {3105, 4100, nullptr},
      {3108, 4099, wrong.c_str()},
      {3110, 4100, nullptr},
      {3111, 6000, nullptr},
      {3107, 9000, "Unsupported controller!"},
      {3102, 5100, "Unsupported controller!"},
      {3113, 0, "Unsupported controller!"},
  };
  for (const auto& c : cases) {
    const auto m = RefusalMessage(c.code, "x", c.version);
    EXPECT_EQ(m.has_value(), c.message != nullptr) << c.code;
    if (m && c.message) {
      EXPECT_EQ(*m, c.message) << c.code;
    }
  }
  SetLanguageSetting("chinese");
  EXPECT_EQ(RefusalMessage(3104, "5.05", 5050), "控制器版本不匹配！请升级到5.10以后的版本。");
  EXPECT_EQ(RefusalMessage(3105, "4.05", 4050), "控制器版本不匹配！请升级到4.10以后的版本。");
  EXPECT_EQ(RefusalMessage(3109, "5.1", 5100), "本软件不支持该控制器！");
  EXPECT_TRUE(RefusalMessage(3101, "5.1a", std::nullopt).has_value());
}

TEST(Identification, StepPercentages) {
  std::vector<int> shown;
  for (int steps : {0, 3, 6, 7, 8, 9, 10, 11, 12, 13, 14}) shown.push_back(IdentifyPercent(steps));
  EXPECT_EQ(shown, (std::vector<int>{0, 21, 42, 50, 57, 64, 71, 78, 85, 92, 100}));
}

TEST(Identification, StatusWordLines) {
  using L = std::vector<std::string>;
  EXPECT_EQ(StatusWordLines(0x0003), (L{"Register Init!", "Device OK!"}));
  EXPECT_EQ(StatusWordLines(0x0002), (L{"Device OK!"}));
  EXPECT_EQ(StatusWordLines(0x0001), (L{"Register Not Init!", "Device OK!"}));
  EXPECT_EQ(StatusWordLines(0x00FF),
            (L{"Register Init!", "S/N Error!", "CRC Error!", "Channel Error!", "Parameter Error!",
               "System Unlock!", "Product Code Error!"}));
  EXPECT_EQ(StatusWordLines(0x0080),
            (L{"Register Not Init!", "Device OK!", "Product Code Error!"}));
}

TEST(Identification, PagesByTypeAndAccessLevel) {
  const struct {
    std::int16_t code;
    bool factory;
    bool status, log;
  } cases[] = {{3110, false, false, false},
               {3110, true, true, true},
               {3111, false, true, false},
               {3111, true, true, true},
               {3101, false, true, true}};
  for (const auto& c : cases) {
    const PageVisibility p = PagesFor(c.code, c.factory);
    EXPECT_EQ(p.statusPage, c.status) << c.code << c.factory;
    EXPECT_EQ(p.eventLogPage, c.log) << c.code << c.factory;
  }
}

using Identify = ControlTest;

TEST_F(Identify, TwelveReadsLogProgressAndWindow) {
  controller.AddSite(4, 3101, "Vorel2000 V5.10");
  ASSERT_TRUE(session->Connector().IdentifySite(4));
  EXPECT_EQ(Addresses(controller.requests, 3),
            (std::vector<std::uint16_t>{0x0169, 0x0006, 0x8053, 0x804F, 0x8052, 0x8035, 0x8036,
                                        0x8037, 0x804D, 0x8045, 0x8046, 0x8047}));
  EXPECT_EQ(view.log,
            (std::vector<std::string>{
                "Korvane Interface Vorel2000 Version 1.40c", "Communication Address 4",
                "Vorel2000 V5.10", "Product Code 3101", "Serial Number: 123456789ABC",
                "Register Init!", "Device OK!", " ", "Initializing" + std::string(15, '.')}));
  EXPECT_EQ(view.status, (std::vector<std::string>{
                             "Address 4 init 0%.", "Address 4 init 21%.", "Address 4 init 42%.",
                             "Address 4 init 50%.", "Address 4 init 57%.", "Address 4 init 64%.",
                             "Address 4 init 71%.", "Address 4 init 78%.", "Address 4 init 85%.",
                             "Address 4 init 92%.", "Address 4 init 100%.", "Connected."}));
  // The reply of the value configuration is collected only after a 2 s pause.
  const auto times = port->FrameTimes();
  ASSERT_GE(times.size(), 4u);
  EXPECT_GE(times[3] - times[2], 2000u + 2 * kRequestPauseMs);
  RecordingWindow* w = windows.at(4);
  EXPECT_EQ(session->Slots().WindowState(4), kWindowOnline);
  EXPECT_FALSE(w->enabled);
  EXPECT_EQ(w->caption, "3101 address 4");
  EXPECT_EQ(w->panels[0], "Vorel2000 V5.10");
  EXPECT_EQ(w->panels[2], "3101");
  EXPECT_EQ(w->calls, (std::vector<std::string>{"ShowWindow", "SetUpWindow"}));
  EXPECT_TRUE(host.messages.empty());
  // The descriptors and parameter groups are in the value image.
  const auto descriptors = session->Images().ParameterDescriptors(4, reg::kParamConfig1);
  ASSERT_EQ(descriptors.size(), std::size_t{reg::kParamConfig1.count});
  EXPECT_EQ(descriptors[1].address, 0x0010);
  EXPECT_EQ(session->Images().Word(4, 0x0113), 198);
}

TEST_F(Identify, RefusedTypesAndVersionsStopAfterTheSerialNumber) {
  const struct {
    std::int16_t code;
    const char* name;
    const char* message;  // nullptr: accepted
  } cases[] = {
      {3104, "Vorel2000 V5.05", "Controller version wrong! Please upgrade the software."},
      {3104, "Vorel2000 V5.10", nullptr},
      {3101, "Vorel2000", "Controller version wrong! Please upgrade the software."},
      {3107, "Vorel2000 V5.10", "Unsupported controller!"},
      {3101, "Vorel2000 V5.1a", "Controller version \"5.1a\" cannot be read!"},
      {3107, "Vorel2000 Va.bc", "Unsupported controller!"},  // the type is checked first
  };
  int site = 1;
  for (const auto& c : cases) {
    controller.AddSite(site, c.code, c.name);
    host.messages.clear();
    controller.requests.clear();
    const bool ok = session->Connector().IdentifySite(site);
    EXPECT_EQ(ok, c.message == nullptr) << c.name;
    if (c.message) {
      EXPECT_EQ(host.messages, std::vector<std::string>{c.message}) << c.name;
      EXPECT_EQ(controller.requests.size(), 2u) << c.name;
      EXPECT_EQ(session->Slots().WindowState(site), kWindowNone);
    }
    ++site;
  }
}

TEST_F(Identify, OnlyTheAnsweringSiteConnectsAndPollingStarts) {
  controller.AddSite(7);
  ConnectAll({3, 7});
  EXPECT_EQ(host.messages, std::vector<std::string>{"Communication timeout!"});
  EXPECT_NE(std::find(view.status.begin(), view.status.end(), "Adress3Connect fail!"),
            view.status.end());
  EXPECT_EQ(PauseAfter("Adress3Connect fail!"), 500u);
  EXPECT_FALSE(session->IsOnline(3));
  EXPECT_TRUE(session->IsOnline(7));
  EXPECT_TRUE(windows.at(7)->enabled);
  EXPECT_TRUE(view.enabled);
  EXPECT_FALSE(view.logShown);
  EXPECT_TRUE(session->Poll().PollTimerRunning());
  EXPECT_TRUE(session->Poll().RefreshTimerRunning());
  EXPECT_FALSE(view.toolButtons);

  // Connect again: only the site without a window is tried, and site 7 keeps working.
  controller.AddSite(3);
  controller.requests.clear();
  session->Connector().PauseForReconnect();
  ConnectAll({3, 7});
  EXPECT_TRUE(session->IsOnline(3));
  for (const auto& r : controller.requests) {
    if (r.address != 0x804F) {
      EXPECT_EQ(r.site, 3);
    }
  }
  EXPECT_TRUE(session->PortOpen());
}

TEST_F(Identify, NoSiteAndAnUnreadableVersionEndInDisconnectWithTheMainWindowEnabled) {
  controller.AddSite(2, 3101, "V5.1a");
  ConnectAll({2});
  EXPECT_EQ(view.status.back(), "disconnected.");
  EXPECT_EQ(PauseAfter("Adress2Connect fail!"), 500u);
  EXPECT_EQ(PauseAfter("connect fail!"), 500u);
  EXPECT_TRUE(view.enabled);
  EXPECT_TRUE(view.toolButtons);
  EXPECT_TRUE(view.menuItems);
  EXPECT_FALSE(session->PortOpen());
  EXPECT_FALSE(session->Poll().PollTimerRunning());
}

TEST_F(Identify, AFailureInTheMiddleEndsTheSite) {
  controller.AddSite(5);
  controller.silent = [](const FakeRequest& r) { return r.address == 0x8036; };
  EXPECT_FALSE(session->Connector().IdentifySite(5));
  EXPECT_EQ(controller.requests.back().address, 0x8036);
  EXPECT_EQ(view.status.back(), "Address 5 init 57%.");
  EXPECT_EQ(session->Slots().WindowState(5), kWindowNone);
}

TEST_F(Identify, LastWindowClosedDisconnects) {
  controller.AddSite(1);
  ConnectAll({1});
  ASSERT_TRUE(session->IsOnline(1));
  ASSERT_FALSE(view.log.empty());
  session->WindowClosed(1);
  EXPECT_TRUE(view.log.empty());  // the power-up log is cleared
  EXPECT_FALSE(session->PortOpen());
  EXPECT_EQ(session->Slots().WindowState(1), kWindowNone);
  EXPECT_EQ(session->Window(1), nullptr);
}

}  // namespace
}  // namespace vorel::test

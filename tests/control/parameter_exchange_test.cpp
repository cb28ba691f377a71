#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "control/busy_notice.h"
#include "control/safe_write.h"
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
  // Protection open and the mode, in the controller and in the image.
  void UnlockedController(std::uint16_t mode = kModeOff) {
    controller.sites[2].regs[0x0004] = kUnlockedMark;
    controller.sites[2].regs[0x0113] = mode;
    session->Images().SetWord(2, 0x0004, kUnlockedMark);
    session->Images().SetWord(2, 0x0113, mode);
  }
  // The window's editors load from and store into the site's image, as the real window's do.
  void EditorsOnImage() {
    window->modelImages = &session->Images();
    window->site = 2;
    window->LoadAllPages();
    window->calls.clear();
  }
  // An edit the checked write sends: the current factor of the current calibration changed.
  void EditOne() {
    controller.sites[2].regs[0x0073] = 92;
    EditorsOnImage();
    window->editors.Find("seLCompensation")->number = 0.5;
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

TEST_F(Exchange, AWriteToALockedControllerSendsNothing) {
  EditorsOnImage();
  window->editors.Find("seLCompensation")->number = 0.5;
  for (const std::uint16_t protection : {std::uint16_t{0}, std::uint16_t{745}}) {
    session->Images().SetWord(2, 0x0004, protection);
    host.messages.clear();
    session->WriteParameters(2);
    EXPECT_EQ(host.messages, std::vector<std::string>{"Please unlock the write protection!"});
  }
  EXPECT_TRUE(controller.requests.empty());
  EXPECT_TRUE(host.questions.empty());
}

// Only the edited registers go out, between mode OFF and the mode found: never the password,
// the clock, the counters or a register the user left alone.
TEST_F(Exchange, WriteSendsOnlyTheEditedRegistersBetweenModeOffAndTheModeFound) {
  UnlockedController(kModeAuto);
  controller.sites[2].regs[0x0073] = 92;
  controller.sites[2].regs[0x011A] = 1;
  EditorsOnImage();
  window->editors.Find("seLCompensation")->number = 0.5;
  window->editors.Find("seRPMRate")->number = 3;
  host.answers = {Answer::Cancel};
  session->WriteParameters(2);
  EXPECT_TRUE(host.messages.empty()) << host.messages.front();
  std::vector<std::pair<std::uint16_t, std::uint16_t>> sent;
  for (const auto& r : Writes()) sent.emplace_back(r.address, r.words.front());
  EXPECT_EQ(sent, (std::vector<std::pair<std::uint16_t, std::uint16_t>>{
                      {0x0113, kModeOff}, {0x0073, 50}, {0x011A, 3}, {0x0113, kModeAuto}}));
  EXPECT_EQ(controller.sites[2].regs[0x0073], 50);
  EXPECT_EQ(controller.sites[2].regs[0x0113], kModeAuto);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].site, 2);
  EXPECT_EQ(host.questions[0].caption, "Sensor chart setpoint");
  EXPECT_EQ(host.questions[0].text, "Modify sensor chart?");
  // The window shows what the controller holds now.
  EXPECT_EQ(window->calls.back(), "ShowWindow");
  EXPECT_NE(std::find(window->calls.begin(), window->calls.end(), "LoadAllPages"),
            window->calls.end());
  EXPECT_TRUE(session->Poll().PollTimerRunning());
}

// The controller refuses the third changed register: what went before is written back from
// the snapshot, the mode found is put back, the failure is shown and no curve question follows.
TEST_F(Exchange, AFailedBlockRollsBackAndAsksNothing) {
  UnlockedController(kModeAuto);
  controller.sites[2].regs[0x0073] = 92;
  controller.sites[2].regs[0x0075] = 5;
  controller.sites[2].regs[0x011A] = 1;
  EditorsOnImage();
  window->editors.Find("seLCompensation")->number = 0.5;
  window->editors.Find("seDCDrop")->number = 1.2;
  window->editors.Find("seRPMRate")->number = 3;
  bool refuse = true;
  controller.except = [&](const FakeRequest& r) {
    const bool now = refuse && r.function == 16 && r.address == 0x011A;
    refuse = refuse && !now;
    return now;
  };
  session->WriteParameters(2);
  std::vector<std::uint16_t> addresses;
  for (const auto& r : Writes()) addresses.push_back(r.address);
  EXPECT_EQ(addresses, (std::vector<std::uint16_t>{0x0113, 0x0073, 0x0075, 0x011A, 0x0073, 0x0075,
                                                   0x011A, 0x0113}));
  EXPECT_EQ(controller.sites[2].regs[0x0073], 92);
  EXPECT_EQ(controller.sites[2].regs[0x0075], 5);
  EXPECT_EQ(controller.sites[2].regs[0x011A], 1);
  EXPECT_EQ(controller.sites[2].regs[0x0113], kModeAuto);
  ASSERT_FALSE(host.messages.empty());
  EXPECT_TRUE(host.messages.back().ends_with("the write failed")) << host.messages.back();
  EXPECT_TRUE(host.questions.empty());
  EXPECT_TRUE(session->Poll().PollTimerRunning());
}

// Loading a file puts its words, its product code among them, into the site's image: the
// check still compares the file with the controller itself, and nothing is sent.
TEST_F(Exchange, AFileOfAnotherProductIsRefusedAfterItsLoadFilledTheImage) {
  UnlockedController();
  EditorsOnImage();
  std::filesystem::create_directories(dataDir);
  const std::string path = (dataDir / "other.dat").string();
  ASSERT_TRUE(session->ParameterFiles().SaveTo(2, path));
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  std::string file = text.str();
  const std::size_t at = file.find("PRODUCT_CODE=3101");
  ASSERT_NE(at, std::string::npos);
  file.replace(at, 17, "PRODUCT_CODE=3105");
  std::ofstream(path, std::ios::binary | std::ios::trunc) << file;
  ASSERT_TRUE(session->ParameterFiles().LoadFrom(2, path));
  ASSERT_EQ(session->Images().Word(2, 0x016B), 3105);
  controller.requests.clear();
  host.messages.clear();
  session->WriteParameters(2);
  EXPECT_TRUE(Writes().empty());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("The file is for product code 3105; the controller at site 2 "
                                  "is a 3101. Nothing was written."),
            std::string::npos)
      << host.messages[0];
  EXPECT_EQ(session->Images().Word(2, 0x016B), 3101);
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

// The window's close and other buttons pressed from inside the write (an event loop that runs
// while it waits for a reply): nothing is sent for them, and the close takes effect when the
// exchange ends; it was the last window, so the connection ends too. No curve question follows
// for a window that is gone.
class ClosedDuringTheWrite : public Exchange {
 protected:
  // `afterAWrite`: pressed once a register went out, else while the change list is read.
  void Press(bool afterAWrite) {
    UnlockedController();
    EditOne();
    std::optional<std::size_t> requestsDuring;
    host.whileProgress = [&] {
      if (requestsDuring || (afterAWrite && Writes().empty())) return;
      const std::size_t before = controller.requests.size();
      session->WindowClosed(2);
      session->ReadParameters(2);
      session->UnlockParameters(2, "1234");
      requestsDuring = controller.requests.size() - before;
      EXPECT_NE(session->Window(2), nullptr);
    };
    session->WriteParameters(2);
    host.whileProgress = nullptr;
    ASSERT_TRUE(requestsDuring);
    EXPECT_EQ(*requestsDuring, 0u);
    // Both buttons said that nothing was sent.
    EXPECT_EQ(host.messages, std::vector<std::string>(2, BusyText()));
    EXPECT_EQ(session->Window(2), nullptr);
    EXPECT_FALSE(session->PortOpen());
    EXPECT_TRUE(host.questions.empty());
  }
};

// Nobody said OK to a write whose window closed before its change list was shown.
TEST_F(ClosedDuringTheWrite, WhileTheChangeListIsReadNothingIsWritten) {
  Press(false);
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(controller.sites[2].regs[0x0073], 92);
}

TEST_F(ClosedDuringTheWrite, WhileWritingTheWriteEndsFirst) {
  Press(true);
  EXPECT_EQ(controller.sites[2].regs[0x0073], 50);
}

// The curve question comes once the write's exchange has ended: what the user starts from it
// runs as an exchange of its own.
TEST_F(Exchange, TheCurveQuestionComesAfterTheWritesExchange) {
  UnlockedController();
  EditOne();
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
  site.regs[0x0004] = kUnlockedMark;
  ConnectAll({3});
  ASSERT_TRUE(session->IsOnline(3));
  controller.requests.clear();
  SafeWriteRequest request;
  request.wanted = {{0x0052, 7, false}, {0x0071, 9, false}};
  SafeWrite sequence(host, session->Images(), session->Link(), *session, *session,
                     session->Parameters());
  EXPECT_EQ(sequence.Run(3, request).end, SafeWriteEnd::Written);
  std::vector<std::uint16_t> writes;
  for (const auto& r : controller.requests) {
    if (r.function == 16) writes.push_back(r.address);
  }
  EXPECT_EQ(writes, std::vector<std::uint16_t>{0x0071});
  EXPECT_EQ(site.regs[0x0052], 0);
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

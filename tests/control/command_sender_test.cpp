#include <algorithm>

#include "control_fixture.h"

namespace vorel::test {
namespace {

class Commands : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    controller.AddSite(2, 3101);
    controller.AddSite(3, 3101);
    ConnectAll({2, 3});
    ASSERT_TRUE(session->IsOnline(2));
    // Stamp every request with the fake time at which it reached the controller.
    port->responder = [this](std::span<const std::uint8_t> frame) {
      times.push_back(pump.NowMs());
      return controller.Answer(frame);
    };
    controller.requests.clear();
  }
  std::vector<FakeRequest> Writes() const {
    std::vector<FakeRequest> out;
    std::copy_if(controller.requests.begin(), controller.requests.end(), std::back_inserter(out),
                 [](const FakeRequest& r) { return r.function == 16; });
    return out;
  }

  std::vector<std::uint64_t> times;
};

TEST_F(Commands, EachButtonWritesItsOneWord) {
  host.defaultAnswer = Answer::Yes;
  const struct {
    RemoteCommand command;
    std::uint16_t address, word;
  } cases[] = {
      {RemoteCommand::Off, 0x0113, 198},      {RemoteCommand::Manual, 0x0113, 199},
      {RemoteCommand::Auto, 0x0113, 200},     {RemoteCommand::Test, 0x0113, 201},
      {RemoteCommand::Start, 0x8010, 0xFE01}, {RemoteCommand::Stop, 0x8010, 0xFD02},
      {RemoteCommand::Mute, 0x8010, 0xA956},  {RemoteCommand::Reset, 0x8010, 0xAA55},
  };
  for (const auto& c : cases) {
    controller.requests.clear();
    EXPECT_TRUE(session->Commands().Send(2, c.command));
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].site, 2);
    EXPECT_EQ(writes[0].address, c.address);
    EXPECT_EQ(writes[0].words, std::vector<std::uint16_t>{c.word});
    EXPECT_TRUE(session->Poll().PollTimerRunning());
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Commands, ModeReachesTheImageOnlyWhenTheControllerTookIt) {
  session->Images().SetWord(2, 0x0113, 198);
  EXPECT_TRUE(session->Commands().Send(2, RemoteCommand::Auto));
  EXPECT_EQ(session->Images().Word(2, 0x0113), 200);

  controller.except = [](const FakeRequest& r) { return r.function == 16; };
  EXPECT_FALSE(session->Commands().Send(2, RemoteCommand::Test));
  EXPECT_EQ(session->Images().Word(2, 0x0113), 200);
  EXPECT_EQ(host.messages,
            std::vector<std::string>{
                "Exception response! (code 04: the controller refused the request)"});

  // An action word lies outside the image and is never stored.
  controller.except = nullptr;
  const auto before = session->Images().Image(2);
  const std::vector<std::uint16_t> saved(before.begin(), before.end());
  host.answers = {Answer::Yes};
  EXPECT_TRUE(session->Commands().Send(2, RemoteCommand::Start));
  const auto after = session->Images().Image(2);
  EXPECT_TRUE(std::equal(saved.begin(), saved.end(), after.begin()));
}

TEST_F(Commands, StartAsksAndOnlyYesSends) {
  for (Answer answer : {Answer::No, Answer::Cancel, Answer::Closed}) {
    host.answers = {answer};
    EXPECT_FALSE(session->Commands().Send(2, RemoteCommand::Start));
  }
  EXPECT_TRUE(Writes().empty());
  ASSERT_EQ(host.questions.size(), 3u);
  EXPECT_EQ(host.questions[0].site, 2);
  EXPECT_EQ(host.questions[0].text, "Start the engine of site 2?");

  SetLanguageSetting("chinese");
  host.answers = {Answer::Yes};
  EXPECT_TRUE(session->Commands().Send(2, RemoteCommand::Start));
  EXPECT_EQ(host.questions.back().text, "启动地址2的发动机？");
  EXPECT_EQ(Writes().size(), 1u);

  // No other command asks.
  host.questions.clear();
  for (RemoteCommand c : {RemoteCommand::Stop, RemoteCommand::Mute, RemoteCommand::Reset,
                          RemoteCommand::Off, RemoteCommand::Auto})
    session->Commands().Send(2, c);
  EXPECT_TRUE(host.questions.empty());
}

TEST_F(Commands, ACommandDuringAPollWaitsForTheLink) {
  controller.replyDelayMs = 40;
  // Run until a poll read has gone out and is still unanswered.
  while (controller.requests.empty()) Run(1);
  ASSERT_FALSE(session->Link().LinkIdle());
  const std::uint64_t pollSent = times.back();
  EXPECT_TRUE(session->Commands().Send(2, RemoteCommand::Stop));
  const auto writes = Writes();
  ASSERT_EQ(writes.size(), 1u);
  const auto at = std::find_if(controller.requests.begin(), controller.requests.end(),
                               [](const FakeRequest& r) { return r.function == 16; });
  const std::uint64_t writeSent = times[static_cast<std::size_t>(at - controller.requests.begin())];
  EXPECT_GE(writeSent, pollSent + controller.replyDelayMs);
}

TEST_F(Commands, ATimedOutResetIsReportedAndPollingGoesOn) {
  controller.silent = [](const FakeRequest& r) { return r.function == 16; };
  EXPECT_FALSE(session->Commands().Send(2, RemoteCommand::Reset));
  EXPECT_EQ(host.messages, std::vector<std::string>{"Communication timeout!"});
  EXPECT_TRUE(session->Poll().PollTimerRunning());
  controller.requests.clear();
  Run(500);
  EXPECT_FALSE(Addresses(controller.requests, 3).empty()) << "no poll after the failed command";
}

TEST_F(Commands, NothingIsSentToASiteWithoutAnOnlineWindow) {
  EXPECT_FALSE(session->Commands().Send(5, RemoteCommand::Auto));
  EXPECT_FALSE(session->Commands().Send(0, RemoteCommand::Auto));
  EXPECT_TRUE(Writes().empty());
}

// STOP and OFF ask while the set carries a load (its state "Loaded", or the generator's breaker
// closed), as START always does; each as a confirmation whose default is No. Off load they go
// without a question.
TEST_F(Commands, StopAndOffAskWhileTheSetIsOnLoad) {
  FakeController::Site& site = controller.sites.at(2);
  const struct {
    std::uint16_t genSet, breaker;
    bool asks;
  } cases[] = {
      {308, 333, true}, {297, 322, true}, {297, 326, true}, {297, 333, false}, {313, 328, false}};
  for (const auto& c : cases) {
    // The controller reports the states, and the image holds them as a poll brings them.
    site.regs[0x0059] = c.genSet;
    site.regs[0x005A] = c.breaker;
    session->Images().SetWord(2, 0x0059, c.genSet);
    session->Images().SetWord(2, 0x005A, c.breaker);
    for (RemoteCommand command : {RemoteCommand::Stop, RemoteCommand::Off}) {
      host.questions.clear();
      controller.requests.clear();
      host.answers = {Answer::No};
      const bool sent = static_cast<bool>(session->Commands().Send(2, command));
      EXPECT_EQ(sent, !c.asks) << c.genSet << " " << c.breaker;
      EXPECT_EQ(Writes().empty(), c.asks);
      ASSERT_EQ(host.questions.size(), c.asks ? 1u : 0u);
      if (!c.asks) continue;
      EXPECT_EQ(host.questions[0].text, "Site 2 is on load. Stop it?");
      EXPECT_TRUE(host.questions[0].defaultNo);
    }
  }
  // Loaded again: Yes to the question sends the STOP.
  site.regs[0x0059] = 308;
  session->Images().SetWord(2, 0x0059, 308);
  host.questions.clear();
  controller.requests.clear();
  host.answers = {Answer::Yes};
  EXPECT_TRUE(session->Commands().Send(2, RemoteCommand::Stop));
  EXPECT_EQ(Writes().size(), 1u);
  ASSERT_EQ(host.questions.size(), 1u);
  SetLanguageSetting("chinese");
  host.answers = {Answer::No};
  EXPECT_FALSE(session->Commands().Send(2, RemoteCommand::Stop));
  ASSERT_EQ(host.questions.size(), 2u);
  EXPECT_EQ(host.questions.back().text, "地址2正在带载运行。停机吗？");
  host.answers = {Answer::No};
  EXPECT_FALSE(session->Commands().Send(2, RemoteCommand::Start));
  ASSERT_EQ(host.questions.size(), 3u);
  EXPECT_TRUE(host.questions.back().defaultNo);
  EXPECT_EQ(Writes().size(), 1u);
}

// After the port went away the window stays online; a command then says at once that the tool
// is not connected instead of waiting for a reply that cannot come.
TEST_F(Commands, ACommandWithoutAPortSaysSoAtOnce) {
  port->Unplug();
  Run(3000);
  ASSERT_FALSE(session->PortOpen());
  ASSERT_TRUE(session->IsOnline(2));
  host.messages.clear();
  controller.requests.clear();
  const std::uint64_t start = pump.NowMs();
  EXPECT_FALSE(session->Commands().Send(2, RemoteCommand::Mute));
  EXPECT_EQ(pump.NowMs(), start);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Not connected: press Connect first."});
  EXPECT_TRUE(controller.requests.empty());
}

}  // namespace
}  // namespace vorel::test

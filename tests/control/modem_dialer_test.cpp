// The modem dial on the in-memory port and fake time, against a scripted Hayes modem.
#include <algorithm>

#include "control_fixture.h"

namespace vorel::test {
namespace {

using Pieces = FakeSerialPort::Reply;

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

class Modem : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    view.dialNumber = "5551234";
    // Set-up commands are answered OK, the dial by `dialAnswer`, "+++" and ATH0 not at all.
    port->responder = [this](std::span<const std::uint8_t> frame) -> Pieces {
      const std::string text(frame.begin(), frame.end());
      if (text.starts_with("ATDT")) return dialAnswer;
      if (text.starts_with("AT&") || text.starts_with("ATS")) return setupAnswer;
      return {};
    };
  }
  std::vector<std::string> Written() const {
    std::vector<std::string> out;
    for (const auto& f : port->Frames()) out.emplace_back(f.begin(), f.end());
    return out;
  }
  // Fake time at which the first frame starting with `prefix` was written.
  std::uint64_t WrittenAt(std::string_view prefix, std::size_t from = 0) const {
    const auto frames = Written();
    const auto times = port->FrameTimes();
    for (std::size_t i = from; i < frames.size(); ++i)
      if (frames[i].starts_with(prefix)) return times[i];
    ADD_FAILURE() << "never written: " << prefix;
    return 0;
  }
  bool Saw(const std::string& status1) const {
    return std::ranges::find(view.status1Texts, status1) != view.status1Texts.end();
  }

  Pieces setupAnswer{{0, Bytes("\r\nOK\r\n")}};
  Pieces dialAnswer;
};

TEST_F(Modem, DialWritesTheSetUpWithItsPausesThenDials) {
  dialAnswer = {{3000, Bytes("\r\nCONNECT 19200\r\n")}};
  const std::uint64_t start = pump.NowMs();
  ASSERT_TRUE(session->Modem().Dial("5551234"));
  const std::vector<std::string> expected{
      "+++\r\n",   "ATZ\r\n", "AT&F\r\n",  "ATE0\r\n", "ATV1\r\n",   "ATQ0\r\n",       "+++\r\n",
      "AT&D2\r\n", "+++\r\n", "AT&C1\r\n", "+++\r\n",  "ATS0=0\r\n", "ATDT5551234\r\n"};
  EXPECT_EQ(Written(), expected);
  // The gap before each text: 300 ms of PrepareModem, the set-up pauses, one 500 ms wait
  // cycle per command and 100 ms after each escape.
  const std::vector<std::uint64_t> gaps{300, 100, 1000, 100, 100, 100, 100,
                                        100, 500, 100,  500, 100, 500};
  const auto times = port->FrameTimes();
  ASSERT_EQ(times.size(), gaps.size());
  std::uint64_t previous = start;
  for (std::size_t i = 0; i < times.size(); ++i) {
    EXPECT_EQ(times[i] - previous, gaps[i]) << expected[i];
    previous = times[i];
  }
  // The answer came 3 s into the dial and is taken at the end of that wait cycle.
  EXPECT_EQ(pump.NowMs() - times.back(), 3000u);
  EXPECT_EQ(port->InputPurges(), 1);
  EXPECT_EQ(port->OutputPurges(), 1);
  EXPECT_TRUE(port->dtr);
  EXPECT_TRUE(port->rts);
  EXPECT_TRUE(view.hangupEnabled);
  EXPECT_EQ(view.hangupStates, (std::vector<bool>{false, true}));
  EXPECT_EQ(view.status1Texts,
            (std::vector<std::string>{"openning modem...", "initializing modem...",
                                      "dialing5551234...", "connected at 19200bps"}));
}

TEST_F(Modem, DialAnswersAreRecognisedAnywhereAndOnlyTheKnownSpeeds) {
  const struct {
    const char* name;
    Pieces dial;
    bool connects;
    const char* last;      // the last modem status text
    std::uint64_t dialMs;  // from the dial command to the end of Dial
  } cases[] = {
      {"OK to the dial", {{800, Bytes("\r\nOK\r\n")}}, true, "dialing5551234...", 1000},
      {"suffix after the speed",
       {{2100, Bytes("\r\nCONNECT 9600/ARQ/V42\r\n")}},
       true,
       "connected at 9600bps",
       2500},
      {"every speed", {{400, Bytes("CONNECT 14400")}}, true, "connected at 14400bps", 500},
      {"split over two cycles",
       {{1200, Bytes("\r\nCONNE")}, {1300, Bytes("CT 19")}, {1700, Bytes("200\r\n")}},
       true,
       "connected at 19200bps",
       2000},
      {"OK wins over CONNECT",
       {{300, Bytes("\r\nCONNECT 38400\r\n\r\nOK\r\n")}},
       true,
       "dialing5551234...",
       500},
      // Neither answer: the full minute, then the hang-up (300 ms between its two texts, 100 ms
      // for the second to leave) and the failure pause.
      {"unknown speed",
       {{5000, Bytes("\r\nCONNECT 2400\r\n")}},
       false,
       "modem connect fail",
       60000 + 300 + 100 + 100},
      {"no answer", {}, false, "modem connect fail", 60000 + 300 + 100 + 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t before = port->Frames().size();
    view.status1Texts.clear();
    dialAnswer = c.dial;
    EXPECT_EQ(session->Modem().Dial("5551234"), c.connects);
    EXPECT_EQ(view.status1, c.last);
    EXPECT_EQ(pump.NowMs() - WrittenAt("ATDT", before), c.dialMs);
    EXPECT_FALSE(Saw("connected at 2400bps"));
    const auto frames = Written();
    const bool hungUp = frames.back() == "ATH0\r\n" && frames[frames.size() - 2] == "+++\r\n";
    EXPECT_EQ(hungUp, !c.connects);
    if (!c.connects) {
      EXPECT_TRUE(Saw("modem no response"));
    }
    session->Modem().ReleaseModem();
    port->PurgeInput();
  }
}

TEST_F(Modem, ASilentSetUpCommandFailsWithoutHangingUp) {
  setupAnswer = {};  // a modem that says nothing
  EXPECT_FALSE(session->Modem().Dial("5551234"));
  EXPECT_EQ(Written().back(), "AT&D2\r\n");
  EXPECT_EQ(view.status1Texts.back(), "modem connect fail");
  EXPECT_TRUE(Saw("modem no response"));
  EXPECT_FALSE(view.hangupEnabled);
}

TEST_F(Modem, HangupDuringTheDialEndsItWithinOneCycle) {
  dialAnswer = {};
  std::uint64_t pressedAt = 0;
  int timer = 0;
  timer = pump.StartTimer(10'250, [&] {
    pump.StopTimer(timer);
    pressedAt = pump.NowMs();
    session->Modem().HangupPressed();  // no carrier yet: only the request
  });
  EXPECT_FALSE(session->Modem().Dial("5551234"));
  ASSERT_GT(pressedAt, WrittenAt("ATDT"));
  // The wait notices the request at the start of its next cycle, then hangs up.
  EXPECT_LE(WrittenAt("+++", 13) - pressedAt, 500u);
  EXPECT_EQ(Written().back(), "ATH0\r\n");
  EXPECT_FALSE(Saw("modem no response"));
  EXPECT_EQ(view.status1, "modem connect fail");
  EXPECT_FALSE(session->Modem().HangupRequested());
}

TEST_F(Modem, HangupEndsTheCallWhetherOrNotTheCarrierReads) {
  // A cable without DCD, or a pseudo-terminal, reads the carrier off during a call.
  for (const bool carrier : {true, false}) {
    SCOPED_TRACE(carrier ? "carrier on" : "carrier unreadable");
    dialAnswer = {{0, Bytes("\r\nCONNECT 9600\r\n")}};
    ASSERT_TRUE(session->Modem().Dial("5551234"));
    ASSERT_EQ(view.status1, "connected at 9600bps");
    const std::size_t before = port->Frames().size();
    port->carrier = carrier;
    session->Modem().HangupPressed();
    const auto frames = Written();
    ASSERT_EQ(frames.size(), before + 2);
    EXPECT_EQ(frames[before], "+++\r\n");
    EXPECT_EQ(frames[before + 1], "ATH0\r\n");
    EXPECT_EQ(port->FrameTimes()[before + 1] - port->FrameTimes()[before], 300u);
    EXPECT_FALSE(port->dtr);
    EXPECT_FALSE(port->rts);
    EXPECT_FALSE(view.hangupEnabled);
    EXPECT_EQ(view.status1, "disconnected");
    EXPECT_TRUE(session->Port().Call().Lost());
  }
}

TEST_F(Modem, ARefusalEndsTheDialAtOnceWithTheModemsWord) {
  for (const char* word : {"BUSY", "NO CARRIER", "NO DIALTONE", "NO ANSWER"}) {
    SCOPED_TRACE(word);
    const std::size_t before = port->Frames().size();
    view.status1Texts.clear();
    dialAnswer = {{4000, Bytes(std::string("\r\n") + word + "\r\n")}};
    EXPECT_FALSE(session->Modem().Dial("5551234"));
    // Taken at the end of the wait cycle it arrived in, then the hang-up and the failure
    // pause: not the full minute.
    EXPECT_EQ(pump.NowMs() - WrittenAt("ATDT", before), 4000u + 300 + 100 + 100);
    const std::string answered = std::string("The modem answered ") + word + ".";
    EXPECT_TRUE(Saw(answered));
    EXPECT_FALSE(Saw("modem no response"));
    EXPECT_EQ(view.status1, "modem connect fail: " + answered);
    EXPECT_EQ(session->Modem().FailureText(), answered);
    EXPECT_EQ(Written().back(), "ATH0\r\n");
    session->Modem().ReleaseModem();
    port->PurgeInput();
  }
}

TEST_F(Modem, TextsInChinese) {
  SetLanguageSetting("chinese");
  dialAnswer = {{0, Bytes("CONNECT 38400")}};
  ASSERT_TRUE(session->Modem().Dial("0571-1"));
  EXPECT_TRUE(Saw("打开调制解调器..."));
  EXPECT_TRUE(Saw("初始化调制解调器..."));
  EXPECT_TRUE(Saw("正在拨号0571-1..."));
  EXPECT_EQ(view.status1, "调制解调器连接在38400bps");
  dialAnswer = {};
  EXPECT_FALSE(session->Modem().Dial("0571-1"));
  EXPECT_TRUE(Saw("调制解调器没有回应"));
  EXPECT_EQ(view.status1, "调制解调器连接失败");
  dialAnswer = {{0, Bytes("BUSY\r")}};
  EXPECT_FALSE(session->Modem().Dial("0571-1"));
  EXPECT_EQ(view.status1, "调制解调器连接失败：调制解调器应答 BUSY。");
  EXPECT_EQ(DialFailedText(session->Modem().FailureText()), "拨号失败：调制解调器应答 BUSY。");
  dialAnswer = {{0, Bytes("CONNECT 9600")}};
  ASSERT_TRUE(session->Modem().Dial("0571-1"));
  session->Modem().HangupPressed();
  EXPECT_EQ(view.status1, "未连接.");
}

}  // namespace
}  // namespace vorel::test

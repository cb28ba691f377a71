// The Hayes modem in front of the simulated controllers.
#include <string>

#include "sim_fixture.h"

namespace vorel::test {
namespace {

std::string AsText(const Bytes& b) {
  return std::string(b.begin(), b.end());
}

class ModemTest : public SimTest {
 protected:
  std::string Say(const std::string& command, int quietMs = 150) {
    master.SendText(command + "\r\n");
    return AsText(master.ReadQuiet(1500, quietMs));
  }
  bool ModbusAnswers() {
    return master.Exchange(ReadFrame(1, 0x016B, 1), Shape::kPlainRead, 1000).size() == 7;
  }
};

TEST_F(ModemTest, DialogueFromCommandsToDataModeAndHangUp) {
  Launch({"--modem", "--dial-delay", "100", "--connect-speed", "19200"});
  // The master's initialisation: "+++" in command mode is ignored, commands answer OK.
  master.SendText("+++\r\n");
  EXPECT_EQ(AsText(master.ReadQuiet(500, 100)), "+++\r") << "echoed, not answered";
  EXPECT_EQ(Say("ATZ"), "ATZ\r\r\nOK\r\n");  // echo on after reset
  EXPECT_EQ(Say("ATE0"), "ATE0\r\r\nOK\r\n");
  for (const char* c : {"AT&F", "ATE0", "ATV1", "ATQ0", "AT&D2", "AT&C1", "ATS0=0"}) {
    EXPECT_NE(Say(c).find("OK"), std::string::npos) << c;
  }
  EXPECT_EQ(Say("ATE0"), "\r\nOK\r\n");
  EXPECT_EQ(Say("HELLO"), "\r\nERROR\r\n");
  EXPECT_FALSE(ModbusAnswers()) << "no answer before the dial";
  master.Purge();
  EXPECT_EQ(Say("ATDT5551234", 400), "\r\nCONNECT 19200\r\n");
  EXPECT_TRUE(ModbusAnswers());
  EXPECT_TRUE(ModbusAnswers());
  // Escape to command mode with the call up, back on line with ATO.
  EXPECT_EQ(Say("+++"), "\r\nOK\r\n");
  EXPECT_FALSE(ModbusAnswers());
  EXPECT_EQ(Say("ATO"), "\r\nCONNECT 19200\r\n");
  EXPECT_TRUE(ModbusAnswers());
  // Hang-up as the master does it.
  EXPECT_EQ(Say("+++"), "\r\nOK\r\n");
  EXPECT_EQ(Say("ATH0"), "\r\nOK\r\n");
  EXPECT_FALSE(ModbusAnswers());
  EXPECT_EQ(Say("ATO"), "\r\nNO CARRIER\r\n");
  EXPECT_EQ(Say("ATDT1", 400), "\r\nCONNECT 19200\r\n");
  EXPECT_TRUE(ModbusAnswers());
}

TEST_F(ModemTest, NoAnswerNeverConnectsAndAKeyAborts) {
  Launch({"--modem", "--no-answer", "--dial-delay", "50"});
  EXPECT_EQ(Say("ATE0"), "ATE0\r\r\nOK\r\n");
  master.SendText("ATDT5551234\r\n");
  EXPECT_TRUE(master.ReadQuiet(400, 100).empty());
  // The master's hang-up: "+++" aborts the dial, ATH0 is then answered.
  EXPECT_EQ(Say("+++"), "\r\nNO CARRIER\r\n");
  EXPECT_EQ(Say("ATH0"), "\r\nOK\r\n");
  EXPECT_FALSE(ModbusAnswers());
}

TEST_F(ModemTest, AnswerTextAndACallThatDrops) {
  Launch({"--modem", "--dial-delay", "50", "--connect-text", "CONNECT 9600/ARQ/V42", "--drop-after",
          "600"});
  EXPECT_EQ(Say("ATE0"), "ATE0\r\r\nOK\r\n");
  EXPECT_EQ(Say("ATDT1", 200), "\r\nCONNECT 9600/ARQ/V42\r\n");
  EXPECT_TRUE(ModbusAnswers());
  // The line drops: NO CARRIER, back in command mode with the call down.
  EXPECT_EQ(AsText(master.ReadQuiet(1500, 150)), "\r\nNO CARRIER\r\n");
  EXPECT_FALSE(ModbusAnswers());
  master.Purge();
  EXPECT_EQ(Say("ATO"), "\r\nNO CARRIER\r\n");
  EXPECT_EQ(Say("ATDT1", 200), "\r\nCONNECT 9600/ARQ/V42\r\n");
  EXPECT_TRUE(ModbusAnswers());
}

}  // namespace
TEST_F(ModemTest, ASplitAnswerArrivesInTwoPieces) {
  Launch({"--modem", "--dial-delay", "50", "--connect-speed", "19200", "--split-answer", "600"});
  EXPECT_EQ(Say("ATE0"), "ATE0\r\r\nOK\r\n");
  master.SendText("ATDT1\r\n");
  const std::string first = AsText(master.ReadQuiet(1500, 250));
  const std::string second = AsText(master.ReadQuiet(1500, 250));
  EXPECT_EQ(first, "\r\nCONNEC");
  EXPECT_EQ(first + second, "\r\nCONNECT 19200\r\n");
  EXPECT_TRUE(ModbusAnswers());
}

}  // namespace vorel::test

// The audit trail of parameter writes: one line per write with the registers' old and new
// words, the password change without its value, and an append that fails is reported while the
// write stands.
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

#include "control/safe_write.h"
#include "control_fixture.h"
#include "core/sensor_curve.h"
#include "files/audit_log.h"

namespace vorel::test {
namespace {

class AuditTrail : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    controller.AddSite(2, 3101, "Vorel2000 V5.10");
    ConnectAll({2});
    ASSERT_TRUE(session->IsOnline(2));
    controller.sites[2].regs[0x0004] = kUnlockedMark;  // as the checked writes read it
    session->Images().SetWord(2, 0x0004, kUnlockedMark);
    session->Images().SetWord(2, 0x0113, kModeOff);
    controller.requests.clear();
  }
  // The window's editors on the site's image, as the real window has them.
  EditorModel& EditorsOnImage() {
    RecordingWindow* window = windows.at(2);
    window->modelImages = &session->Images();
    window->site = 2;
    window->LoadAllPages();
    return window->editors;
  }
  // The checked write of `wanted` to site 2, as the command line runs it.
  SafeWriteResult Write(std::vector<LoadedWord> wanted) {
    SafeWriteRequest request;
    request.wanted = std::move(wanted);
    SafeWrite sequence(host, session->Images(), session->Link(), *session, *session,
                       session->Parameters());
    return sequence.Run(2, request);
  }
  static std::vector<std::string> Lines() {
    std::ifstream in(AuditLogPath());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

TEST_F(AuditTrail, EveryWriteAppendsOneLineWithOldAndNewWords) {
  controller.sites[2].regs[0x0073] = 0x0011;
  session->Images().SetWord(2, 0x0073, 0x0011);
  EditorsOnImage().Find("seLCompensation")->number = 0.5;  // stored as 50 before the write
  session->WriteParameters(2);
  session->ChangePassword(2, "4321");
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find(" write port="), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find(" site=2 product=3101 serial="), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find(" 0073:0011>0032 "), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(" password "), std::string::npos) << lines[1];
  EXPECT_EQ(lines[1].find("4321"), std::string::npos) << lines[1];
  EXPECT_NE(lines[1].find("registers=0"), std::string::npos) << lines[1];
}

TEST_F(AuditTrail, ACurveWriteAppendsItsTypeWordAndPoints) {
  SensorCurve curve{};
  for (int k = 0; k < kCurvePoints; ++k)
    curve[static_cast<std::size_t>(k)] = {static_cast<std::int16_t>(10 * k + 10),
                                          static_cast<std::int16_t>(k)};
  const std::uint16_t firstOhms = CurveResistanceAddress(1);
  const std::uint16_t firstValue = CurveValueAddress(1);
  // Before, in the controller: type 0 and every resistance 7; the values already those of
  // the curve. The checked write reads them again before it writes.
  auto& regs = controller.sites[2].regs;
  regs[reg::kAnalogueProperty2.address + 1] = 0;
  for (int k = 0; k < kCurvePoints; ++k) {
    regs[firstOhms + k] = 7;
    regs[firstValue + k] = static_cast<std::uint16_t>(k);
  }
  ASSERT_EQ(session->WriteCurve(2, 1, curve), CurveWriteResult::Written);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(" curve port="), std::string::npos) << lines[0];
  char ohms[32];
  std::snprintf(ohms, sizeof ohms, " %04X:0007>000A ", firstOhms);
  EXPECT_NE(lines[0].find(ohms), std::string::npos) << lines[0];
  char value[16];
  std::snprintf(value, sizeof value, " %04X:", firstValue);
  EXPECT_EQ(lines[0].find(value), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("registers=11 "), std::string::npos) << lines[0];
}

// The old side is what the controller holds when the write starts, not what the window showed
// (a stale read, or a file loaded over it); a second write of the same value changes nothing
// and records nothing.
TEST_F(AuditTrail, TheOldSideIsWhatTheControllerHoldsNow) {
  controller.sites[2].regs[0x0073] = 0x0011;
  session->Images().SetWord(2, 0x0073, 0x0020);
  EditorsOnImage().Find("seLCompensation")->number = 0.5;
  session->WriteParameters(2);
  session->WriteParameters(2);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(" 0073:0011>0032 "), std::string::npos) << lines[0];
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(host.messages.back(), "nothing differs, nothing written");
}

// The controller refuses the second changed block: the write stops there, the first block is
// written back, and the trail records the first one as failed and rolled back, never the
// refused one; the next write still finds the controller's own word for it.
TEST_F(AuditTrail, ARefusedBlockIsNeitherRecordedNorTakenAsTheControllers) {
  auto& regs = controller.sites[2].regs;
  regs[0x0073] = 0x0011;
  regs[0x011A] = 1;
  bool refuse = true;  // the first write of 0x011A only; its rollback goes through
  controller.except = [&](const FakeRequest& r) {
    const bool now = refuse && r.function == 16 && r.address == 0x011A;
    refuse = refuse && !now;
    return now;
  };
  const SafeWriteResult refused = Write({{0x0073, 0x0032, false}, {0x011A, 3, false}});
  EXPECT_EQ(refused.end, SafeWriteEnd::WriteFailed);
  ASSERT_TRUE(refused.transfer.failed);
  EXPECT_EQ(refused.transfer.failed->block, (BlockSpan{0x011A, 1}));
  EXPECT_EQ(refused.transfer.failed->result.outcome, RequestOutcome::Exception);
  EXPECT_EQ(regs[0x0073], 0x0011);
  EXPECT_EQ(regs[0x011A], 1);

  EXPECT_EQ(Write({{0x0073, 0x0032, false}, {0x011A, 3, false}}).end, SafeWriteEnd::Written);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find(" 0073:0011>0032 "), std::string::npos) << lines[0];
  EXPECT_EQ(lines[0].find(" 011A:"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find(" failed, rolled back"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(" 0073:0011>0032 011A:0001>0003"), std::string::npos) << lines[1];
}

// Each kind of write goes out, then its line cannot be appended: told, and a failure (nothing
// records what changed), never a success.
TEST_F(AuditTrail, AFailedAppendIsReportedAndMakesTheWriteAFailure) {
  std::filesystem::create_directories(dataDir);
  std::ofstream(dataDir / "vorel") << "a file where the folder should be";
  SensorCurve curve{};
  const struct {
    const char* what;
    std::function<TransferResult()> write;
  } cases[] = {
      {"parameters",
       [&] {
         // The snapshot is saved; the trail's folder is gone by the time the block is sent.
         std::filesystem::remove(dataDir / "vorel");
         controller.sites[2].regs[0x0073] = 0x0011;
         controller.except = [&](const FakeRequest& r) {
           if (r.function == 16 && r.address == 0x0073) {
             std::filesystem::remove_all(dataDir / "vorel");
             std::ofstream(dataDir / "vorel") << "a file where the folder should be";
           }
           return false;
         };
         const SafeWriteResult result = Write({{0x0073, 0x0032, false}});
         controller.except = nullptr;
         return result.transfer;
       }},
      {"password",
       [&] {
         SafeWrite sequence(host, session->Images(), session->Link(), *session, *session,
                            session->Parameters());
         return sequence.ChangePassword(2, {}, "4321").transfer;
       }},
      {"curve", [&] { return session->Curves().Write(2, 0, curve); }},
      {"command", [&] { return session->Commands().Send(2, RemoteCommand::Mute); }},
  };
  for (const auto& c : cases) {
    session->Images().SetWord(2, 0x0004, kUnlockedMark);
    session->Images().SetWord(2, 0x0113, kModeOff);
    controller.requests.clear();
    host.messages.clear();
    const TransferResult result = c.write();
    std::size_t writes = 0;
    for (const FakeRequest& r : controller.requests) writes += r.function == 16;
    EXPECT_GE(writes, 1u) << c.what;
    EXPECT_EQ(result.status, TransferStatus::Failed) << c.what;
    EXPECT_TRUE(result.unrecorded) << c.what;
    EXPECT_FALSE(result.failed) << c.what << ": every block was answered";
    EXPECT_EQ(host.messages,
              std::vector<std::string>{"Unable to write to " + AuditLogPath().string() +
                                       ": Not a directory"})
        << c.what;
  }
}

// The monitor's commands are writes too: a mode with the mode before and after, an action with
// its word; a command the controller did not answer is recorded as failed.
TEST_F(AuditTrail, CommandsAreRecorded) {
  session->Images().SetWord(2, 0x0113, kModeAuto);
  ASSERT_TRUE(session->Commands().Send(2, RemoteCommand::Manual).Completed());
  ASSERT_TRUE(session->Commands().Send(2, RemoteCommand::Reset).Completed());
  controller.except = [](const FakeRequest& r) { return r.function == 16; };
  EXPECT_FALSE(session->Commands().Send(2, RemoteCommand::Mute).Completed());
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  char mode[48];
  EXPECT_NE(lines[0].find(" command port="), std::string::npos) << lines[0];
  std::snprintf(mode, sizeof mode, " registers=1 0113:%04X>%04X manual prev=", kModeAuto,
                kModeManu);
  EXPECT_NE(lines[0].find(mode), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(" registers=1 8010:0000>AA55 reset prev="), std::string::npos)
      << lines[1];
  EXPECT_NE(lines[2].find(" registers=0 mute failed prev="), std::string::npos) << lines[2];
}

}  // namespace
}  // namespace vorel::test

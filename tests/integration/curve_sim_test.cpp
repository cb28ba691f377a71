// The curve write against vorel-sim over a real pseudo-terminal: refused while locked; in AUTO
// it goes through the checked write (OFF for the write, AUTO again afterwards) and its words
// arrive in the simulator's registers.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>

#include "control/session.h"
#include "core/language.h"
#include "link/posix_serial_port.h"
#include "link/qt_event_pump.h"
#include "link/request_worker.h"
#include "support/pump_time.h"
#include "support/recording_windows.h"
#include "support/scripted_host.h"
#include "support/sim_process.h"
#include "support/sim_trace.h"

namespace vorel::test {
namespace {

class CurveSim : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home.isValid());
    ::setenv("XDG_DATA_HOME", home.path().toUtf8().constData(), 1);  // audit trail, snapshots
    SetLanguageSetting("english");
    trace = sim.File("trace");
    ASSERT_TRUE(sim.Start({"--site", "4", "--baud", "0", "--trace", QString::fromStdString(trace)}))
        << sim.error();
    session = std::make_unique<Session>(host, pump, view);
    session->SetWindowFactory(
        [](int, SiteCommands&) { return std::make_unique<RecordingWindow>(); });
    session->SetPortFactory([] { return std::make_unique<PosixSerialPort>(); });
    PortSettings settings;
    settings.name = sim.LinkPath();
    std::string error;
    ASSERT_TRUE(session->Connector().OpenPort(settings, &error)) << error;
    std::array<bool, kSiteCount> selected{};
    selected[3] = true;
    session->Connector().ConnectSites(selected);
    ASSERT_TRUE(session->IsOnline(4));
  }
  void TearDown() override {
    session.reset();
    sim.Stop();
    SetLanguageSetting("chinese");
  }
  // Function-16 requests the simulator has received.
  int WritesReceived() const {
    int n = 0;
    for (const TraceRequest& r : TraceRequests(trace)) n += r.function == 16 ? 1 : 0;
    return n;
  }
  // Registers 0x0129 to 0x0167 read again from the simulator into a cleared image.
  void ReadBack() {
    for (int a = 0x0129; a <= 0x0167; ++a) session->Images().SetWord(4, a, 0);
    session->Poll().WaitForLinkOrStoppedPoll();
    session->Poll().StopPolling();
    PlainRead(session->Link(), 4, {0x0129, 0x0167 - 0x0129 + 1, 0, {}}).WaitFor();
    EXPECT_TRUE(session->Link().WaitForReply(4));
    session->Poll().StartPolling();
  }
  void SetMode(std::uint16_t mode) {
    session->Poll().StopPolling();
    ASSERT_TRUE(session->WriteBlock(4, reg::kOperatingMode.address, {&mode, 1}));
    session->Poll().StartPolling();
    ASSERT_TRUE(RunUntil(
        pump, [&] { return session->Images().Word(4, 0x0113) == mode; }, 3000));
  }

  QTemporaryDir home;
  SimProcess sim{VOREL_SIM_PATH};
  std::string trace;
  QtEventPump pump;
  ScriptedHost host;
  RecordingView view;
  std::unique_ptr<Session> session;
};

TEST_F(CurveSim, RefusedWhileLockedOrInAutoThenWrittenIntoTheController) {
  SensorCurve curve{};
  for (int k = 0; k < kCurvePoints; ++k) {
    curve[static_cast<std::size_t>(k)] = {static_cast<std::int16_t>(k < 7 ? 15 * k + 10 : -1),
                                          static_cast<std::int16_t>(100 - 12 * k)};
  }
  const int before = WritesReceived();
  EXPECT_EQ(session->WriteCurve(4, 1, curve), CurveWriteResult::Refused);
  EXPECT_EQ(host.messages.back(), "Please unlock the write protection!");

  session->UnlockParameters(4, "1234");
  ASSERT_TRUE(RunUntil(
      pump, [&] { return session->Images().Word(4, 0x0004) == kUnlockedMark; }, 3000));
  EXPECT_EQ(WritesReceived(), before + 2);  // the unlock's mode and password only
  SetMode(kModeAuto);
  const std::uint16_t oldType = session->Images().Word(4, 0x012A);
  EXPECT_EQ(session->WriteCurve(4, 1, curve), CurveWriteResult::Written);
  EXPECT_EQ(session->Images().Word(4, 0x0113), kModeAuto);
  ReadBack();
  EXPECT_EQ(CurveFromImage(session->Images(), 4, 1), curve);
  EXPECT_EQ(session->Images().Word(4, 0x012A), (oldType & 0x03FF) | 0x0C00);
  EXPECT_NE(CurveFromImage(session->Images(), 4, 0), curve);  // the other channels stay
  EXPECT_TRUE(session->Poll().PollTimerRunning());
}

}  // namespace
}  // namespace vorel::test

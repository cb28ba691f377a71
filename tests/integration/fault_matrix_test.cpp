// The fault matrix: every reply fault vorel-sim can inject, aimed at exactly one request of every
// operation that talks to a controller, run through the real control layer on a real
// pseudo-terminal (vorel-cli for the backup). Each row states what the user is told, the site's
// state afterwards, whether the site is polled again, and that nothing was left half-changed;
// the run also checks that the operation neither hangs nor crashes. The table of expected and
// observed outcomes is printed at the end of the run.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "control/session.h"
#include "core/language.h"
#include "core/register_table.h"
#include "core/remote_commands.h"
#include "core/sensor_curve.h"
#include "link/posix_serial_port.h"
#include "link/qt_event_pump.h"
#include "link/request_worker.h"
#include "support/pump_time.h"
#include "support/recording_windows.h"
#include "support/scripted_host.h"
#include "support/sim_process.h"
#include "support/sim_trace.h"
#include "support/temp_files.h"

namespace vorel::test {
namespace {

enum class Operation {
  Identify,
  Poll,
  ReadParameters,
  WriteParameters,
  ReadEventLog,
  Command,
  CurveWrite,
  CliBackup,
  CliMonitor
};

// The last four are damaged replies with a correct CRC: half the data, no data, a descriptor
// of count 0, a descriptor that points past its VALUE block.
enum class Fault {
  NoReply,
  Crc,
  Exception,
  Pieces,
  Extra,
  Address,
  LateInTime,
  Late,
  Truncated,
  Short,
  Empty,
  ZeroCount,
  OffsetPast
};

bool IsDamage(Fault f) {
  return f == Fault::Short || f == Fault::Empty || f == Fault::ZeroCount || f == Fault::OffsetPast;
}

const char* NameOf(Operation op) {
  switch (op) {
    case Operation::Identify:
      return "Identify";
    case Operation::Poll:
      return "Poll";
    case Operation::ReadParameters:
      return "ReadParameters";
    case Operation::WriteParameters:
      return "WriteParameters";
    case Operation::ReadEventLog:
      return "ReadEventLog";
    case Operation::Command:
      return "Command";
    case Operation::CurveWrite:
      return "CurveWrite";
    case Operation::CliBackup:
      return "CliBackup";
    case Operation::CliMonitor:
      return "CliMonitor";
  }
  return "?";
}

const char* NameOf(Fault f) {
  switch (f) {
    case Fault::NoReply:
      return "NoReply";
    case Fault::Crc:
      return "Crc";
    case Fault::Exception:
      return "Exception";
    case Fault::Pieces:
      return "Pieces";
    case Fault::Extra:
      return "Extra";
    case Fault::Address:
      return "Address";
    case Fault::LateInTime:
      return "LateInTime";
    case Fault::Late:
      return "Late";
    case Fault::Truncated:
      return "Truncated";
    case Fault::Short:
      return "Short";
    case Fault::Empty:
      return "Empty";
    case Fault::ZeroCount:
      return "ZeroCount";
    case Fault::OffsetPast:
      return "OffsetPast";
  }
  return "?";
}

// The simulator options of a fault (the aim is added per operation).
QStringList FaultOptions(Fault f) {
  switch (f) {
    case Fault::NoReply:
      return {"--fault-noreply", "1"};
    case Fault::Crc:
      return {"--fault-crc", "1"};
    case Fault::Exception:
      return {"--fault-exception", "1"};
    case Fault::Pieces:
      return {"--fault-pieces", "1"};
    case Fault::Extra:
      return {"--fault-extra", "1"};
    case Fault::Address:
      return {"--fault-address", "1"};
    case Fault::LateInTime:
      return {"--fault-late", "1", "--delay", "800"};
    case Fault::Late:
      return {"--fault-late", "1", "--delay", "2500"};
    case Fault::Truncated:
      return {"--fault-truncated", "1"};
    // A damage names its register itself: the aim follows the option.
    case Fault::Short:
      return {"--fault-short"};
    case Fault::Empty:
      return {"--fault-empty"};
    case Fault::ZeroCount:
      return {"--fault-zero-count"};
    case Fault::OffsetPast:
      return {"--fault-offset-past"};
  }
  return {};
}

// The register whose read a damage hits (first), and which read of it.
QStringList DamageAim(Operation op, Fault fault) {
  const bool table = fault == Fault::ZeroCount || fault == Fault::OffsetPast;
  switch (op) {
    // The identification block, or the descriptor table the identification reads (the offset
    // past the live-value block shows when the values are read).
    case Operation::Identify:
      return {fault == Fault::ZeroCount    ? "0x8052"
              : fault == Fault::OffsetPast ? "0x8053"
                                           : "0x0169"};
    case Operation::Poll:
    case Operation::CliMonitor:
      return {"0x804F", "--fault-after", "1"};
    case Operation::ReadParameters:
      return {"0x8046", "--fault-after", "1"};
    case Operation::ReadEventLog:
      return {"0x0280"};
    // The parameter groups after the identification read them once; a damaged descriptor
    // table fails the identification that comes first.
    case Operation::CliBackup:
      if (table) return {"0x8052"};
      return {fault == Fault::Empty ? "0x804D" : "0x8046", "--fault-after", "1"};
    case Operation::WriteParameters:
    case Operation::Command:
    case Operation::CurveWrite:
      break;
  }
  return {};
}

// Which single request of the operation gets the fault.
QStringList AimAt(Operation op, Fault fault) {
  if (IsDamage(fault)) return DamageAim(op, fault);
  switch (op) {
    // The first identification read.
    case Operation::Identify:
      return {"--fault-register", "0x0169"};
    // The first poll (the identification reads the live values once).
    case Operation::Poll:
      return {"--fault-register", "0x804F", "--fault-after", "1"};
    // The third parameter group (the identification read it once).
    case Operation::ReadParameters:
    case Operation::CliBackup:
      return {"--fault-register", "0x8046", "--fault-after", "1"};
    // The third write of the parameter write (the unlock makes two before it; the write finds
    // the set unlocked and in mode OFF and sends only the edited registers).
    case Operation::WriteParameters:
      return {"--fault-function", "16", "--fault-after", "4"};
    // The third of the 56 blocks.
    case Operation::ReadEventLog:
      return {"--fault-register", "0x0280"};
    case Operation::Command:
      return {"--fault-function", "16"};
    // The resistances, the second of the three writes (the unlock makes two before them). A
    // reply past its allowance hits the values, the last write: aimed at the resistances it
    // would land while the values' write waits for its own reply, and whether the two come in
    // one read or two decides between a second timeout and the stale echo taken as the
    // answer (a late reply is not told apart from the next one).
    case Operation::CurveWrite:
      return {"--fault-function", "16", "--fault-after", fault == Fault::Late ? "4" : "3"};
    case Operation::CliMonitor:
      return {"--fault-register", "0x804F", "--fault-after", "1"};
  }
  return {};
}

constexpr const char* kTimeout = "Communication timeout!";
constexpr const char* kCrc = "CRC error!";
// The simulator refuses with code 04.
constexpr const char* kException =
    "Exception response! (code 04: the controller refused the request)";
constexpr const char* kIncomplete = "Incomplete reply from site 1.";
// vorel-cli says it once from the link and once as the reason the site failed.
constexpr const char* kCliIncomplete =
    "Incomplete reply from site 1. / Address 1: Incomplete reply from site 1.";
// The texts of the poll's Retry/Cancel box ("Communication error").
constexpr const char* kPollCrc = "CRC error";

// A failed curve write: the link's message, then the blocks written back from the snapshot.
std::string CurveRolledBack(const char* linkMessage) {
  return std::string(linkMessage) +
         " / 0x0129+1 restored from the snapshot\n0x014A+10 restored from the snapshot\n"
         "0x012C+10 restored from the snapshot\nthe write failed";
}

// A failed parameter write: the link's message, then the blocks written back from the snapshot.
std::string ParametersRolledBack(const char* linkMessage) {
  return std::string(linkMessage) +
         " / 0x0073+1 restored from the snapshot\n0x0075+1 restored from the snapshot\n"
         "0x011A+1 restored from the snapshot\nthe write failed";
}

// What a row expects. `message`: every message and Retry/Cancel text the user is shown, joined
// by " / " ("" none). `state`: the site afterwards (online window and communication state; for
// vorel-cli its exit code). `polled`: the site is polled again afterwards. Whether nothing was
// left half-changed is checked by every row (the check depends on the operation).
struct Row {
  Operation op;
  Fault fault;
  std::string message;
  const char* state;
  bool polled;
};

std::string RowName(const Row& r) {
  return std::string(NameOf(r.op)) + "_" + NameOf(r.fault);
}

void PrintTo(const Row& r, std::ostream* os) {
  *os << RowName(r);
}

// A reply that is never completed (no reply, cut short, from another address, late past the
// allowance, or with a byte too many while the collection waits for the exact length) ends by
// the timeout; a CRC error and an exception are told as such; a reply in pieces or late within
// the allowance is taken. A failed request leaves the site at 299, which the poller skips until
// a request for it succeeds; a failed curve or parameter write writes the blocks it sent back
// from the snapshot and names them, and the last (answered) one leaves the site polled. vorel-cli
// completes a reply as soon as its last byte is there, so the extra byte does not stop it.
// clang-format off
const std::vector<Row> kRows = {
    {Operation::Identify,        Fault::NoReply,    kTimeout,     "offline 299", false},
    {Operation::Identify,        Fault::Crc,        kCrc,         "offline 299", false},
    {Operation::Identify,        Fault::Exception,  kException,   "offline 299", false},
    {Operation::Identify,        Fault::Pieces,     "",           "online 300",  true},
    {Operation::Identify,        Fault::Extra,      kTimeout,     "offline 299", false},
    {Operation::Identify,        Fault::Address,    kTimeout,     "offline 299", false},
    {Operation::Identify,        Fault::LateInTime, "",           "online 300",  true},
    {Operation::Identify,        Fault::Late,       kTimeout,     "offline 299", false},
    {Operation::Identify,        Fault::Truncated,  kTimeout,     "offline 299", false},
    {Operation::Poll,            Fault::NoReply,    kTimeout,     "online 300",  true},
    {Operation::Poll,            Fault::Crc,        kPollCrc,     "online 300",  true},
    {Operation::Poll,            Fault::Exception,  kException,   "online 300",  true},
    {Operation::Poll,            Fault::Pieces,     "",           "online 300",  true},
    {Operation::Poll,            Fault::Extra,      kTimeout,     "online 300",  true},
    {Operation::Poll,            Fault::Address,    kTimeout,     "online 300",  true},
    {Operation::Poll,            Fault::LateInTime, "",           "online 300",  true},
    {Operation::Poll,            Fault::Late,       kTimeout,     "online 300",  true},
    {Operation::Poll,            Fault::Truncated,  kTimeout,     "online 300",  true},
    {Operation::ReadParameters,  Fault::NoReply,    kTimeout,     "online 299",  false},
    {Operation::ReadParameters,  Fault::Crc,        kCrc,         "online 299",  false},
    {Operation::ReadParameters,  Fault::Exception,  kException,   "online 299",  false},
    {Operation::ReadParameters,  Fault::Pieces,     "",           "online 300",  true},
    {Operation::ReadParameters,  Fault::Extra,      kTimeout,     "online 299",  false},
    {Operation::ReadParameters,  Fault::Address,    kTimeout,     "online 299",  false},
    {Operation::ReadParameters,  Fault::LateInTime, "",           "online 300",  true},
    {Operation::ReadParameters,  Fault::Late,       kTimeout,     "online 299",  false},
    {Operation::ReadParameters,  Fault::Truncated,  kTimeout,     "online 299",  false},
    {Operation::WriteParameters, Fault::NoReply,    ParametersRolledBack(kTimeout), "online 300",  true},
    {Operation::WriteParameters, Fault::Crc,        ParametersRolledBack(kCrc), "online 300",  true},
    {Operation::WriteParameters, Fault::Exception,  ParametersRolledBack(kException), "online 300",  true},
    {Operation::WriteParameters, Fault::Pieces,     "",           "online 300",  true},
    {Operation::WriteParameters, Fault::Extra,      ParametersRolledBack(kTimeout), "online 300",  true},
    {Operation::WriteParameters, Fault::Address,    ParametersRolledBack(kTimeout), "online 300",  true},
    {Operation::WriteParameters, Fault::LateInTime, "",           "online 300",  true},
    {Operation::WriteParameters, Fault::Late,       ParametersRolledBack(kTimeout), "online 300",  true},
    {Operation::WriteParameters, Fault::Truncated,  ParametersRolledBack(kTimeout), "online 300",  true},
    {Operation::ReadEventLog,    Fault::NoReply,    kTimeout,     "online 299",  false},
    {Operation::ReadEventLog,    Fault::Crc,        kCrc,         "online 299",  false},
    {Operation::ReadEventLog,    Fault::Exception,  kException,   "online 299",  false},
    {Operation::ReadEventLog,    Fault::Pieces,     "",           "online 300",  true},
    {Operation::ReadEventLog,    Fault::Extra,      kTimeout,     "online 299",  false},
    {Operation::ReadEventLog,    Fault::Address,    kTimeout,     "online 299",  false},
    {Operation::ReadEventLog,    Fault::LateInTime, "",           "online 300",  true},
    {Operation::ReadEventLog,    Fault::Late,       kTimeout,     "online 299",  false},
    {Operation::ReadEventLog,    Fault::Truncated,  kTimeout,     "online 299",  false},
    {Operation::Command,         Fault::NoReply,    kTimeout,     "online 299",  false},
    {Operation::Command,         Fault::Crc,        kCrc,         "online 299",  false},
    {Operation::Command,         Fault::Exception,  kException,   "online 299",  false},
    {Operation::Command,         Fault::Pieces,     "",           "online 300",  true},
    {Operation::Command,         Fault::Extra,      kTimeout,     "online 299",  false},
    {Operation::Command,         Fault::Address,    kTimeout,     "online 299",  false},
    {Operation::Command,         Fault::LateInTime, "",           "online 300",  true},
    {Operation::Command,         Fault::Late,       kTimeout,     "online 299",  false},
    {Operation::Command,         Fault::Truncated,  kTimeout,     "online 299",  false},
    {Operation::CurveWrite,      Fault::NoReply,    CurveRolledBack(kTimeout), "online 300",  true},
    {Operation::CurveWrite,      Fault::Crc,        CurveRolledBack(kCrc), "online 300",  true},
    {Operation::CurveWrite,      Fault::Exception,  CurveRolledBack(kException), "online 300",  true},
    {Operation::CurveWrite,      Fault::Pieces,     "",           "online 300",  true},
    {Operation::CurveWrite,      Fault::Extra,      CurveRolledBack(kTimeout), "online 300",  true},
    {Operation::CurveWrite,      Fault::Address,    CurveRolledBack(kTimeout), "online 300",  true},
    {Operation::CurveWrite,      Fault::LateInTime, "",           "online 300",  true},
    {Operation::CurveWrite,      Fault::Late,       CurveRolledBack(kTimeout), "online 300",  true},
    {Operation::CurveWrite,      Fault::Truncated,  CurveRolledBack(kTimeout), "online 300",  true},
    {Operation::CliBackup,       Fault::NoReply,    kTimeout,     "exit 1",      false},
    {Operation::CliBackup,       Fault::Crc,        kCrc,         "exit 1",      false},
    {Operation::CliBackup,       Fault::Exception,  kException,   "exit 1",      false},
    {Operation::CliBackup,       Fault::Pieces,     "",           "exit 0",      false},
    {Operation::CliBackup,       Fault::Extra,      "",           "exit 0",      false},
    {Operation::CliBackup,       Fault::Address,    kTimeout,     "exit 1",      false},
    {Operation::CliBackup,       Fault::LateInTime, "",           "exit 0",      false},
    {Operation::CliBackup,       Fault::Late,       kTimeout,     "exit 1",      false},
    {Operation::CliBackup,       Fault::Truncated,  kTimeout,     "exit 1",      false},
    // A damaged reply with a correct CRC fails the read that gets it, like a reply that never
    // came, and nothing of it is stored, shown or saved.
    {Operation::Identify,        Fault::Short,      kIncomplete,  "offline 299", false},
    {Operation::Identify,        Fault::Empty,      kIncomplete,  "offline 299", false},
    {Operation::Identify,        Fault::ZeroCount,  kIncomplete,  "offline 299", false},
    {Operation::Identify,        Fault::OffsetPast, kIncomplete,  "offline 299", false},
    {Operation::Poll,            Fault::Short,      kIncomplete,  "online 300",  true},
    {Operation::Poll,            Fault::Empty,      kIncomplete,  "online 300",  true},
    {Operation::ReadParameters,  Fault::Short,      kIncomplete,  "online 299",  false},
    {Operation::ReadParameters,  Fault::Empty,      kIncomplete,  "online 299",  false},
    {Operation::ReadEventLog,    Fault::Short,      kIncomplete,  "online 299",  false},
    {Operation::ReadEventLog,    Fault::Empty,      kIncomplete,  "online 299",  false},
    {Operation::CliBackup,       Fault::Short,      kIncomplete,  "exit 1",      false},
    {Operation::CliBackup,       Fault::Empty,      kIncomplete,  "exit 1",      false},
    {Operation::CliBackup,       Fault::ZeroCount,  kCliIncomplete, "exit 1",    false},
    {Operation::CliBackup,       Fault::OffsetPast, kCliIncomplete, "exit 1",    false},
    {Operation::CliMonitor,      Fault::Short,      kIncomplete,  "exit 1",      false},
    {Operation::CliMonitor,      Fault::Empty,      kIncomplete,  "exit 1",      false},
};
// clang-format on

// One printed line of the table.
struct Outcome {
  std::string fault, operation, expected, observed;
  double seconds = 0;
  bool pass = false;
};

std::vector<Outcome>& Outcomes() {
  static std::vector<Outcome> outcomes;
  return outcomes;
}

class MatrixPrinter : public ::testing::Environment {
 public:
  void TearDown() override {
    if (Outcomes().empty()) return;
    std::printf("\n%-10s | %-15s | %-52s | %-52s | %5s | %s\n", "fault", "operation", "expected",
                "observed", "s", "pass");
    std::printf("%s\n", std::string(152, '-').c_str());
    for (const Outcome& o : Outcomes()) {
      std::printf("%-10s | %-15s | %-52s | %-52s | %5.1f | %s\n", o.fault.c_str(),
                  o.operation.c_str(), o.expected.c_str(), o.observed.c_str(), o.seconds,
                  o.pass ? "yes" : "NO");
    }
    std::fflush(stdout);
  }
};

[[maybe_unused]] ::testing::Environment* const kPrinter =
    ::testing::AddGlobalTestEnvironment(new MatrixPrinter);

// How long an operation may take at most before it counts as hung (the event log reads 56
// blocks, each with its pauses; a timeout costs two seconds).
int AllowedSeconds(Operation op) {
  return op == Operation::ReadEventLog || op == Operation::CliBackup ? 25 : 12;
}

class FaultMatrix : public ::testing::TestWithParam<Row> {
 protected:
  void SetUp() override {
    SetLanguageSetting("english");
    // The audit trail of the writes goes into a folder of the test's own.
    if (const char* old = std::getenv("XDG_DATA_HOME")) oldDataHome = old;
    setenv("XDG_DATA_HOME", data.path().c_str(), 1);
  }
  void TearDown() override {
    session.reset();
    // The simulator survived every fault it injected.
    if (sim) {
      EXPECT_EQ(sim->Stop(), 0) << sim->StandardError().toStdString();
    }
    if (oldDataHome) {
      setenv("XDG_DATA_HOME", oldDataHome->c_str(), 1);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
    SetLanguageSetting("chinese");
  }

  void StartSim(const Row& row) {
    sim = std::make_unique<SimProcess>(VOREL_SIM_PATH);
    trace = sim->File("trace");
    QStringList arguments = FaultOptions(row.fault);
    arguments << AimAt(row.op, row.fault) << "--fault-count"
              << "1"
              << "--baud"
              << "0"
              << "--trace" << QString::fromStdString(trace);
    ASSERT_TRUE(sim->Start(arguments)) << sim->error();
  }

  void OpenSession() {
    session = std::make_unique<Session>(host, pump, view);
    session->SetWindowFactory([this](int, SiteCommands&) {
      auto w = std::make_unique<RecordingWindow>();
      window = w.get();
      return w;
    });
    session->SetPortFactory([] { return std::make_unique<PosixSerialPort>(); });
    PortSettings settings;
    settings.name = sim->LinkPath();
    std::string error;
    ASSERT_TRUE(session->Connector().OpenPort(settings, &error)) << error;
  }

  void Connect() {
    std::array<bool, kSiteCount> selected{};
    selected[0] = true;
    session->Connector().ConnectSites(selected);
  }

  std::vector<std::uint16_t> Addresses(std::size_t from, int function) const {
    std::vector<std::uint16_t> out;
    const auto all = TraceRequests(trace);
    for (std::size_t i = from; i < all.size(); ++i)
      if (all[i].function == function) out.push_back(all[i].address);
    return out;
  }
  bool Asked(std::size_t from, std::uint16_t address) const {
    const auto reads = Addresses(from, 3);
    return std::find(reads.begin(), reads.end(), address) != reads.end();
  }

  // Whether site 1 is polled within the next 1.2 s (a sweep of 33 idle steps takes 0.7 s).
  bool PolledAfterwards() {
    const std::size_t from = TraceRequests(trace).size();
    RunUntil(
        pump, [&] { return Asked(from, reg::kLiveValues.address); }, 1200);
    RunUntil(
        pump, [&] { return session->Link().LinkIdle(); }, 500);  // its reply collected
    return session->Poll().PollTimerRunning() && Asked(from, reg::kLiveValues.address);
  }

  // The rows of the other operations bring the site online with the identification's reads
  // and window, without its two-second pause before the live-value layout (which the rows of
  // the identification itself keep): it is the same for every row and would double the
  // matrix's time.
  bool QuickIdentify(int n) {
    Session& s = *session;
    if (!s.ReadBlock<PlainRead>(n, reg::kIdentification) ||
        !s.ReadBlock<PlainRead>(n, reg::kSerialNumber) ||
        !s.ReadBlock<ValueConfigRead>(n, reg::kLiveConfig) ||
        !s.ReadBlock<ValueRead>(n, reg::kLiveValues))
      return false;
    for (const RegisterBlock& block :
         {reg::kParamConfig1, reg::kParamConfig2, reg::kParamConfig3, reg::kParamConfig4})
      if (!s.ReadBlock<ParameterConfigRead>(n, block)) return false;
    for (const RegisterBlock& block :
         {reg::kParamValues1, reg::kParamValues2, reg::kParamValues3, reg::kParamValues4})
      if (!s.ReadBlock<ParameterRead>(n, block)) return false;
    s.SetWindow(n, s.MakeWindow(n), kWindowOnline);
    s.ShowSiteCaption(n);
    if (SiteWindow* w = s.Window(n)) w->SetUpWindow();
    return true;
  }

  // Every message and Retry/Cancel text shown, in order.
  std::string Shown() const {
    std::string out;
    auto add = [&](const std::string& text) { out += (out.empty() ? "" : " / ") + text; };
    for (const std::string& m : host.messages) add(m);
    for (const auto& q : host.questions)
      if (q.caption == "Communication error") add(q.text);
    return out;
  }

  std::string SiteState() const {
    return std::string(session->IsOnline(1) ? "online " : "offline ") +
           std::to_string(session->Link().CommState(1));
  }

  // The words of every parameter of site 1, as the image holds them.
  std::vector<std::uint16_t> ParameterWords() const {
    std::vector<std::uint16_t> out;
    for (const auto& d : session->Images().ParameterDescriptors(1, reg::kParamConfig1))
      for (int k = 0; k < d.count; ++k)
        out.push_back(session->Images().Word(1, static_cast<std::uint16_t>(d.address + k)));
    return out;
  }

  // Channel 1's sensor type word, resistances and values, as the image holds them.
  std::vector<std::uint16_t> CurveWords() const {
    std::vector<std::uint16_t> out{session->Images().Word(1, reg::kAnalogueProperty2.address)};
    for (int k = 0; k < kCurvePoints; ++k) {
      out.push_back(session->Images().Word(1, CurveResistanceAddress(0) + k));
      out.push_back(session->Images().Word(1, CurveValueAddress(0) + k));
    }
    return out;
  }

  // The words the controller holds at `regs` after the writes the simulator received from
  // trace line `fromLine` on (it stores every write, whatever the fault does to its reply);
  // `words` is what they held before.
  std::vector<std::uint16_t> StoredWords(std::size_t fromLine, const std::vector<int>& regs,
                                         std::vector<std::uint16_t> words) const {
    const auto lines = ReadTrace(trace);
    for (std::size_t i = fromLine; i < lines.size(); ++i) {
      const std::vector<std::uint8_t>& b = lines[i].bytes;
      if (lines[i].direction != "RX" || b.size() < 9 || b[0] != 1 || b[1] != 16) continue;
      const int address = b[2] << 8 | b[3];
      const int count = b[4] << 8 | b[5];
      if (b.size() < static_cast<std::size_t>(9 + 2 * count)) continue;
      for (std::size_t k = 0; k < regs.size(); ++k) {
        if (regs[k] < address || regs[k] >= address + count) continue;
        const auto at = static_cast<std::size_t>(7 + 2 * (regs[k] - address));
        words[k] = static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
      }
    }
    return words;
  }
  std::uint16_t StoredWord(std::size_t fromLine, std::uint16_t reg, std::uint16_t word) const {
    return StoredWords(fromLine, {reg}, {word})[0];
  }
  // The curve's words in the order of `curveBefore`: the channel's property word, then each
  // point's resistance and value.
  std::vector<std::uint16_t> StoredCurveWords(std::size_t fromLine,
                                              std::vector<std::uint16_t> words) const {
    std::vector<int> regs{reg::kAnalogueProperty2.address};
    for (int k = 0; k < kCurvePoints; ++k) {
      regs.push_back(CurveResistanceAddress(0) + k);
      regs.push_back(CurveValueAddress(0) + k);
    }
    return StoredWords(fromLine, regs, std::move(words));
  }

  void Unlock() {
    session->UnlockParameters(1, "1234");
    ASSERT_TRUE(RunUntil(
        pump,
        [&] {
          return session->Images().Word(1, reg::kProtection.address) == kUnlockedMark &&
                 session->Images().Word(1, reg::kOperatingMode.address) == kModeOff;
        },
        4000));
  }

  // Runs the row's operation; fills the observed outcome and `kept` (nothing half-changed).
  void RunOperation(const Row& row);
  void RunBackup(const Row& row);
  void RunMonitor(const Row& row);
  // vorel-cli with the test's own settings; its exit code, standard output and error.
  bool RunCli(const Row& row, const QStringList& arguments, int* code, std::string* out,
              std::string* err);

  QtEventPump pump;
  ScriptedHost host;
  RecordingView view;
  RecordingWindow* window = nullptr;
  TempDir data{"vorel-matrix"};
  std::optional<std::string> oldDataHome;
  std::unique_ptr<SimProcess> sim;
  std::unique_ptr<Session> session;
  std::string trace;

  std::string message;
  std::string state;
  bool polled = false;
  bool kept = false;
  std::string keptDetail;  // what was found half-changed
};

void FaultMatrix::RunOperation(const Row& row) {
  // A parameter write that fails is rolled back and leaves the site online: it succeeded when
  // nothing was told.
  const bool succeeded = row.op == Operation::WriteParameters
                             ? row.message.empty()
                             : std::string(row.state).ends_with("300");
  if (row.op == Operation::Identify) {
    Connect();
    message = Shown();
    state = SiteState();
    polled = PolledAfterwards();
    // A failed site leaves no window and, with no other site, no open port; the main window is
    // usable again either way.
    kept = view.enabled && view.toolButtons == !session->PortOpen() &&
           (succeeded ? window != nullptr && session->PortOpen()
                      : window == nullptr && !session->PortOpen() &&
                            std::count(view.status.begin(), view.status.end(),
                                       "Adress1Connect fail!") == 1 &&
                            view.status.back() == "disconnected.");
    return;
  }

  session->Connector().SetIdentifier([this](int n) { return QuickIdentify(n); });
  Connect();
  ASSERT_TRUE(session->IsOnline(1)) << Shown();
  ASSERT_NE(window, nullptr);
  if (row.op == Operation::WriteParameters || row.op == Operation::CurveWrite) Unlock();
  host.messages.clear();
  host.questions.clear();
  host.progress.clear();
  window->calls.clear();
  const std::vector<std::uint16_t> parametersBefore = ParameterWords();
  const std::size_t from = TraceRequests(trace).size();

  switch (row.op) {
    case Operation::Identify:
    case Operation::CliBackup:
    case Operation::CliMonitor:
      break;
    case Operation::Poll: {
      host.defaultAnswer = Answer::Retry;
      // Until the faulted poll has failed or the poll after it has gone out.
      RunUntil(
          pump,
          [&] {
            const auto reads = Addresses(from, 3);
            return !host.questions.empty() ||
                   std::count(reads.begin(), reads.end(), reg::kLiveValues.address) >= 2;
          },
          3000);
      polled = PolledAfterwards();
      message = Shown();
      state = SiteState();
      kept = ParameterWords() == parametersBefore &&
             (host.questions.empty() || host.questions.front().site == 1);
      return;
    }
    case Operation::ReadParameters: {
      session->ReadParameters(1);
      message = Shown();
      state = SiteState();
      // A failed read stops at the failed group: the fourth is not asked for, the progress
      // stops at 50; the pages are loaded from the image either way.
      const bool loaded =
          std::count(window->calls.begin(), window->calls.end(), "LoadAllPages") == 1;
      kept = loaded && ParameterWords() == parametersBefore &&
             (succeeded ? host.progress == std::vector<int>{25, 50, 75, 100, 0}
                        : host.progress == std::vector<int>{25, 50, 0} &&
                              !Asked(from, reg::kParamValues4.address));
      break;
    }
    case Operation::WriteParameters: {
      // Three edited registers, one in each of the write's first three steps; the fault hits
      // the third.
      constexpr std::uint16_t kEdited[] = {0x0073, 0x0075, 0x011A};
      constexpr std::uint16_t kNew[] = {50, 12, 3};
      window->modelImages = &session->Images();
      window->site = 1;
      window->LoadAllPages();
      window->editors.Find("seLCompensation")->number = 0.5;
      window->editors.Find("seDCDrop")->number = 1.2;
      window->editors.Find("seRPMRate")->number = 3;
      window->calls.clear();
      const std::size_t fromLine = ReadTrace(trace).size();
      host.answers = {Answer::No};
      session->WriteParameters(1);
      message = Shown();
      state = SiteState();
      const auto writes = Addresses(from, 16);
      const bool asked =
          !host.questions.empty() && host.questions.back().text == "Modify sensor chart?";
      // A written one stores the three and asks the curve question. A failed one sends
      // nothing after the failed request but the blocks before it and the failed one itself,
      // written back from the snapshot (a block whose answer a late reply took is sent once
      // more), and asks nothing: the controller and the image hold what they held.
      bool stored =
          writes.size() >= 3 && std::equal(std::begin(kEdited), std::end(kEdited), writes.begin());
      for (std::size_t k = 0; k < std::size(kEdited); ++k) {
        const std::uint16_t image = session->Images().Word(1, kEdited[k]);
        const std::uint16_t held = StoredWord(fromLine, kEdited[k], image);
        stored = stored && held == image && (succeeded ? held == kNew[k] : held != kNew[k]);
      }
      kept = stored && asked == succeeded && ParameterWords() == parametersBefore &&
             (succeeded ? writes.size() == 3
                        : std::all_of(writes.begin(), writes.end(), [&](std::uint16_t a) {
                            return a == 0x0073 || a == 0x0075 || a == 0x011A;
                          }));
      break;
    }
    case Operation::ReadEventLog: {
      const bool complete = session->EventLog().Read(1).Completed();
      message = Shown();
      state = SiteState();
      // Only a complete read shows the log as complete (Save enabled); a failed one stops at
      // the failed block; the grid is redrawn from the image in both cases.
      const bool shown =
          std::count(window->calls.begin(), window->calls.end(), "ShowEventLogComplete") == 1;
      const bool refilled =
          std::count(window->calls.begin(), window->calls.end(), "RefillEventLog") == 1;
      kept = refilled && ParameterWords() == parametersBefore && complete == succeeded &&
             shown == succeeded &&
             (succeeded || (!Asked(from, 0x02C0) && host.progress.size() >= 2 &&
                            host.progress[host.progress.size() - 2] == 3 * 100 / 56));
      break;
    }
    case Operation::Command: {
      const std::uint16_t modeBefore = session->Images().Word(1, reg::kOperatingMode.address);
      const bool ok = session->Commands().Send(1, RemoteCommand::Manual).Completed();
      message = Shown();
      state = SiteState();
      // A lost or refused mode command does not show as taken.
      const std::uint16_t modeAfter = session->Images().Word(1, reg::kOperatingMode.address);
      kept = ok == succeeded && (succeeded ? modeAfter == InfoOf(RemoteCommand::Manual).value
                                           : modeAfter == modeBefore);
      break;
    }
    case Operation::CurveWrite: {
      SensorCurve curve{};
      for (int k = 0; k < kCurvePoints; ++k)
        curve[static_cast<std::size_t>(k)] = {static_cast<std::int16_t>(k < 7 ? 15 * k + 10 : -1),
                                              static_cast<std::int16_t>(100 - 12 * k)};
      const std::vector<std::uint16_t> curveBefore = CurveWords();
      const std::size_t fromLine = ReadTrace(trace).size();
      const CurveWriteResult result = session->WriteCurve(1, 0, curve);
      message = Shown();
      state = SiteState();
      // The three blocks (sensor type, resistances, values) are sent whatever fails; only a
      // fully answered write is "Written". A failed one writes the three back from the
      // snapshot, so that the controller and the image hold the curve as it was (a block whose
      // answer a late reply took is sent once more, so there may be more than six writes).
      const bool clean = row.message.empty();
      const std::vector<std::uint16_t> curveAfter = CurveWords();
      const std::vector<std::uint16_t> stored = StoredCurveWords(fromLine, curveBefore);
      kept = result == (clean ? CurveWriteResult::Written : CurveWriteResult::Failed) &&
             (clean ? Addresses(from, 16).size() == 3 &&
                          CurveFromImage(session->Images(), 1, 0) == curve &&
                          stored == curveAfter && curveAfter != curveBefore
                    : Addresses(from, 16).size() >= 6 && curveAfter == curveBefore &&
                          stored == curveBefore);
      break;
    }
  }
  polled = PolledAfterwards();
  message = Shown();  // with any failure of the polls after the operation
}

bool FaultMatrix::RunCli(const Row& row, const QStringList& arguments, int* code, std::string* out,
                         std::string* err) {
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(data.path().string()));
  env.insert("XDG_DATA_HOME", QString::fromStdString(data.path().string()));
  cli.setProcessEnvironment(env);
  cli.start(VOREL_CLI_PATH,
            QStringList{"--port", QString::fromStdString(sim->LinkPath())} + arguments);
  if (!cli.waitForFinished(AllowedSeconds(row.op) * 1000)) {
    ADD_FAILURE() << "vorel-cli hangs";
    return false;
  }
  if (cli.exitStatus() != QProcess::NormalExit) {
    ADD_FAILURE() << "vorel-cli crashed";
    return false;
  }
  *code = cli.exitCode();
  *out = cli.readAllStandardOutput().toStdString();
  *err = cli.readAllStandardError().toStdString();
  return true;
}

void FaultMatrix::RunBackup(const Row& row) {
  const std::string file = sim->File("site1.dat");
  const std::string old = "[old backup]\nkept=1\n";
  WriteFile(file, old);
  int code = 0;
  std::string out;
  std::string err;
  if (!RunCli(row, {"backup", "1", "--file", QString::fromStdString(file)}, &code, &out, &err))
    return;
  state = "exit " + std::to_string(code);
  // stderr: "Address 1: reading", the link's message, the site's failure (after the read, or
  // the identification's reason).
  std::istringstream lines(err);
  bool failureLine = false;
  bool savedLine = false;
  for (std::string line; std::getline(lines, line);) {
    if (line == "Address 1: reading") continue;
    if (line == "Address 1: saved " + file) {
      savedLine = true;
      continue;
    }
    if (line == "Address 1: the parameters could not be read") {
      failureLine = true;
      continue;
    }
    if (line.starts_with("Address 1: ")) failureLine = true;
    message += (message.empty() ? "" : " / ") + line;
  }
  const std::string now = ReadFile(file);
  // A failed backup leaves the file that was there; a good one replaces it whole.
  kept = code == 0 ? savedLine && !failureLine && now != old && now.starts_with("[") &&
                         now.ends_with("\n")
                   : failureLine && !savedLine && now == old;
  polled = false;
}

void FaultMatrix::RunMonitor(const Row& row) {
  int code = 0;
  std::string out;
  std::string err;
  if (!RunCli(row, {"monitor", "1", "--once"}, &code, &out, &err)) return;
  state = "exit " + std::to_string(code);
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);)
    message += (message.empty() ? "" : " / ") + line;
  // A failed poll prints no page: no values that were never read.
  kept = code == 0 ? out.find("Mode:") != std::string::npos : out.empty();
  polled = false;
}

TEST_P(FaultMatrix, Case) {
  const Row& row = GetParam();
  StartSim(row);
  if (HasFatalFailure()) return;
  const auto started = std::chrono::steady_clock::now();
  if (row.op == Operation::CliBackup) {
    RunBackup(row);
  } else if (row.op == Operation::CliMonitor) {
    RunMonitor(row);
  } else {
    OpenSession();
    if (HasFatalFailure()) return;
    RunOperation(row);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const bool hung = seconds > AllowedSeconds(row.op) + 6;  // + connecting and the poll check

  // vorel-cli does not poll: its column says so.
  const bool polls = row.op != Operation::CliBackup && row.op != Operation::CliMonitor;
  auto describe = [polls](const std::string& m, const std::string& s, bool p, bool k) {
    return (m.empty() ? std::string("-") : "\"" + m + "\"") + " | " + s + " | polled " +
           (polls ? (p ? "yes" : "no") : "n/a") + " | " + (k ? "kept" : "HALF-CHANGED");
  };
  // A reply past its allowance may land in the rollback's first block, which then times out
  // too and is sent again, or come before that block is sent: whether the user is told that
  // second timeout depends on timing alone, so it is read as one.
  if (row.fault == Fault::Late) {
    const std::string twice = std::string(kTimeout) + " / " + kTimeout;
    if (message.starts_with(twice)) message.erase(0, twice.size() - std::string(kTimeout).size());
  }
  const std::string expected = describe(row.message, row.state, row.polled, true);
  const std::string observed = describe(message, state, polled, kept) + (hung ? " | HUNG" : "");
  Outcomes().push_back({NameOf(row.fault), NameOf(row.op), expected, observed, seconds,
                        expected == observed && !HasFailure()});
  EXPECT_EQ(observed, expected);
}

INSTANTIATE_TEST_SUITE_P(Matrix, FaultMatrix, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return RowName(info.param); });

}  // namespace
}  // namespace vorel::test

#include "options.h"

#include <cerrno>
#include <cstdlib>

namespace vorel::sim {
namespace {

bool ToLong(const std::string& text, long low, long high, long& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 0);
  if (errno != 0 || end == nullptr || *end != '\0' || v < low || v > high) return false;
  out = v;
  return true;
}

bool ToDouble(const std::string& text, double low, double high, double& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || end == nullptr || *end != '\0' || !(v >= low && v <= high)) return false;
  out = v;
  return true;
}

}  // namespace

const char* HelpText() {
  return R"(usage: vorel-sim --link PATH [options]
       vorel-sim --tcp PORT [--link PATH] [options]

A substitute generating-set controller: Modbus RTU slaves (and optionally a Hayes modem) on a
pseudo-terminal. PATH becomes a symbolic link to the terminal; open it like a serial port.
"ready PATH" is printed on stdout once the line answers ("ready tcp://127.0.0.1:PORT" when
only TCP is served). SIGINT or SIGTERM end the simulator and remove the link.

Line
  --link PATH            symbolic link to create for the terminal (required without --tcp)
  --tcp PORT             also, or instead, serve the sites on 127.0.0.1:PORT as a serial
                         device server does: RTU frames unchanged over TCP, one client at a
                         time (a second one is closed at once), the same pacing and faults
  --baud N               line speed to emulate, default 9600. Requests count as arriving at
                         N/10 characters per second and replies leave at that pace. 0 answers
                         at once.
  --turnaround MS        pause between the end of a request and the start of the reply;
                         default 3.5 character times, at least 1.75 ms (3.65 ms at 9600,
                         1.75 ms at 115200), 0 when --baud is 0
  --trace FILE           log every frame (format below)
  --echo                 behave like a two-wire RS-485 adapter that hears the master: every
                         request comes back to the master, at line pace, before the reply
  --check-speed          listen only at the --baud speed: requests sent while the terminal
                         is set to another speed are heard as noise and not answered (the two
                         ends of a pseudo-terminal share its settings)

Controllers
  --site N[:TYPE[:VERSION]]  a controller at slave address N (1..32) of product code TYPE
                         (default 3101) with firmware VERSION (default V5.10), repeatable;
                         without --site one controller 1:3101:V5.10
  --password NNNN        parameter password 0..9999 of every site, default 1234
  --time-scale F         run the gen-set sequence F times faster than real time (default 1);
                         the clock always follows the host clock
  --start-fails          the engine never fires: every start ends in "start-fail stop"
  --system-unlocked      set bit 6 of the status word ("system unlocked": the serial number
                         may be edited) on every site
  --state FILE           load the register images, event logs and passwords from FILE at
                         start (a bad file is reported and ignored) and save them on exit

Faults (of replies only; each P is a probability 0..1 per reply)
  --fault-noreply P      no reply
  --fault-crc P          a reply with a wrong CRC
  --fault-exception P    an exception reply (code 4) instead of the reply
  --fault-pieces P       the reply in three pieces with pauses of --piece-gap MS (default 30)
  --fault-late P         the reply starts --delay MS later (default 2500)
  --fault-extra P        one extra byte 0x00 after the reply
  --fault-address P      the reply comes from another slave address (CRC made to match)
  --fault-truncated P    the reply is cut short: only its first half is sent, the rest never
  --seed N               seed of the fault dice, default 1
  --fault-function F     only requests of function F count for faults
  --fault-register A     only requests whose first register is A count (e.g. 0x804F)
  --fault-site N         only requests to site N count
  --fault-after N        the first N counted requests are answered normally
  --fault-count N        at most N replies are faulted
  --fault-short A        the reply to a read of register A (e.g. 0x804D) carries half its
                         data, with a matching byte count and a correct CRC
  --fault-empty A        the reply to a read of register A carries no data
  --fault-zero-count A   the last descriptor of the CONFIG block A (e.g. 0x8052) has count 0
  --fault-offset-past A  the last descriptor of the CONFIG block A points past the data of
                         its VALUE block
                         (these four are selected by --fault-site, --fault-after and
                         --fault-count like the faults above)
  --fault-forget-write A every write that covers register A is acknowledged but not stored
  --fail-log-block N     no reply to the event-log read of block N (1..56), the 64 registers
                         from 0x0200 + 64*(N-1): the Nth read of a whole log. Independent of
                         the options above and of the site.
  --fail-log-times K     block N fails the first K times it is read (default 1; 0 = always)
  A fault never changes what the request did to the controller (a write is still stored).

Modem
  --modem                put a Hayes modem in front: the line starts in command mode
  --dial-delay MS        ATD to CONNECT, default 2000
  --connect-speed N      speed named in "CONNECT N", default 9600
  --no-answer            a dial never connects (any character aborts it: NO CARRIER)
  --connect-text TEXT    the answer to a dial instead of "CONNECT N" (e.g. "CONNECT 9600/ARQ",
                         "OK", "CONNECT 2400")
  --drop-after MS        a call drops MS after it connected: NO CARRIER, back to commands
  --split-answer MS      the dial's answer leaves in two pieces, cut in the middle of its text,
                         the second MS after the first (a slow modem)
  --refuse WORD          a dial fails after the dial delay with WORD (BUSY, NO CARRIER,
                         NO DIALTONE, NO ANSWER) and the modem stays in command mode
  Commands "AT..." answer OK (E, V, Q, Z, &F, H, O, S, D understood); ATD connects after the
  dial delay; in data mode Modbus frames pass; "+++" at a frame start returns to command mode
  with the call up (ATO goes back on line); ATH0 hangs up, after which frames get no answer
  until the next dial.

Modbus behaviour
  Function 3 reads registers 0x0000..0x01FF, the event log 0x0200..0x0FFF (32 words per
  record) and the block-transfer areas (CONFIG 0x8031..0x8037, 0x8052, 0x8053 and VALUE
  0x8041..0x8047, 0x804D, 0x804F, count = number of entries, 16-bit byte count in the reply).
  Functions 6 and 16 write. Exception codes: 1 unknown function, 2 illegal address (also
  registers that cannot be written), 3 illegal value or count (also values outside a
  parameter's limits, bad BCD clock values, unknown action words), 4 refused: parameter
  write while protection is locked or the mode is not OFF (198), or 0x0005 while locked.
  Frames to other addresses and frames with a bad CRC get no answer.
  0x0004: writing the password unlocks (reads 746), anything else locks. 0x0005: new
  password while unlocked. 0x0113: 198 OFF, 199 MANU, 200 AUTO, 201 TEST (TEST starts an
  unloaded run, OFF stops at once). 0x8010: 0xFE01 START (MANU or TEST), 0xFD02 STOP (cooling
  run first), 0xA956 MUTE, 0xAA55 RESET. In MANU a start runs prestart, cranking, idle,
  stabilising, running and takes the load; AUTO stands by (no mains failure is simulated).
  Alarms (battery limits, the analogue input levels, generator voltage per phase and
  frequency under LEV1 or over LEV2 once running, a failed start) enter the alarm list
  0x001A.. with bit 11 set while present and cleared once gone, sound the horn output until
  MUTE or HORN_TIMEOUT; RESET removes the alarms that are gone and ends a shutdown. Every
  event (power up, start, stop, each alarm) writes a 32-word record at the event-log
  position 0x0168, the address of the record written next (so the record there is the
  oldest once the ring is full); it moves on by 32 per event and wraps from 0x0FE0 to
  0x0200. A record holds the code, the clock in BCD and a snapshot of the live values.

Controller types
  Any product code is served. Binary inputs and outputs follow the type's slots: 3101..3104
  BI1..8 and BO1..8; 3105, 3108, 3110..3112 BI1..5 and BO1..3; 3106 and 3109 BI6..8 and
  BO4..7, an active input read as a set bit, event-log records holding them from bit 0;
  3113 BI1..8 and BO1..7. 0x0060 shows an active input as a clear bit on the other types;
  a slot the type lacks reads as inactive.

Factory set-up of every site
  Device name "GENSET CONTROLLER <TYPE> <VERSION>" padded to 40 characters, serial number
  2026 1209 00NN (N = address), generator name "GENSET-NN", status word 0x0003 (initialised,
  in order), mode OFF, protection locked. 200 kW, 361 A, 400 V, 50.0 Hz, 1500 r/min, 118
  teeth, CT 400/5. Engine: pre-start 5 s, start 25 %, crank 8 s x 3 with 10 s pauses, idle
  10 s, stabilising 2..10 s, cooling 60 s. Generator voltage 85..110 %, frequency 90..110 %;
  mains voltage 85..110 %, frequency 95..105 % (LEV1 the lower limit, LEV2 the upper one).
  Current calibration 0.92, RPM ratio 1, debug address 1. AI1 oil pressure (VDO 10 bar,
  Bar, 1 decimal, under 2.0/1.0 bar, shutdown), AI2 coolant temperature (VDO 110, C, above
  95/105, shutdown), AI3 fuel level (VDO Ohm 10-180, %, under 20/10, always active,
  warning), each with a ten-point curve. Inputs BI1..BI8: emergency stop, remote off, oil
  pressure switch, coolant temperature switch, fuel level switch, belt switch, MCB and GCB
  feedback. Outputs BO1..BO8: MCB, GCB, alarm horn, idle, pre-heat, running, not ready,
  standby in AUTO. Types 3106 and 3109: BI6..8 emergency stop, oil pressure and coolant
  temperature switches, BO4..7 horn, pre-heat, MCB, GCB; 3113: no BO8. Battery limits
  18.0/30.0 V; 1234.5 run hours, 27 starts. The event log starts with a "power up" record.

Trace format
  One line per frame: START_US END_US DIR HEX... [# NOTE]
  START_US, END_US  CLOCK_MONOTONIC in microseconds. RX: first and last byte read from the
                    terminal. TX: the moment the first start bit is due on the emulated line
                    (the first byte is handed over one character time later) and the moment
                    the last byte is handed over; END-START is the reply's wire time.
  DIR               RX (from the master) or TX (to the master)
  HEX               the bytes, two upper-case hex digits each, separated by blanks
  NOTE              e.g. "modem", "ignored bad-crc", "ignored address", "fault crc pieces"

Other
  --help                 this text
)";
}

bool ParseSite(const std::string& text, SiteConfig& site, std::string& error) {
  site = SiteConfig{};
  std::string parts[3];
  int n = 0;
  std::size_t start = 0;
  while (n < 3) {
    const std::size_t colon = text.find(':', start);
    parts[n++] = text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (colon == std::string::npos) break;
    start = colon + 1;
    if (n == 3) {
      error = "--site " + text + ": too many fields";
      return false;
    }
  }
  long v = 0;
  if (!ToLong(parts[0], 1, 32, v)) {
    error = "--site " + text + ": the address must be 1 to 32";
    return false;
  }
  site.address = static_cast<int>(v);
  if (n >= 2 && !parts[1].empty()) {
    if (!ToLong(parts[1], 0, 65535, v)) {
      error = "--site " + text + ": bad product code";
      return false;
    }
    site.type = static_cast<std::uint16_t>(v);
  }
  if (n >= 3 && !parts[2].empty()) {
    if (parts[2].size() > 12) {
      error = "--site " + text + ": version text longer than 12 characters";
      return false;
    }
    site.version = parts[2];
  }
  return true;
}

bool ParseOptions(int argc, char** argv, Options& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        error = arg + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    auto number = [&](long low, long high, long& out) {
      std::string text;
      if (!value(text)) return false;
      if (!ToLong(text, low, high, out)) {
        error = arg + ": bad number " + text;
        return false;
      }
      return true;
    };
    auto real = [&](double low, double high, double& out) {
      std::string text;
      if (!value(text)) return false;
      if (!ToDouble(text, low, high, out)) {
        error = arg + ": bad value " + text;
        return false;
      }
      return true;
    };
    long n = 0;
    std::string text;
    bool ok = true;
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--link") {
      ok = value(o.link);
    } else if (arg == "--tcp") {
      ok = number(1, 65535, n);
      o.tcpPort = static_cast<int>(n);
    } else if (arg == "--site") {
      SiteConfig site;
      ok = value(text) && ParseSite(text, site, error);
      if (ok) {
        for (const SiteConfig& s : o.sites) {
          if (s.address == site.address) {
            error = "--site " + text + ": address given twice";
            return false;
          }
        }
        o.sites.push_back(site);
      }
    } else if (arg == "--password") {
      ok = number(0, 9999, n);
      o.password = static_cast<unsigned>(n);
    } else if (arg == "--baud") {
      ok = number(0, 4000000, n);
      o.baud = n;
    } else if (arg == "--turnaround") {
      ok = real(0, 10000, o.turnaroundMs);
    } else if (arg == "--time-scale") {
      ok = real(0.001, 10000, o.timeScale);
    } else if (arg == "--start-fails") {
      o.engine.startFails = true;
    } else if (arg == "--echo") {
      o.echo = true;
    } else if (arg == "--check-speed") {
      o.checkSpeed = true;
    } else if (arg == "--system-unlocked") {
      o.systemUnlocked = true;
    } else if (arg == "--trace") {
      ok = value(o.tracePath);
    } else if (arg == "--state") {
      ok = value(o.statePath);
    } else if (arg == "--fault-noreply") {
      ok = real(0, 1, o.faults.noReply);
    } else if (arg == "--fault-crc") {
      ok = real(0, 1, o.faults.badCrc);
    } else if (arg == "--fault-exception") {
      ok = real(0, 1, o.faults.exception);
    } else if (arg == "--fault-pieces") {
      ok = real(0, 1, o.faults.pieces);
    } else if (arg == "--fault-late") {
      ok = real(0, 1, o.faults.late);
    } else if (arg == "--fault-extra") {
      ok = real(0, 1, o.faults.extraByte);
    } else if (arg == "--fault-address") {
      ok = real(0, 1, o.faults.otherAddress);
    } else if (arg == "--fault-truncated") {
      ok = real(0, 1, o.faults.truncated);
    } else if (arg == "--delay") {
      ok = number(0, 600000, n);
      o.faults.delayMs = static_cast<int>(n);
    } else if (arg == "--piece-gap") {
      ok = number(0, 60000, n);
      o.faults.pieceGapMs = static_cast<int>(n);
    } else if (arg == "--seed") {
      ok = number(0, 0x7FFFFFFFL, n);
      o.faults.seed = static_cast<std::uint64_t>(n);
    } else if (arg == "--fault-function") {
      ok = number(0, 255, n);
      o.faults.function = static_cast<int>(n);
    } else if (arg == "--fault-register") {
      ok = number(0, 65535, n);
      o.faults.reg = static_cast<int>(n);
    } else if (arg == "--fault-site") {
      ok = number(1, 32, n);
      o.faults.site = static_cast<int>(n);
    } else if (arg == "--fault-after") {
      ok = number(0, 0x7FFFFFFFL, n);
      o.faults.after = n;
    } else if (arg == "--fault-count") {
      ok = number(0, 0x7FFFFFFFL, n);
      o.faults.limit = n;
    } else if (arg == "--fault-short") {
      ok = number(0, 65535, n);
      o.faults.shortReg = static_cast<int>(n);
    } else if (arg == "--fault-empty") {
      ok = number(0, 65535, n);
      o.faults.emptyReg = static_cast<int>(n);
    } else if (arg == "--fault-zero-count") {
      ok = number(0, 65535, n);
      o.faults.zeroCountReg = static_cast<int>(n);
    } else if (arg == "--fault-offset-past") {
      ok = number(0, 65535, n);
      o.faults.offsetPastReg = static_cast<int>(n);
    } else if (arg == "--fault-forget-write") {
      ok = number(0, 65535, n);
      o.faults.forgetWriteReg = static_cast<int>(n);
    } else if (arg == "--fail-log-block") {
      ok = number(1, 56, n);
      o.faults.logBlock = static_cast<int>(n);
    } else if (arg == "--fail-log-times") {
      ok = number(0, 0x7FFFFFFFL, n);
      o.faults.logBlockTimes = n;
    } else if (arg == "--modem") {
      o.modem.enabled = true;
    } else if (arg == "--dial-delay") {
      ok = number(0, 600000, n);
      o.modem.dialDelayMs = static_cast<int>(n);
    } else if (arg == "--connect-speed") {
      ok = number(1, 4000000, n);
      o.modem.connectSpeed = static_cast<int>(n);
    } else if (arg == "--no-answer") {
      o.modem.noAnswer = true;
    } else if (arg == "--connect-text") {
      ok = value(o.modem.connectText) && !o.modem.connectText.empty();
      if (!ok && error.empty()) error = "--connect-text needs a TEXT";
    } else if (arg == "--drop-after") {
      ok = number(1, 86400000, n);
      o.modem.dropAfterMs = static_cast<int>(n);
    } else if (arg == "--refuse") {
      ok = value(o.modem.refusal) && !o.modem.refusal.empty();
      if (!ok && error.empty()) error = "--refuse needs a WORD";
    } else if (arg == "--split-answer") {
      ok = number(1, 600000, n);
      o.modem.splitAnswerMs = static_cast<int>(n);
    } else {
      error = "unknown option " + arg + " (see --help)";
      return false;
    }
    if (!ok) return false;
  }
  if (o.help) return true;
  if (o.link.empty() && o.tcpPort == 0) {
    error = "--link PATH or --tcp PORT is required (see --help)";
    return false;
  }
  if (o.sites.empty()) o.sites.push_back(SiteConfig{});
  for (SiteConfig& site : o.sites) site.systemUnlocked = o.systemUnlocked;
  return true;
}

}  // namespace vorel::sim

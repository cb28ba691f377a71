#include "engine.h"

#include <algorithm>
#include <cmath>

#include "site_layout.h"

namespace vorel::sim {
namespace {

constexpr std::size_t kAlarmLines = 16;
constexpr double kCrankSpeed = 250;
constexpr double kFireAfter = 1.5;  // seconds of cranking before the engine fires

// Generator settings and protection levels (per cent of nominal; delays in tenths of a second).
constexpr int kNominalFrequency = 0x00CA;  // GNOMIN_FREQ, tenths of a hertz
constexpr int kNominalVoltage = 0x00CB;    // GNOMIN_VOL, phase to phase
constexpr int kVoltageLower = 0x00FC;      // VG_LEV1 "Gen <V (%)"
constexpr int kVoltageUpper = 0x00FD;      // VG_LEV2 "Gen >V (%)"
constexpr int kVoltageDelay = 0x00FE;      // VG_DEL
constexpr int kFrequencyLower = 0x00FF;    // GFREQ_LEV1 "Gen <f (%)"
constexpr int kFrequencyUpper = 0x0100;    // GFREQ_LEV2 "Gen >f (%)"
constexpr int kFrequencyDelay = 0x0101;    // GFREQ_DEL
constexpr std::uint16_t kUnderVoltage[3] = {0x282E, 0x2830, 0x2832};  // vg1..3 under alm
constexpr std::uint16_t kOverVoltage[3] = {0x282D, 0x282F, 0x2831};   // vg1..3 over alm
constexpr std::uint16_t kUnderFrequency = 0x2837;                     // gen freq under alm
constexpr std::uint16_t kOverFrequency = 0x2836;                      // gen freq over alm

double Approach(double value, double target, double tau, double dt) {
  if (tau <= 0) return target;
  return value + (target - value) * (1 - std::exp(-dt / tau));
}

std::uint16_t Clamp16(double v) {
  return static_cast<std::uint16_t>(
      static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L)));
}

}  // namespace

Engine::Engine(Site& site, EngineOptions options)
    : site_(site),
      options_(options),
      noise_(static_cast<std::uint32_t>(site.config.address) * 7919U) {
  alarms_.reserve(kAlarmLines);
}

int Engine::Jitter(int span) {
  noise_ = noise_ * 1664525U + 1013904223U;
  return static_cast<int>((noise_ >> 16) % static_cast<std::uint32_t>(2 * span + 1)) - span;
}

bool Engine::Running() const {
  return phase_ == Phase::kIdle || phase_ == Phase::kStabilising || phase_ == Phase::kRunning ||
         phase_ == Phase::kLoaded || phase_ == Phase::kCooling;
}

void Engine::PowerUp(std::time_t host) {
  phase_ = Phase::kStopped;
  inPhase_ = 0;
  speed_ = 0;
  load_ = 0;
  battery_ = 246;
  oil_ = 0;
  coolant_ = 25;
  horn_ = false;
  site_.SetUnlocked(false);
  // Alarms kept in a saved image come back as they were stored: inactive until they recur.
  alarms_.clear();
  for (int i = 0; i < static_cast<int>(kAlarmLines); ++i) {
    const std::uint16_t w = site_.Word(reg::kAlarmList.address + i);
    if (w != 0) alarms_.push_back({static_cast<std::uint16_t>(w | 0x0800U), false, false});
  }
  Publish();
  site_.AppendEvent(0x2812, host);  // power up
}

void Engine::Enter(Phase phase) {
  phase_ = phase;
  inPhase_ = 0;
}

bool Engine::Command(std::uint16_t word, std::time_t host) {
  const std::uint16_t mode = site_.Word(reg::kOperatingMode.address);
  switch (word) {
    case kActionStart:
      if (phase_ == Phase::kStopped && (mode == kModeManu || mode == kModeTest)) {
        attempts_ = 0;
        Enter(Phase::kPreStart);
        site_.AppendEvent(0x2810, host);  // start manual
      }
      break;
    case kActionStop:
      if (phase_ == Phase::kPreStart || phase_ == Phase::kCranking || phase_ == Phase::kPause) {
        Enter(speed_ < 5 ? Phase::kStopped : Phase::kStopping);
        site_.AppendEvent(0x4848, host);
      } else if (phase_ == Phase::kIdle || phase_ == Phase::kStabilising ||
                 phase_ == Phase::kRunning || phase_ == Phase::kLoaded) {
        Enter(Phase::kCooling);
        site_.AppendEvent(0x4848, host);  // stop manual
      } else if (phase_ == Phase::kCooling) {
        Enter(Phase::kStopping);  // a second STOP skips the cooling run
      }
      break;
    case kActionMute:
      horn_ = false;
      break;
    case kActionReset:
      horn_ = false;
      std::erase_if(alarms_, [](const Alarm& a) { return !a.active || a.latched; });
      if (phase_ == Phase::kFailStop) Enter(speed_ > 1 ? Phase::kStopping : Phase::kStopped);
      break;
    default:
      return false;
  }
  Publish();
  return true;
}

void Engine::ModeChanged(std::time_t host) {
  const std::uint16_t mode = site_.Word(reg::kOperatingMode.address);
  if (mode == kModeOff && phase_ != Phase::kStopped && phase_ != Phase::kStopping &&
      phase_ != Phase::kFailStop) {
    Enter(speed_ < 5 ? Phase::kStopped : Phase::kStopping);  // OFF stops at once, no cooling
    site_.AppendEvent(0x4848, host);
  } else if (mode == kModeTest && phase_ == Phase::kStopped) {
    attempts_ = 0;
    Enter(Phase::kPreStart);  // TEST runs the set without load
    site_.AppendEvent(0x2811, host);
  }
  Publish();
}

void Engine::Advance(double seconds, std::time_t host) {
  // Small steps keep the sequence right when time runs fast.
  while (seconds > 0) {
    const double dt = std::min(seconds, 0.25);
    Step(dt, host);
    seconds -= dt;
  }
  site_.ShowClock(host);
  Publish();
}

void Engine::Step(double dt, std::time_t host) {
  inPhase_ += dt;
  const double nominal = std::max<int>(1, static_cast<std::int16_t>(Param(0x00CD)));
  const double startRpm = nominal * static_cast<std::int16_t>(Param(0x00D5)) / 100.0;
  const std::uint16_t mode = site_.Word(reg::kOperatingMode.address);

  switch (phase_) {
    case Phase::kStopped:
    case Phase::kFailStop:
      break;
    case Phase::kPreStart:
      if (inPhase_ >= static_cast<std::int16_t>(Param(0x00D4))) {
        Enter(Phase::kCranking);
        site_.SetWord(0x0098, static_cast<std::uint16_t>(site_.Word(0x0098) + 1));
      }
      break;
    case Phase::kCranking:
      if (!options_.startFails && inPhase_ >= kFireAfter) {
        speed_ = std::max(speed_, startRpm + 1);
        Enter(Phase::kIdle);
      } else if (inPhase_ >= static_cast<std::int16_t>(Param(0x00D7))) {
        ++attempts_;
        if (attempts_ >= static_cast<std::int16_t>(Param(0x00DA))) {
          Enter(Phase::kFailStop);
          Raise(0x4842, true, host);  // start-fail stop
        } else {
          Enter(Phase::kPause);
        }
      }
      break;
    case Phase::kPause:
      if (inPhase_ >= static_cast<std::int16_t>(Param(0x00D9))) {
        Enter(Phase::kCranking);
        site_.SetWord(0x0098, static_cast<std::uint16_t>(site_.Word(0x0098) + 1));
      }
      break;
    case Phase::kIdle:
      if (inPhase_ >= static_cast<std::int16_t>(Param(0x00D8))) Enter(Phase::kStabilising);
      break;
    case Phase::kStabilising:
      if (inPhase_ >= static_cast<std::int16_t>(Param(0x00DB))) Enter(Phase::kRunning);
      break;
    case Phase::kRunning:
      if (mode == kModeManu && inPhase_ >= 1.0) Enter(Phase::kLoaded);  // MANU closes the breaker
      break;
    case Phase::kLoaded:
      break;
    case Phase::kCooling:
      if (inPhase_ >= static_cast<std::int16_t>(Param(0x00DE))) Enter(Phase::kStopping);
      break;
    case Phase::kStopping:
      if (speed_ < 5) Enter(Phase::kStopped);
      break;
  }

  // Speed, load and the values that follow them.
  double target = 0;
  double tau = 1.0;
  switch (phase_) {
    case Phase::kCranking:
      target = kCrankSpeed;
      tau = 0.3;
      break;
    case Phase::kIdle:
      target = 0.6 * nominal;
      break;
    case Phase::kStabilising:
    case Phase::kRunning:
    case Phase::kCooling:
      target = nominal;
      tau = 1.5;
      break;
    case Phase::kLoaded:
      target = 0.997 * nominal;
      tau = 1.5;
      break;
    default:
      break;
  }
  speed_ = Approach(speed_, target, tau, dt);
  load_ =
      Approach(load_, phase_ == Phase::kLoaded ? 0.6 : 0.0, phase_ == Phase::kLoaded ? 3 : 1, dt);
  const double battTarget = phase_ == Phase::kCranking ? 195 : (speed_ > startRpm ? 274 : 246);
  battery_ = Approach(battery_, battTarget, phase_ == Phase::kCranking ? 0.3 : 10, dt);
  oil_ = Approach(oil_, Running() ? 45 * std::min(1.0, speed_ / nominal) : 0, 1, dt);
  coolant_ = Approach(coolant_, Running() ? 82 : 25, Running() ? 300 : 900, dt);
  if (Running()) fuel_ = std::max(0.0, fuel_ - dt * (0.0005 + 0.002 * load_));

  if (speed_ > startRpm) {
    protectOn_ += dt;
    runSeconds_ += dt;
    while (runSeconds_ >= 1) {
      runSeconds_ -= 1;
      std::uint16_t s = static_cast<std::uint16_t>(site_.Word(0x00A0) + 1);
      if (s >= 3600) {
        s = 0;
        site_.SetWord(0x009F, static_cast<std::uint16_t>(site_.Word(0x009F) + 1));
      }
      site_.SetWord(0x00A0, s);
    }
  } else {
    protectOn_ = 0;
  }
  if (horn_) {
    hornOn_ += dt;
    const double timeout = static_cast<std::int16_t>(Param(0x00E1));
    if (timeout > 0 && hornOn_ >= timeout) horn_ = false;
  }
  Publish();
  Protections(dt, host);
}

void Engine::Check(Watch& watch, bool condition, double delay, std::uint16_t code, bool shutdown,
                   double dt, std::time_t host) {
  if (!condition) {
    watch.held = 0;
    Clear(code);
    return;
  }
  watch.held += dt;
  if (watch.held < delay) return;
  Raise(code, false, host);
  if (shutdown && Running()) {
    Enter(Phase::kFailStop);
  }
}

void Engine::Protections(double dt, std::time_t host) {
  const double battery = site_.Word(0x009E);
  const double batDelay = static_cast<std::int16_t>(Param(0x00EF));
  Check(batteryLow_,
        phase_ != Phase::kCranking && battery < static_cast<std::int16_t>(Param(0x00ED)), batDelay,
        0x2821, false, dt, host);
  Check(batteryHigh_, battery > static_cast<std::int16_t>(Param(0x00EE)), batDelay, 0x2820, false,
        dt, host);

  const double protectionDelay = static_cast<std::int16_t>(Param(0x00E3));

  // Generator voltage per phase and frequency in per cent of nominal against the lower limit
  // (LEV1) and the upper one (LEV2), once the set runs at speed past the protection delay. The
  // regulator's values are compared, without the measuring noise of the shown ones.
  const bool atSpeed =
      phase_ == Phase::kRunning || phase_ == Phase::kLoaded || phase_ == Phase::kCooling;
  const bool genArmed = atSpeed && protectOn_ >= protectionDelay;
  constexpr double kMargin = 0.01;  // per cent
  const auto level = [&](int address) { return static_cast<std::int16_t>(Param(address)); };
  const double nominalPhase = level(kNominalVoltage) / std::sqrt(3.0);
  const double voltDelay = level(kVoltageDelay) / 10.0;
  for (int p = 0; p < 3; ++p) {
    const double percent = nominalPhase > 0 ? genVolts_[p] * 100 / nominalPhase : 0;
    Check(genUnder_[p], genArmed && percent < level(kVoltageLower) - kMargin, voltDelay,
          kUnderVoltage[p], false, dt, host);
    Check(genOver_[p], genArmed && percent > level(kVoltageUpper) + kMargin, voltDelay,
          kOverVoltage[p], false, dt, host);
  }
  const double nominalHertz = level(kNominalFrequency);
  const double hertz = nominalHertz > 0 ? genHertz_ * 100 / nominalHertz : 0;
  const double hertzDelay = level(kFrequencyDelay) / 10.0;
  Check(freqUnder_, genArmed && hertz < level(kFrequencyLower) - kMargin, hertzDelay,
        kUnderFrequency, false, dt, host);
  Check(freqOver_, genArmed && hertz > level(kFrequencyUpper) + kMargin, hertzDelay, kOverFrequency,
        false, dt, host);

  for (int n = 0; n < 3; ++n) {
    const std::uint16_t p1 = Param(0x0126 + n);
    const std::uint16_t p2 = Param(0x0129 + n);
    const std::uint16_t function = p1 & 0x07FFU;
    if ((p2 >> 10) < 3 || function < 84 || function > 88) continue;
    const bool always = (p1 & 0x0800U) != 0;
    const bool armed = always || (Running() && protectOn_ >= protectionDelay);
    const bool above = (p2 & 0x0008U) != 0;
    const int value = static_cast<std::int16_t>(site_.Word(0x009A + n));
    const int lev1 = static_cast<std::int16_t>(Param(0x00E4 + 3 * n));
    const int lev2 = static_cast<std::int16_t>(Param(0x00E5 + 3 * n));
    const double delay = static_cast<std::int16_t>(Param(0x00E6 + 3 * n));
    const unsigned action = p1 >> 12;
    const bool pre = armed && (above ? value > lev1 : value < lev1);
    const bool alarm = armed && (above ? value > lev2 : value < lev2);
    Check(channelPre_[n], pre, delay, static_cast<std::uint16_t>(0xA800U | function), false, dt,
          host);
    if (action == 0x0) continue;
    const bool stop = action == 0xC || action == 0xD;
    const std::uint16_t code = static_cast<std::uint16_t>((stop            ? 0x4800U
                                                           : action == 0x8 ? 0x8800U
                                                                           : 0x2800U) |
                                                          function);
    Check(channelAlarm_[n], alarm, delay, code, stop, dt, host);
  }
}

void Engine::Raise(std::uint16_t code, bool latched, std::time_t host) {
  for (Alarm& a : alarms_) {
    if (a.code == code) {
      if (!a.active) a.active = true;
      a.latched = a.latched || latched;
      return;
    }
  }
  if (alarms_.size() < kAlarmLines) alarms_.push_back({code, true, latched});
  site_.AppendEvent(code, host);
  horn_ = true;
  hornOn_ = 0;
}

void Engine::Clear(std::uint16_t code) {
  for (Alarm& a : alarms_) {
    if (a.code == code && !a.latched) a.active = false;
  }
}

void Engine::Publish() {
  Site& s = site_;
  const std::uint16_t mode = s.Word(reg::kOperatingMode.address);
  const double nominal = std::max<int>(1, static_cast<std::int16_t>(Param(0x00CD)));
  const double ratio = speed_ / nominal;
  const bool excited = ratio > 0.5;

  GenSetState state = GenSetState::kReady;
  int counter = 0;
  auto remaining = [&](int address) {
    return std::max(
        0, static_cast<int>(std::ceil(static_cast<std::int16_t>(Param(address)) - inPhase_)));
  };
  switch (phase_) {
    case Phase::kStopped:
      state = mode == kModeOff ? GenSetState::kEmpty : GenSetState::kReady;
      break;
    case Phase::kPreStart:
      state = GenSetState::kPreStart;
      counter = remaining(0x00D4);
      break;
    case Phase::kCranking:
      state = GenSetState::kCranking;
      break;
    case Phase::kPause:
      state = GenSetState::kPause;
      counter = remaining(0x00D9);
      break;
    case Phase::kIdle:
      state = GenSetState::kIdle;
      counter = remaining(0x00D8);
      break;
    case Phase::kStabilising:
      state = GenSetState::kMinStab;
      counter = remaining(0x00DB);
      break;
    case Phase::kRunning:
      state = GenSetState::kRunning;
      break;
    case Phase::kLoaded:
      state = GenSetState::kLoaded;
      break;
    case Phase::kCooling:
      state = GenSetState::kCooling;
      counter = remaining(0x00DE);
      break;
    case Phase::kStopping:
      state = GenSetState::kStop;
      break;
    case Phase::kFailStop:
      state = GenSetState::kFailStop;
      break;
  }
  s.SetWord(0x0059, static_cast<std::uint16_t>(state));
  s.SetWord(0x008F, static_cast<std::uint16_t>(counter));
  const bool loaded = phase_ == Phase::kLoaded;
  s.SetWord(0x005A, loaded ? 322 : 328);  // GCB close / MCB close
  s.SetWord(0x0057, 317);                 // mains in order

  std::uint16_t led = 127;
  if (phase_ == Phase::kFailStop)
    led = 131;
  else if (phase_ == Phase::kRunning || phase_ == Phase::kLoaded)
    led = 128;
  else if (phase_ == Phase::kCooling)
    led = 132;
  else if (phase_ != Phase::kStopped && phase_ != Phase::kStopping)
    led = 129;
  s.SetWord(0x0032, led);

  // Engine values.
  s.SetWord(0x0099, Clamp16(speed_ > 1 ? speed_ + Jitter(2) : 0));
  s.SetWord(0x009A, Clamp16(oil_));
  s.SetWord(0x009B, Clamp16(coolant_));
  s.SetWord(0x009C, Clamp16(fuel_));
  s.SetWord(0x009E, Clamp16(battery_));

  // Generator.
  // The regulator holds the nominal voltage from 90 % speed on; below it the voltage follows.
  const double phaseVolts = excited ? static_cast<std::int16_t>(Param(0x00CB)) / std::sqrt(3.0) *
                                          std::min(1.0, ratio / 0.9)
                                    : 0;
  const double spread[3] = {1.0, 0.995, 1.004};
  const double nominalAmps = static_cast<std::int16_t>(Param(0x00C9));
  double kwTotal = 0, kvaTotal = 0, kvarTotal = 0;
  const double pf = load_ > 0.01 ? 0.85 : 0.0;
  for (int p = 0; p < 3; ++p) {
    genVolts_[p] = phaseVolts * spread[p];
    const double v = phaseVolts > 0 ? genVolts_[p] + Jitter(1) : 0;
    const double amps = nominalAmps * load_ * spread[2 - p];
    s.SetWord(0x00A1 + p, Clamp16(v));
    s.SetWord(0x00A4 + p, Clamp16(v * std::sqrt(3.0)));
    s.SetWord(0x00B6 + p, Clamp16(amps));
    const double kva = v * amps / 1000.0;
    const double kw = kva * pf;
    const double kvar = std::sqrt(std::max(0.0, kva * kva - kw * kw));
    s.SetWord(0x004A + p, Clamp16(kva));
    s.SetWord(0x004D + p, Clamp16(kvar));
    s.SetWord(0x0050 + p, Clamp16(kw));
    s.SetWord(0x0053 + p, Clamp16(pf * 100));
    kwTotal += kw;
    kvaTotal += kva;
    kvarTotal += kvar;
  }
  genHertz_ = excited ? static_cast<std::int16_t>(Param(0x00CA)) * ratio : 0;
  s.SetWord(0x00A7, Clamp16(genHertz_));
  s.SetWord(0x00B9, Clamp16(load_ > 0.01 ? 3 : 0));
  s.SetWord(0x00C0, Clamp16(pf * 100));
  s.SetWord(0x00C4, Clamp16(kvarTotal));
  s.SetWord(0x00C5, Clamp16(kwTotal));
  s.SetWord(0x00C6, Clamp16(kvaTotal));

  // Mains.
  for (int p = 0; p < 3; ++p) {
    s.SetWord(0x00A8 + p, static_cast<std::uint16_t>(230 + Jitter(1)));
    s.SetWord(0x00AB + p, static_cast<std::uint16_t>(400 + Jitter(1)));
  }
  s.SetWord(0x00AE, 500);

  // Outputs and inputs follow the functions configured on them, on the slots the type has.
  const BinaryLayout io = BinaryLayoutOf(s.config.type);
  const bool ready = phase_ == Phase::kStopped;
  std::uint16_t outputs = 0;
  for (int k = 0; k < 8; ++k) {
    if ((io.outputs & (1U << k)) == 0) continue;
    bool on = false;
    switch (s.Word(0x0079 + k) & 0x07FFU) {
      case 160:
        on = !loaded;
        break;
      case 161:
        on = loaded;
        break;
      case 162:
        on = mode == kModeOff || phase_ == Phase::kFailStop;
        break;
      case 164:
        on = phase_ == Phase::kIdle;
        break;
      case 165:
        on = phase_ == Phase::kPreStart;
        break;
      case 166:
        on = Running();
        break;
      case 167:
        on = horn_;
        break;
      case 169:
        on = mode == kModeAuto && ready;
        break;
      default:
        break;
    }
    if (on) outputs = static_cast<std::uint16_t>(outputs | (1U << k));
  }
  s.SetWord(0x0061, outputs);
  std::uint16_t inputs = 0;
  for (int k = 0; k < 8; ++k) {
    bool on = false;
    switch (s.Word(0x003A + k) & 0x07FFU) {
      case 147:
        on = loaded;
        break;
      case 148:
        on = !loaded;
        break;
      default:
        break;
    }
    on = on && (io.inputs & (1U << k)) != 0;
    const bool bit = io.activeInputBitSet ? on : !on;
    if (bit) inputs = static_cast<std::uint16_t>(inputs | (1U << k));
  }
  s.SetWord(0x0060, inputs);
  const bool fuel = phase_ == Phase::kCranking || Running();
  s.SetWord(0x005F,
            static_cast<std::uint16_t>((phase_ == Phase::kCranking ? 1 : 0) | (fuel ? 2 : 0)));

  // Alarm list: the code with bit 11 set while its cause is present, cleared once it is gone.
  for (std::size_t i = 0; i < kAlarmLines; ++i) {
    std::uint16_t w = 0;
    if (i < alarms_.size()) {
      w = alarms_[i].active ? alarms_[i].code
                            : static_cast<std::uint16_t>(alarms_[i].code & ~0x0800U);
    }
    s.SetWord(reg::kAlarmList.address + static_cast<int>(i), w);
  }
}

}  // namespace vorel::sim

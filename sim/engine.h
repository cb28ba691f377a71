// The generating set behind a simulated controller: the start and stop sequence, the live
// measurements, alarms with horn, MUTE and RESET, and the events they log.
#pragma once

#include <cstdint>
#include <ctime>
#include <vector>

#include "site.h"

namespace vorel::sim {

// Action words of register 0x8010.
inline constexpr std::uint16_t kActionStart = 0xFE01;
inline constexpr std::uint16_t kActionStop = 0xFD02;
inline constexpr std::uint16_t kActionMute = 0xA956;
inline constexpr std::uint16_t kActionReset = 0xAA55;

// Gen-set states of register 0x0059.
enum class GenSetState : std::uint16_t {
  kFailStop = 290,
  kMinStab = 292,
  kRunning = 297,
  kEmpty = 300,
  kPreStart = 303,
  kCranking = 304,
  kPause = 305,
  kIdle = 307,
  kLoaded = 308,
  kStop = 309,
  kReady = 312,
  kCooling = 313,
};

struct EngineOptions {
  bool startFails = false;  // the engine never fires: every start ends in a start failure
};

class Engine {
 public:
  Engine(Site& site, EngineOptions options);

  // Puts the set at rest with live values as after power-up and logs the power-up event.
  void PowerUp(std::time_t host);
  // Moves the set on by `seconds` of simulated time.
  void Advance(double seconds, std::time_t host);
  // An action word written to 0x8010; false when the word is not one of the four actions.
  bool Command(std::uint16_t word, std::time_t host);
  // A new operating mode written to 0x0113 (already stored).
  void ModeChanged(std::time_t host);

 private:
  enum class Phase {
    kStopped,
    kPreStart,
    kCranking,
    kPause,
    kIdle,
    kStabilising,
    kRunning,
    kLoaded,
    kCooling,
    kStopping,
    kFailStop
  };
  struct Alarm {
    std::uint16_t code;
    bool active;
    bool latched;  // stays active until RESET
  };
  struct Watch {  // a condition that must hold for a delay before its alarm rises
    double held = 0;
  };

  void Enter(Phase phase);
  void Step(double dt, std::time_t host);
  void Protections(double dt, std::time_t host);
  void Check(Watch& watch, bool condition, double delay, std::uint16_t code, bool shutdown,
             double dt, std::time_t host);
  void Raise(std::uint16_t code, bool latched, std::time_t host);
  void Clear(std::uint16_t code);
  void Publish();
  bool Running() const;
  std::uint16_t Param(int address) const { return site_.Word(address); }
  int Jitter(int span);

  Site& site_;
  EngineOptions options_;
  Phase phase_ = Phase::kStopped;
  double inPhase_ = 0;    // seconds in the current phase
  double protectOn_ = 0;  // seconds since the set reached speed
  int attempts_ = 0;
  double speed_ = 0, battery_ = 246, oil_ = 0, coolant_ = 25, fuel_ = 75, load_ = 0;
  double runSeconds_ = 0;
  bool horn_ = false;
  double hornOn_ = 0;
  std::uint32_t noise_ = 12345;
  std::vector<Alarm> alarms_;
  Watch batteryLow_, batteryHigh_;
  Watch channelPre_[3], channelAlarm_[3];
  Watch genUnder_[3], genOver_[3], freqUnder_, freqOver_;
  double genVolts_[3] = {0, 0, 0};  // regulated phase voltages without measuring noise
  double genHertz_ = 0;             // tenths of a hertz
};

}  // namespace vorel::sim

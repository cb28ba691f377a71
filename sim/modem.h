// A Hayes-compatible dial-up modem in front of the simulated controllers. In command mode it
// answers "AT..." lines; after a dial it passes Modbus bytes through until "+++" or a hang-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vorel::sim {

struct ModemOptions {
  bool enabled = false;
  int dialDelayMs = 2000;   // from ATDT to CONNECT
  int connectSpeed = 9600;  // the speed named in CONNECT
  bool noAnswer = false;    // a dial never connects
  std::string connectText;  // the answer to a dial instead of "CONNECT <speed>"
  int dropAfterMs = 0;      // a call drops this long after it connected (0: never)
  int splitAnswerMs = 0;    // the dial's answer leaves in two pieces this far apart (0: whole)
  std::string refusal;      // a dial fails with this answer ("BUSY", "NO DIALTONE"...) instead
};

class Modem {
 public:
  explicit Modem(const ModemOptions& options) : options_(options) {}

  bool DataMode() const { return mode_ == Mode::kData; }

  // Command-mode input: takes bytes until the modem goes on line; returns how many bytes it
  // consumed (the rest belong to the data stream). Responses are appended to `reply`.
  std::size_t Command(std::span<const std::uint8_t> bytes, std::int64_t nowUs, std::string& reply);

  // Data-mode input: when `buf` starts with the escape "+++", consumes it (and the line end that
  // follows), returns to command mode with the call still up and answers OK. Returns the bytes
  // consumed (0 when `buf` does not start with the escape).
  std::size_t Escape(std::span<const std::uint8_t> buf, std::string& reply);

  // Time at which a dial in progress connects, or -1.
  std::int64_t DeadlineUs() const {
    if (!heldAnswer_.empty()) return heldAtUs_;
    if (mode_ == Mode::kDialing && !options_.noAnswer) return connectAtUs_;
    if (callUp_ && options_.dropAfterMs > 0) return dropAtUs_;
    return -1;
  }
  // Completes a dial whose time has come, sends the held part of a split answer, or drops a
  // call whose time is up.
  void OnTime(std::int64_t nowUs, std::string& reply);

 private:
  enum class Mode { kCommand, kDialing, kData };
  enum class Result { kOk = 0, kConnect = 1, kNoCarrier = 3, kError = 4 };

  void Line(std::int64_t nowUs, std::string& reply);
  void Say(Result result, std::string& reply) const;
  void Defaults();

  ModemOptions options_;
  Mode mode_ = Mode::kCommand;
  bool callUp_ = false;
  bool echo_ = true;
  bool verbose_ = true;
  bool quiet_ = false;
  bool skipLine_ = false;
  std::int64_t connectAtUs_ = 0;
  std::int64_t dropAtUs_ = 0;
  std::string line_;
  std::string heldAnswer_;  // the second piece of a split dial answer, still to be sent
  std::int64_t heldAtUs_ = 0;
};

}  // namespace vorel::sim

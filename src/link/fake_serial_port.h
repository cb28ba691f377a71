// An in-memory serial port on fake time for tests and fuzzing. Each frame written is recorded
// and answered from a script: the reply arrives in pieces, each at its own delay after the
// write, so a reply can come whole, byte by byte, in pieces, late or never. Waiting for input
// moves the fake clock of the FakeEventPump, which fires the timers that fall due.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "link/fake_event_pump.h"
#include "link/serial_port.h"

namespace vorel {

class FakeSerialPort : public SerialPort {
 public:
  struct Piece {
    std::uint64_t delayMs;  // after the write that it answers
    std::vector<std::uint8_t> bytes;
  };
  using Reply = std::vector<Piece>;

  explicit FakeSerialPort(FakeEventPump& pump) : pump_(pump) {}

  // The answer to the next frame written (one per frame, in order). An empty reply or an
  // exhausted script means no answer.
  void QueueReply(Reply reply);
  void QueueReply(std::vector<std::uint8_t> bytes, std::uint64_t delayMs = 0);
  // Bytes that arrive at the absolute fake time `atMs`, whatever was written.
  void Inject(std::vector<std::uint8_t> bytes, std::uint64_t atMs);
  // The device vanishes: every operation fails from now on.
  void Unplug();

  // Answers each frame written while the script is empty (called from the writing thread,
  // with the port locked: it must not call the port).
  std::function<Reply(std::span<const std::uint8_t> frame)> responder;

  std::vector<std::vector<std::uint8_t>> Frames() const;
  // The fake time at which each frame was written.
  std::vector<std::uint64_t> FrameTimes() const;
  int InputPurges() const;
  int OutputPurges() const;
  std::optional<PortSettings> openedWith;
  std::string openError;  // non-empty: Open fails with this text
  // The modem lines: DTR and RTS as last set, carrier detect as the test sets it.
  bool dtr = false;
  bool rts = false;
  bool carrier = false;

  bool Open(const PortSettings& settings, std::string* error) override;
  void Close() override;
  bool IsOpen() const override;
  void PurgeInput() override;
  void PurgeOutput() override;
  bool Write(std::span<const std::uint8_t> bytes) override;
  bool WriteText(std::string_view text) override;
  int InputCount() override;
  int Read(std::span<std::uint8_t> into) override;
  std::string ReadText(int n) override;
  bool WaitForInput(int ms) override;
  bool SetDtr(bool on) override;
  bool SetRts(bool on) override;
  bool CarrierDetect() override;
  bool Gone() const override;

 private:
  struct Byte {
    std::uint64_t at;
    std::uint8_t value;
  };
  void Schedule(const std::vector<std::uint8_t>& bytes, std::uint64_t at);  // mutex held
  int VisibleLocked() const;
  std::optional<std::uint64_t> NextArrival() const;

  FakeEventPump& pump_;
  mutable std::mutex mutex_;
  bool open_ = false;
  bool gone_ = false;
  std::deque<Reply> script_;
  std::deque<Byte> input_;  // in arrival order
  std::vector<std::vector<std::uint8_t>> frames_;
  std::vector<std::uint64_t> frameTimes_;
  int inputPurges_ = 0;
  int outputPurges_ = 0;
};

}  // namespace vorel

// The line: receives request bytes from the pseudo-terminal or the TCP client, cuts them into
// frames, lets the server and the modem answer, and sends each reply, at the pace of the
// emulated baud rate, to where its request came from.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "faults.h"
#include "frames.h"
#include "modbus_server.h"
#include "modem.h"
#include "options.h"
#include "trace.h"

namespace vorel::sim {

class Line {
 public:
  Line(const Options& options, Sites& sites);
  ~Line();
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  // Opens the pseudo-terminal and makes the link, and/or listens on the TCP port; false with a
  // message on failure.
  bool Open(std::string& error);
  // Serves until `stop` becomes non-zero.
  void Run(volatile const int& stop);

 private:
  struct Outgoing {
    std::array<std::uint8_t, kMaxFrame> bytes{};
    std::size_t size = 0;
    std::int64_t startUs = 0;         // earliest start on the line
    std::size_t pieceAt[2] = {0, 0};  // a gap goes before these offsets (0 = none)
    char note[80] = {};
    int fd = -1;  // where the reply goes
  };

  bool OpenTerminal(std::string& error);
  bool OpenTcp(std::string& error);
  void Accept();
  void DropClient();
  // Reads what `fd` has; false when it is a TCP client that has gone.
  bool Receive(int fd, std::int64_t now);
  // False with --check-speed when the terminal is set to another speed than --baud.
  bool HeardAtOurSpeed() const;
  void Process(std::int64_t now, bool silence);
  void HandleFrame(std::span<const std::uint8_t> frame, std::int64_t now);
  void Queue(std::span<const std::uint8_t> bytes, std::int64_t startUs, const char* note,
             bool pieces);
  void SendText(const std::string& text, std::int64_t now);
  void Pump(std::int64_t now);
  std::int64_t NextDeparture() const;
  std::int64_t RequestEnd(std::size_t bytes) const;
  std::int64_t Chars(std::size_t n) const;  // time of n characters on the line
  std::int64_t PieceGaps(const Outgoing& f) const;

  const Options& options_;
  Sites& sites_;
  ModbusServer server_;
  FaultInjector faults_;
  Modem modem_;
  Trace trace_;

  int master_ = -1;
  int listen_ = -1;
  int client_ = -1;
  int rxFd_ = -1;  // where the bytes in rx_ came from
  int slave_ = -1;
  std::string slaveName_;
  bool linked_ = false;

  std::int64_t charUs_ = 0;  // one character (10 bits) on the line
  std::int64_t turnaroundUs_ = 0;
  std::int64_t silenceUs_ = 0;  // a pause that ends an incomplete frame

  std::array<std::uint8_t, 4096> rx_{};
  std::size_t rxSize_ = 0;
  std::int64_t rxFirstUs_ = 0;
  std::int64_t rxLastUs_ = 0;

  static constexpr std::size_t kQueue = 8;
  std::array<Outgoing, kQueue> queue_{};
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  std::size_t sent_ = 0;             // bytes of the head frame already written
  std::int64_t lineFreeUs_ = 0;      // when the last byte written has left the emulated line
  std::int64_t blockedSinceUs_ = 0;  // a write found the terminal's buffer full
  std::int64_t frameBeginUs_ = 0;    // start bit of the head frame's first character
  Reply reply_;
};

}  // namespace vorel::sim

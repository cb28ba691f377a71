// A minimal Modbus RTU master for tests of the simulator: its own CRC and frame builder, raw
// reads and writes on a serial device or pseudo-terminal, replies collected by their shape.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorel::test {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t TestCrc(std::span<const std::uint8_t> bytes);
bool TestCrcOk(std::span<const std::uint8_t> frame);
Bytes WithCrc(Bytes frame);
Bytes ReadFrame(std::uint8_t site, std::uint16_t address, std::uint16_t count);
Bytes WriteFrame(std::uint8_t site, std::uint16_t address, std::span<const std::uint16_t> words);
std::uint16_t BigEndian(std::span<const std::uint8_t> bytes, std::size_t at);

enum class Shape { kPlainRead, kBlockRead, kWrite };

class RawMaster {
 public:
  RawMaster() = default;
  ~RawMaster();
  RawMaster(const RawMaster&) = delete;
  RawMaster& operator=(const RawMaster&) = delete;

  bool Open(const std::string& path);
  void Close();

  void Send(std::span<const std::uint8_t> bytes);
  void SendText(std::string_view text);
  // Everything waiting is dropped.
  void Purge();
  // Up to `n` bytes, waiting at most `timeoutMs` in total.
  Bytes Read(std::size_t n, int timeoutMs);
  // Bytes until nothing more arrives for `quietMs` (or `timeoutMs` in total).
  Bytes ReadQuiet(int timeoutMs, int quietMs);
  // The reply of the given shape: header first, then the announced rest (exception replies
  // are 5 bytes); whatever arrived when `timeoutMs` runs out.
  Bytes ReadReply(Shape shape, int timeoutMs = 2000);
  // Send a request, then ReadReply.
  Bytes Exchange(std::span<const std::uint8_t> request, Shape shape, int timeoutMs = 2000);

  // Helpers over Exchange for the common cases; they fail the current test on a bad reply.
  std::vector<std::uint16_t> ReadRegisters(std::uint8_t site, std::uint16_t address,
                                           std::uint16_t count);
  Bytes WriteRegisters(std::uint8_t site, std::uint16_t address, std::vector<std::uint16_t> words);

 private:
  int fd_ = -1;
};

}  // namespace vorel::test

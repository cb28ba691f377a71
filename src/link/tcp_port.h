// A port named tcp://HOST:PORT: a TCP byte stream to a serial device server (or anything else
// that carries RTU frames unchanged over TCP), behind the same interface as the serial port.
// The line settings are the server's business and are ignored; the modem lines do nothing
// and carrier detect reads on while connected. A worker thread may Write while the main
// thread counts and reads input, as on the serial port.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>

#include "link/serial_port.h"

struct addrinfo;

namespace vorel {

// How long opening a TCP port waits for the connection to be accepted.
inline constexpr int kTcpConnectTimeoutMs = 3000;

struct TcpAddress {
  std::string host;  // a name, an IPv4 address, or an IPv6 address without its brackets
  int port = 0;      // 1 to 65535
};

// True for names that start with "tcp://" (any letter case): those are TCP ports.
bool IsTcpPortName(const std::string& name);
// HOST:PORT of a tcp:// name; nullopt with the problem, in the current language, in `problem`
// when the name is not usable.
std::optional<TcpAddress> ParseTcpPortName(const std::string& name, std::string* problem);

// Looks a host up as getaddrinfo does (the list it returns is freed with freeaddrinfo).
using HostLookup = std::function<int(const char* host, const char* service, const addrinfo* hints,
                                     addrinfo** found)>;

class TcpPort : public SerialPort {
 public:
  TcpPort() = default;
  // The name lookup to use instead of the system's (a test's name server that does not answer).
  explicit TcpPort(HostLookup lookup) : lookup_(std::move(lookup)) {}
  ~TcpPort() override;
  TcpPort(const TcpPort&) = delete;
  TcpPort& operator=(const TcpPort&) = delete;

  // Resolves the host and connects within kTcpConnectTimeoutMs, on a thread of its own; the
  // caller's open wait (SetOpenWait) runs meanwhile. On failure `error` names the host and the
  // reason in the current language.
  bool Open(const PortSettings& settings, std::string* error) override;
  void Close() override;
  bool IsOpen() const override;
  void PurgeInput() override;
  // Bytes handed to the network cannot be called back: nothing to do.
  void PurgeOutput() override {}
  bool Write(std::span<const std::uint8_t> bytes) override;
  bool WriteText(std::string_view text) override;
  int InputCount() override;
  int Read(std::span<std::uint8_t> into) override;
  std::string ReadText(int n) override;
  bool WaitForInput(int ms) override;
  bool SetDtr(bool) override { return IsOpen(); }
  bool SetRts(bool) override { return IsOpen(); }
  bool CarrierDetect() override { return IsOpen() && !Gone(); }
  // True once the server closed the connection, reset it or the network failed.
  bool Gone() const override;
  std::string GoneReason() const override;

 private:
  struct TcpAttempt;
  static void RunAttempt(std::shared_ptr<TcpAttempt> attempt, HostLookup lookup, std::string host,
                         std::string service, std::chrono::steady_clock::time_point deadline);

  enum class Loss { None, Closed, Reset, TimedOut, Failed };
  void MarkGone(Loss loss) const;
  bool Marked() const { return loss_.load(std::memory_order_relaxed) != Loss::None; }
  // Looks without waiting whether the server has closed the connection (fd held).
  void CheckClosed() const;

  HostLookup lookup_;
  mutable std::shared_mutex mutex_;  // shared: I/O; exclusive: open and close
  int fd_ = -1;
  std::string where_;  // HOST:PORT, for the messages
  mutable std::atomic<Loss> loss_{Loss::None};
};

}  // namespace vorel

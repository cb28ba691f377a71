// End-to-end timing of one plain read of 29 registers (the identification block) at 9600
// baud over a pseudo-terminal. A child process answers on the master side and paces the
// request and the reply as a 9600-baud line would (10 bits per byte). Prints, per read, the
// elapsed time against the wire time plus the pauses the link prescribes (4 ms before the
// request, 100 ms per plain-read step, 4 ms to finish), and the CPU time of this process.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <vector>

#include "core/language.h"
#include "link/modbus_frame.h"
#include "link/modbus_link.h"
#include "link/posix_serial_port.h"
#include "link/qt_event_pump.h"
#include "link/quiet_host.h"
#include "link/request_worker.h"

namespace {

constexpr int kBaud = 9600;
constexpr int kCount = 29;
constexpr int kReads = 20;
constexpr double kByteNs = 10.0 * 1e9 / kBaud;

using SilentHost = vorel::QuietHost;

void SleepUntil(const timespec& t) {
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) != 0) {
  }
}

timespec After(const timespec& t, double ns) {
  timespec r = t;
  const long long total = static_cast<long long>(r.tv_nsec) + static_cast<long long>(ns);
  r.tv_sec += static_cast<time_t>(total / 1000000000LL);
  r.tv_nsec = static_cast<long>(total % 1000000000LL);
  return r;
}

// The responder: reads each 8-byte request, lets the request's wire time pass, then sends the
// reply one byte per byte time.
[[noreturn]] void Respond(int master) {
  std::vector<std::uint8_t> reply{1, 3, 2 * kCount};
  for (int i = 0; i < kCount; ++i) {
    reply.push_back(static_cast<std::uint8_t>(i >> 8));
    reply.push_back(static_cast<std::uint8_t>(i));
  }
  const std::uint16_t crc = vorel::Crc16Modbus(reply);
  reply.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  reply.push_back(static_cast<std::uint8_t>(crc >> 8));
  for (;;) {
    std::size_t got = 0;
    std::uint8_t request[8];
    while (got < sizeof request) {
      const ssize_t n = ::read(master, request + got, sizeof request - got);
      if (n <= 0) _exit(0);
      got += static_cast<std::size_t>(n);
    }
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    t = After(t, 7 * kByteNs);  // the last request byte was just received
    for (std::uint8_t b : reply) {
      t = After(t, kByteNs);
      SleepUntil(t);
      if (::write(master, &b, 1) != 1) _exit(0);
    }
  }
}

double CpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

}  // namespace

int main(int argc, char** argv) {
  int master = -1;
  int slave = -1;
  char name[256] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return 1;
  // The slave side stays open until the port has opened it: reading a master whose slave is
  // closed everywhere fails at once, which would end the responder before the first request.
  const pid_t child = fork();
  if (child == 0) Respond(master);

  QCoreApplication app(argc, argv);
  vorel::SetLanguageSetting("english");
  SilentHost host;
  vorel::QtEventPump pump;
  vorel::PosixSerialPort port;
  auto images = std::make_unique<vorel::SiteImages>();
  vorel::ModbusLink link(port, host, pump, *images);
  vorel::PortSettings settings;
  settings.name = name;
  settings.baud = kBaud;
  std::string error;
  if (!port.Open(settings, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  ::close(slave);
  link.StartTicking();

  const double wireMs = (8 + 5 + 2 * kCount) * 10.0 * 1000.0 / kBaud;
  const double pausesMs = vorel::kRequestPauseMs + 2 * vorel::kPlainReadStepMs +
                          vorel::kRequestPauseMs;  // two plain-read steps at least
  int failures = 0;
  const double cpuStart = CpuMs();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kReads; ++i) {
    link.DelayWithEvents(vorel::kRequestPauseMs);
    vorel::PlainRead(link, 1, vorel::reg::kIdentification).WaitFor();
    if (!link.WaitForReply(1)) ++failures;
  }
  const double elapsedMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const double cpuMs = CpuMs() - cpuStart;
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);

  const double perRead = elapsedMs / kReads;
  std::printf("plain read of %d registers at %d baud over a pseudo-terminal, %d reads\n", kCount,
              kBaud, kReads);
  std::printf("  elapsed per read        %8.1f ms\n", perRead);
  std::printf("  wire time               %8.1f ms (%d bytes)\n", wireMs, 8 + 5 + 2 * kCount);
  std::printf("  prescribed pauses       %8.1f ms (4 + 2 x 100 + 4)\n", pausesMs);
  std::printf("  budget wire + pauses    %8.1f ms   ratio elapsed/budget %.3f\n", wireMs + pausesMs,
              perRead / (wireMs + pausesMs));
  std::printf("  CPU of this process     %8.2f ms per read (%.2f %% of elapsed)\n", cpuMs / kReads,
              100.0 * cpuMs / elapsedMs);
  std::printf("  failed reads            %d\n", failures);
  return failures == 0 ? 0 : 1;
}

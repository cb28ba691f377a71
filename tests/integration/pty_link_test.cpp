// The link over a real pseudo-terminal: the POSIX port, the Qt event pump, a worker thread
// writing while the main thread waits, and a tiny scripted responder on the master side.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <QProcess>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/language.h"
#include "link/modbus_frame.h"
#include "link/modbus_link.h"
#include "link/posix_serial_port.h"
#include "link/qt_event_pump.h"
#include "link/request_worker.h"
#include "support/frame_bytes.h"
#include "support/scripted_host.h"

namespace vorel::test {
namespace {

using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point start) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// A pseudo-terminal whose slave is reached by path (and by a symlink to it).
class Pty {
 public:
  Pty() {
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) return;
    path_ = name;
    ::close(slave);
    link_ = std::filesystem::temp_directory_path() /
            ("vorel-pty-" + std::to_string(::getpid()) + "-" + std::to_string(master_));
    std::filesystem::remove(link_);
    std::filesystem::create_symlink(path_, link_);
  }
  ~Pty() {
    CloseMaster();
    std::filesystem::remove(link_);
  }
  int master() const { return master_; }
  const std::string& path() const { return path_; }
  std::string symlink() const { return link_.string(); }
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  // Reads exactly n bytes from the master side, waiting at most `ms`.
  Bytes ReadMaster(std::size_t n, int ms = 3000) {
    Bytes got;
    const auto start = Clock::now();
    while (got.size() < n && MsSince(start) < ms) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      std::uint8_t buf[512];
      const ssize_t r = ::read(master_, buf, std::min(sizeof buf, n - got.size()));
      if (r > 0) got.insert(got.end(), buf, buf + r);
    }
    return got;
  }
  void WriteMaster(const Bytes& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

 private:
  int master_ = -1;
  std::string path_;
  std::filesystem::path link_;
};

class PtyLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLanguageSetting("english");
    ASSERT_GE(pty.master(), 0);
  }
  void TearDown() override { SetLanguageSetting("chinese"); }

  Pty pty;
  PosixSerialPort port;
  QtEventPump pump;
  ScriptedHost host;
  std::unique_ptr<SiteImages> images = std::make_unique<SiteImages>();
};

TEST_F(PtyLinkTest, PlainReadThroughASymlinkAtACustomBaudRate) {
  PortSettings settings;
  settings.name = pty.symlink();
  settings.baud = 12345;  // custom rate; a pseudo-terminal accepts and ignores it
  std::string error;
  ASSERT_TRUE(port.Open(settings, &error)) << error;
  EXPECT_FALSE(port.ModemLinesSupported());
  EXPECT_FALSE(port.SetDtr(true));
  EXPECT_FALSE(port.CarrierDetect());

  ModbusLink link(port, host, pump, *images);
  link.StartTicking();
  Bytes request;
  std::thread responder([&] {
    request = pty.ReadMaster(8);
    pty.WriteMaster(WithCrc({0x01, 0x03, 0x04, 0x12, 0x34, 0xFF, 0xFE}));
  });
  PlainRead(link, 1, RegisterBlock{0x0010, 2, 0, ""}).WaitFor();
  const bool ok = static_cast<bool>(link.WaitForReply(1));
  responder.join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(request, WithCrc({0x01, 0x03, 0x00, 0x10, 0x00, 0x02}));
  EXPECT_EQ(images->Word(1, 0x10), 0x1234);
  EXPECT_EQ(images->Word(1, 0x11), 0xFFFE);
  EXPECT_EQ(link.CommState(1), kCommDone);
}

TEST_F(PtyLinkTest, InputCountPurgeAndReadTimeout) {
  ASSERT_TRUE(port.Open(PortSettings{pty.path()}, nullptr));
  pty.WriteMaster({1, 2, 3, 4, 5, 6, 7});
  ASSERT_TRUE(port.WaitForInput(1000));
  for (int i = 0; i < 100 && port.InputCount() < 7; ++i) port.WaitForInput(5);
  EXPECT_EQ(port.InputCount(), 7);
  // A read of 10 bytes when 7 are there returns the 7 after the 4 s read timeout.
  std::uint8_t buf[10] = {};
  const auto start = Clock::now();
  EXPECT_EQ(port.Read(buf), 7);
  EXPECT_GE(MsSince(start), kPortTimeoutMs - 50);
  EXPECT_EQ(buf[6], 7);

  pty.WriteMaster({9, 9, 9});
  port.WaitForInput(1000);
  port.PurgeInput();
  EXPECT_EQ(port.InputCount(), 0);
}

TEST_F(PtyLinkTest, VanishingPortFailsCleanly) {
  ASSERT_TRUE(port.Open(PortSettings{pty.path()}, nullptr));
  ModbusLink link(port, host, pump, *images);
  link.StartTicking();
  std::thread unplug([&] {
    pty.ReadMaster(8);
    pty.CloseMaster();  // the adapter is pulled while the reply is awaited
  });
  PlainRead(link, 1, RegisterBlock{0x0010, 2, 0, ""}).WaitFor();
  const auto start = Clock::now();
  const RequestResult result = link.WaitForReply(1);
  unplug.join();
  EXPECT_LT(MsSince(start), 3000);
  // Ended by the timeout path: what the user is told, by the caller; the link shows nothing.
  EXPECT_FALSE(result);
  EXPECT_EQ(OutcomeMessage(result.outcome), "Communication timeout!");
  EXPECT_TRUE(host.messages.empty());
  EXPECT_TRUE(port.Gone());
  const std::uint8_t frame[] = {1, 2, 3};
  EXPECT_FALSE(port.Write(frame));
  EXPECT_EQ(port.InputCount(), 0);
  // Waiting on a vanished port still takes its time instead of spinning.
  const auto wait = Clock::now();
  EXPECT_FALSE(port.WaitForInput(50));
  EXPECT_GE(MsSince(wait), 45);
}

TEST_F(PtyLinkTest, OpenFailuresSayWhy) {
  std::string error;
  EXPECT_FALSE(port.Open(PortSettings{"/nonexistent/ttyX"}, &error));
  EXPECT_NE(error.find("/nonexistent/ttyX"), std::string::npos);
  EXPECT_FALSE(port.Open(PortSettings{"/dev/null"}, &error));
  EXPECT_NE(error.find("not a serial port"), std::string::npos);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(SerialPortPath("COM1"), "/dev/ttyS0");
  EXPECT_EQ(SerialPortPath("ttyUSB0"), "/dev/ttyUSB0");
}

struct CliRun {
  int status;
  QByteArray out;
  QByteArray err;
};

CliRun RunCli(const QStringList& args) {
  QProcess cli;
  cli.start(VOREL_CLI_PATH, args);
  cli.waitForFinished(15000);
  return {cli.exitCode(), cli.readAllStandardOutput(), cli.readAllStandardError()};
}

TEST_F(PtyLinkTest, CliReadAndWrite) {
  const QString path = QString::fromStdString(pty.path());
  std::thread responder([&] {
    if (pty.ReadMaster(8) == WithCrc({0x05, 0x03, 0x00, 0x20, 0x00, 0x03})) {
      pty.WriteMaster(WithCrc({0x05, 0x03, 0x06, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00}));
    }
  });
  const CliRun read = RunCli({"--port", path, "--baud", "19200", "read", "5", "0x20", "3"});
  responder.join();
  EXPECT_EQ(read.status, 0) << read.err.toStdString();
  EXPECT_EQ(read.out, "0 65535 256\n");

  Bytes written;
  responder = std::thread([&] {
    written = pty.ReadMaster(11);
    pty.WriteMaster(WithCrc({0x03, 0x10, 0x00, 0x30, 0x00, 0x01}));
  });
  // Register 48 is no parameter: written as it is, without identification.
  const CliRun write = RunCli({"--port", path, "write", "3", "48", "0x0005"});
  responder.join();
  EXPECT_EQ(write.status, 0) << write.err.toStdString();
  EXPECT_EQ(written, WithCrc({0x03, 0x10, 0x00, 0x30, 0x00, 0x01, 0x02, 0x00, 0x05}));

  responder = std::thread([&] {
    pty.ReadMaster(8);
    Bytes reply = WithCrc({0x05, 0x03, 0x02, 0x00, 0x07});
    reply.back() ^= 0x80;
    pty.WriteMaster(reply);
  });
  const CliRun bad = RunCli({"--port", path, "read", "5", "0", "1"});
  responder.join();
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err, "CRC error!\n");
}

TEST(Cli, UsageErrors) {
  EXPECT_EQ(RunCli({"--help"}).status, 0);
  const QStringList bad[] = {
      {},
      {"read", "1", "0"},
      {"read", "0", "0", "1"},
      {"read", "33", "0", "1"},
      {"read", "1", "0x10000", "1"},
      {"read", "1", "0", "126"},
      {"read", "1", "12z", "1"},
      {"write", "1", "0"},
      {"write", "1", "0", "65536"},
      {"--baud", "fast", "read", "1", "0", "1"},
      {"--baud", "auto", "read", "1", "0", "1"},
      {"scan", "--baud", "9600"},
      {"scan", "1"},
      {"frobnicate"},
  };
  for (const QStringList& args : bad) {
    SCOPED_TRACE(args.join(' ').toStdString());
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.startsWith("vorel-cli: ")) << run.err.toStdString();
  }
  QStringList tooMany{"write", "1", "0"};
  for (int i = 0; i < 124; ++i) tooMany << "1";
  EXPECT_EQ(RunCli(tooMany).status, 2);
}

TEST(Cli, PortThatCannotBeOpened) {
  const CliRun run = RunCli({"--port", "/nonexistent/tty", "read", "1", "0", "1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.err.contains("Com port openning error"));
}

}  // namespace
}  // namespace vorel::test

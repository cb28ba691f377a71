// A throw-away PostgreSQL cluster for the tests that meet a real server: initdb and pg_ctl in a
// temporary folder, listening on a free localhost port, run as the ordinary user when the tests
// run as root (the server refuses root). Start it once per test program; it is stopped by the
// PID its postmaster wrote when the object goes.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/ordinary_user.h"

namespace vorel::test {

inline constexpr const char* kPostgresBin = "/usr/lib/postgresql/15/bin";

class PostgresServer {
 public:
  // Nothing to start (Available() false) where the server's programs are absent.
  PostgresServer() {
    if (!std::filesystem::exists(std::filesystem::path(kPostgresBin) / "pg_ctl")) return;
    dir_ = std::make_unique<UserDir>();
    port_ = FreePort();
    const std::string data = (dir_->path() / "data").string();
    if (!Run({Bin("initdb"), "-D", data, "-U", "vorel", "--auth=trust", "-E", "UTF8", "--no-sync",
              "-N"}))
      return;
    const std::string options =
        "-p " + std::to_string(port_) + " -h 127.0.0.1 -F -k " + dir_->path().string();
    started_ = Run({Bin("pg_ctl"), "-D", data, "-o", options, "-l", (dir_->path() / "log").string(),
                    "-w", "-s", "start"});
  }
  ~PostgresServer() { Stop(); }
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  bool Available() const { return started_; }
  int Port() const { return port_; }
  std::string Url(const std::string& database) const {
    return "postgresql://vorel@127.0.0.1:" + std::to_string(port_) + "/" + database;
  }
  // Makes an empty database; false when the server refused.
  bool CreateDatabase(const std::string& name) {
    return Run(
        {Bin("createdb"), "-h", "127.0.0.1", "-p", std::to_string(port_), "-U", "vorel", name});
  }
  // Stops the server (fast shutdown, by its postmaster's PID) and starts it again.
  void Stop() {
    if (!started_) return;
    std::ifstream pidFile(dir_->path() / "data" / "postmaster.pid");
    pid_t pid = 0;
    if (pidFile >> pid && pid > 0) {
      ::kill(pid, SIGINT);
      for (int i = 0; i < 200 && ::kill(pid, 0) == 0; ++i) ::usleep(25'000);
    }
    started_ = false;
  }
  bool Start() {
    const std::string data = (dir_->path() / "data").string();
    const std::string options =
        "-p " + std::to_string(port_) + " -h 127.0.0.1 -F -k " + dir_->path().string();
    started_ = Run({Bin("pg_ctl"), "-D", data, "-o", options, "-l", (dir_->path() / "log").string(),
                    "-w", "-s", "start"});
    return started_;
  }

 private:
  static std::string Bin(const char* name) {
    return (std::filesystem::path(kPostgresBin) / name).string();
  }
  static int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    const int port = ntohs(address.sin_port);
    ::close(fd);
    return port;
  }
  // Runs a program, as the ordinary user when we are root; true when it exited with 0.
  static bool Run(std::vector<std::string> args) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (RunningAsRoot() && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(126);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::chdir("/tmp");
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  std::unique_ptr<UserDir> dir_;
  int port_ = 0;
  bool started_ = false;
};

}  // namespace vorel::test

// Runs vorel-sim as a child process on a pseudo-terminal link in a temporary directory, for
// tests that talk to a simulated controller.
#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

namespace vorel::test {

class SimProcess {
 public:
  explicit SimProcess(std::string program);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Starts the simulator with "--link <dir>/line" and `arguments`, and waits (up to 10 s) for
  // its "ready" line. Returns false with the reason in `error()`.
  bool Start(const QStringList& arguments);
  // Sends SIGTERM and waits for the exit; returns the exit code (-1 on a crash or time-out).
  int Stop();

  std::string LinkPath() const;
  // A file name inside the temporary directory.
  std::string File(const std::string& name) const;
  const std::string& error() const { return error_; }
  QByteArray StandardError();

 private:
  std::string program_;
  QTemporaryDir dir_;
  QProcess process_;
  std::string error_;
};

}  // namespace vorel::test

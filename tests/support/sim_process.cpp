#include "sim_process.h"

namespace vorel::test {

SimProcess::SimProcess(std::string program) : program_(std::move(program)) {}

SimProcess::~SimProcess() {
  if (process_.state() != QProcess::NotRunning) Stop();
}

std::string SimProcess::LinkPath() const {
  return File("line");
}

std::string SimProcess::File(const std::string& name) const {
  return dir_.filePath(QString::fromStdString(name)).toStdString();
}

QByteArray SimProcess::StandardError() {
  return process_.readAllStandardError();
}

bool SimProcess::Start(const QStringList& arguments) {
  if (!dir_.isValid()) {
    error_ = "no temporary directory";
    return false;
  }
  QStringList all{"--link", QString::fromStdString(LinkPath())};
  all += arguments;
  process_.start(QString::fromStdString(program_), all);
  if (!process_.waitForStarted(10000)) {
    error_ = "cannot start " + program_;
    return false;
  }
  QByteArray out;
  while (!out.contains('\n')) {
    if (!process_.waitForReadyRead(10000)) {
      error_ = "no ready line: " + process_.readAllStandardError().toStdString();
      return false;
    }
    out += process_.readAllStandardOutput();
  }
  if (!out.startsWith("ready ")) {
    error_ = "unexpected output: " + out.toStdString();
    return false;
  }
  return true;
}

int SimProcess::Stop() {
  if (process_.state() == QProcess::NotRunning) {
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }
  process_.terminate();
  if (!process_.waitForFinished(10000)) {
    process_.kill();
    process_.waitForFinished(2000);
    return -1;
  }
  return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

}  // namespace vorel::test

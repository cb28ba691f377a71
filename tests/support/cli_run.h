// A command-line program run by a test as its own process: its exit code and what it printed.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <string>
#include <utility>
#include <vector>

namespace vorel::test {

struct CliRun {
  int exitCode = -1;  // -1 also when the program did not end in time
  std::string out;
  std::string err;
};

// Runs `program` with `args`; `environment` adds or replaces variables of the test's own.
inline CliRun RunProgram(const QString& program, const QStringList& args,
                         const std::vector<std::pair<QString, QString>>& environment = {},
                         int timeoutMs = 120000) {
  QProcess process;
  if (!environment.empty()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment) env.insert(name, value);
    process.setProcessEnvironment(env);
  }
  process.start(program, args);
  if (!process.waitForFinished(timeoutMs)) return {};
  return {process.exitCode(), process.readAllStandardOutput().toStdString(),
          process.readAllStandardError().toStdString()};
}

}  // namespace vorel::test

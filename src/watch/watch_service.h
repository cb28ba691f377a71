// The whole watch service: a broker connection and a line watcher per line, the metrics
// endpoint, and the orderly end on SIGTERM or SIGINT: every line says "offline" and the
// process is gone within 2 s.
#pragma once

#include <string>

#include "watch/watch_config.h"

namespace vorel {

inline constexpr int kWatchStopBudgetMs = 2000;

// Runs until SIGTERM or SIGINT; returns the exit status (0 after a signal, 1 when it could not
// start, with the reason on standard error). Call with the signals still unblocked, before any
// other thread exists; QCoreApplication must exist.
int RunWatchService(const WatchConfig& config);

}  // namespace vorel

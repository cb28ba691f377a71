// Why the history cannot be kept: the one message, in both languages, that the tool shows
// once before it goes on without history.
#pragma once

#include <string>

namespace vorel {

struct HistoryProblem {
  enum class Kind { CannotOpen, Locked, Full, NewerSchema };
  Kind kind = Kind::CannotOpen;
  std::string database;  // the file or URL
  std::string reason;    // the database's own words (CannotOpen), or the schema version
};

// The message in the current language.
std::string HistoryProblemMessage(const HistoryProblem& problem);

}  // namespace vorel

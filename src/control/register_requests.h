// One request to a site, waited for: a read of one block or a function-16 write. The session
// implements it on its link; a failure's message is shown through the host.
#pragma once

#include <cstdint>
#include <span>

#include "core/register_table.h"
#include "link/request_outcome.h"

namespace vorel {

// Which worker carries a read (they differ in the request group they belong to).
enum class ReadKind { Plain, EventLog, ValueConfig, Value, ParameterConfig, Parameter };

class RegisterRequests {
 public:
  // `pauseBeforeReplyMs` is a pause of ours between sending and collecting, after which the
  // reply gets its full allowance.
  virtual RequestResult Read(ReadKind kind, int site, const RegisterBlock& block,
                             int pauseBeforeReplyMs) = 0;
  RequestResult Read(ReadKind kind, int site, const RegisterBlock& block) {
    return Read(kind, site, block, 0);
  }
  virtual RequestResult WriteBlock(int site, std::uint16_t address,
                                   std::span<const std::uint16_t> words) = 0;

 protected:
  ~RegisterRequests() = default;
};

}  // namespace vorel

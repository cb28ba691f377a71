// How a use case that reads or writes blocks of registers ended: whether it completed, which
// blocks the controller answered (for a write: acknowledged) and the block where it failed.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "link/request_outcome.h"

namespace vorel {

struct BlockSpan {
  std::uint16_t address = 0;
  std::uint16_t count = 0;

  bool operator==(const BlockSpan&) const = default;
};

struct FailedBlock {
  BlockSpan block;
  RequestResult result;

  bool operator==(const FailedBlock&) const = default;
};

enum class TransferStatus {
  Completed,  // every request answered
  Failed,     // a request was not answered (see `failed`)
  Refused,    // nothing sent: the site, its protection or mode, or the user said no
  Busy,       // nothing sent: another exchange runs
  Offline,    // nothing sent: the site's window holds a file, only the value image changed
  Cancelled,  // the user stopped it after a request; it counts as not completed
};

struct TransferResult {
  TransferStatus status = TransferStatus::Refused;
  // The blocks answered, in the order sent.
  std::vector<BlockSpan> answered;
  // The first block that was not answered, and how its request ended.
  std::optional<FailedBlock> failed;
  // The write went out but its line in the audit trail could not be written (told): a
  // failure, since nothing records what changed.
  bool unrecorded = false;

  bool Completed() const { return status == TransferStatus::Completed; }
  explicit operator bool() const { return Completed(); }

  // One request of the transfer ended: answered, or the first failure kept.
  void Add(BlockSpan block, RequestResult result) {
    if (result) {
      answered.push_back(block);
    } else if (!failed) {
      failed = FailedBlock{block, result};
    }
  }
  // The end of a transfer that sent its requests: Completed unless one failed.
  TransferResult& Finish() {
    status = failed ? TransferStatus::Failed : TransferStatus::Completed;
    return *this;
  }
  TransferResult& MarkUnrecorded() {
    unrecorded = true;
    if (status == TransferStatus::Completed) status = TransferStatus::Failed;
    return *this;
  }
};

}  // namespace vorel

// A file that keeps history records while the database is away longer than the writer's queue
// holds: records are appended in order, each framed with its length and a checksum and written
// with one write call, and made durable per batch, so a crash loses at most what was being
// appended (a torn last frame is recognised and left out). Replay reads the frames in order from
// where the last replay got; the file is removed after a complete replay. The file never grows
// past its limit: what would pass it is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "store/history_location.h"
#include "store/history_records.h"

namespace vorel {

class HistorySpool {
 public:
  HistorySpool(std::filesystem::path file, std::uint64_t limitBytes);
  ~HistorySpool();
  HistorySpool(const HistorySpool&) = delete;
  HistorySpool& operator=(const HistorySpool&) = delete;

  // Records kept and not yet replayed (a file left by an earlier run counts).
  bool HasRecords();
  // Appends the records in order and makes them durable; the count appended (the rest would
  // pass the limit, or the file cannot be written).
  std::size_t Append(std::span<const HistoryRecord> records);
  // Up to `most` records from where replay got, in order; `next` is where the next read starts.
  std::vector<HistoryRecord> Read(std::size_t most, std::uint64_t* next);
  // The records up to `next` are in the database: the next read starts there. After the last
  // record the file goes.
  void Replayed(std::uint64_t next);

  const std::filesystem::path& File() const { return file_; }

 private:
  bool OpenFile();
  // Where the last whole frame ends.
  // Whether a whole frame whose checksum holds starts at `at`; its payload goes to `payload`.
  bool FrameAt(std::uint64_t at, std::string* payload);
  std::uint64_t ValidEnd();
  void RemoveFile();

  std::filesystem::path file_;
  std::uint64_t limit_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::uint64_t replayedTo_ = 0;
};

// The spool of a database: beside the default history file, named after the location, so that
// records kept for one database never reach another.
std::filesystem::path HistorySpoolFile(const HistoryLocation& location);

// A record as the spool frames it, and back (nothing for bytes that are not one).
std::string EncodeHistoryRecord(const HistoryRecord& record);
std::optional<HistoryRecord> DecodeHistoryRecord(std::string_view bytes);

}  // namespace vorel

#include "store/history_spool.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "core/sha256.h"

namespace vorel {

namespace {

// The file starts with its mark and where replay got (8 bytes, rewritten in place); frames
// follow: length (4 bytes), checksum (4 bytes), the record.
constexpr char kMark[8] = {'V', 'H', 'S', 'P', 'O', 'O', 'L', '1'};
constexpr std::uint64_t kHeader = 16;
constexpr std::uint32_t kMostFrame = 16u << 20;

std::uint32_t Checksum(std::string_view bytes) {
  // FNV-1a: a torn or overwritten frame, not an attacker, is what it finds.
  std::uint32_t h = 2166136261u;
  for (unsigned char c : bytes) h = (h ^ c) * 16777619u;
  return h;
}

class Out {
 public:
  void U(std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) text.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  }
  void I(std::int64_t v) { U(static_cast<std::uint64_t>(v), 8); }
  void S(const std::string& s) {
    U(s.size(), 4);
    text += s;
  }
  std::string text;
};

class In {
 public:
  explicit In(std::string_view bytes) : rest_(bytes) {}
  std::uint64_t U(int bytes) {
    if (rest_.size() < static_cast<std::size_t>(bytes)) {
      ok_ = false;
      return 0;
    }
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
      v |= static_cast<std::uint64_t>(static_cast<unsigned char>(rest_[i])) << (8 * i);
    rest_.remove_prefix(static_cast<std::size_t>(bytes));
    return v;
  }
  std::int64_t I() { return static_cast<std::int64_t>(U(8)); }
  int Int() { return static_cast<int>(I()); }
  std::string S() {
    const std::uint64_t n = U(4);
    if (n > rest_.size()) {
      ok_ = false;
      return {};
    }
    std::string s(rest_.substr(0, n));
    rest_.remove_prefix(n);
    return s;
  }
  bool Done() const { return ok_ && rest_.empty(); }
  bool Ok() const { return ok_; }

 private:
  std::string_view rest_;
  bool ok_ = true;
};

void PutPlace(Out& o, const RecordPlace& p) {
  o.S(p.controller.serial);
  o.I(p.controller.productCode);
  o.I(p.address);
  o.S(p.port);
  o.I(p.timeMs);
}

RecordPlace GetPlace(In& in) {
  RecordPlace p;
  p.controller.serial = in.S();
  p.controller.productCode = in.Int();
  p.address = in.Int();
  p.port = in.S();
  p.timeMs = in.I();
  return p;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string EncodeHistoryRecord(const HistoryRecord& record) {
  // A new kind of record needs its encoding here and its decoding below.
  static_assert(std::variant_size_v<HistoryRecord> == 7);
  Out o;
  o.U(record.index(), 1);
  if (const auto* r = std::get_if<IdentificationRecord>(&record)) {
    PutPlace(o, r->place);
    o.S(r->firmware);
    o.S(r->deviceName);
    o.S(r->generatorName);
    o.S(r->operatorName);
  } else if (const auto* r = std::get_if<ParameterSetRecord>(&record)) {
    PutPlace(o, r->place);
    o.U(static_cast<std::uint64_t>(r->kind), 1);
    o.U(r->words.size(), 4);
    for (const auto& [reg, word] : r->words) o.U(static_cast<std::uint64_t>(reg) << 16 | word, 4);
  } else if (const auto* r = std::get_if<WriteRecord>(&record)) {
    PutPlace(o, r->place);
    for (const std::string* s : {&r->action, &r->outcome, &r->note, &r->file, &r->operatorName})
      o.S(*s);
    o.U(r->changes.size(), 4);
    for (const WriteChange& c : r->changes) {
      o.U(c.reg, 2);
      o.U(c.before, 2);
      o.U(c.after, 2);
    }
  } else if (const auto* r = std::get_if<EventLogReadRecord>(&record)) {
    PutPlace(o, r->place);
    o.U(r->records.size(), 4);
    for (const EventRecordWords& words : r->records)
      for (std::uint16_t w : words) o.U(w, 2);
  } else if (const auto* r = std::get_if<SampleRecord>(&record)) {
    o.S(r->controller.serial);
    o.I(r->controller.productCode);
    o.I(r->timeMs);
    o.U(r->gap ? 1 : 0, 1);
    for (std::int16_t c : r->counts) o.U(static_cast<std::uint16_t>(c), 2);
    for (std::uint8_t d : r->divisors) o.U(d, 1);
  } else if (const auto* r = std::get_if<AlarmJournalRecord>(&record)) {
    PutPlace(o, r->place);
    o.S(r->entryId);
    o.I(r->seq);
    o.S(r->siteName);
    o.U((r->appeared ? 1 : 0) | (r->atFirstPoll ? 2 : 0) | (r->highlighted ? 4 : 0), 1);
    o.I(r->code);
    o.S(r->controllerTime);
  } else if (const auto* r = std::get_if<AlarmAcknowledgement>(&record)) {
    o.S(r->entryId);
    o.S(r->who);
    o.I(r->timeMs);
  }
  return o.text;
}

std::optional<HistoryRecord> DecodeHistoryRecord(std::string_view bytes) {
  In in(bytes);
  std::optional<HistoryRecord> record;
  switch (in.U(1)) {
    case 0: {
      IdentificationRecord r;
      r.place = GetPlace(in);
      r.firmware = in.S();
      r.deviceName = in.S();
      r.generatorName = in.S();
      r.operatorName = in.S();
      record = std::move(r);
      break;
    }
    case 1: {
      ParameterSetRecord r;
      r.place = GetPlace(in);
      const std::uint64_t kind = in.U(1);
      if (kind > static_cast<std::uint64_t>(ParameterSetKind::Snapshot)) return std::nullopt;
      r.kind = static_cast<ParameterSetKind>(kind);
      const std::uint64_t n = in.U(4);
      if (n > bytes.size()) return std::nullopt;
      for (std::uint64_t i = 0; i < n && in.Ok(); ++i) {
        const std::uint64_t v = in.U(4);
        r.words.emplace_back(static_cast<std::uint16_t>(v >> 16), static_cast<std::uint16_t>(v));
      }
      record = std::move(r);
      break;
    }
    case 2: {
      WriteRecord r;
      r.place = GetPlace(in);
      for (std::string* s : {&r.action, &r.outcome, &r.note, &r.file, &r.operatorName}) *s = in.S();
      const std::uint64_t n = in.U(4);
      if (n > bytes.size()) return std::nullopt;
      for (std::uint64_t i = 0; i < n && in.Ok(); ++i) {
        WriteChange c;
        c.reg = static_cast<std::uint16_t>(in.U(2));
        c.before = static_cast<std::uint16_t>(in.U(2));
        c.after = static_cast<std::uint16_t>(in.U(2));
        r.changes.push_back(c);
      }
      record = std::move(r);
      break;
    }
    case 3: {
      EventLogReadRecord r;
      r.place = GetPlace(in);
      const std::uint64_t n = in.U(4);
      if (n > bytes.size()) return std::nullopt;
      for (std::uint64_t i = 0; i < n && in.Ok(); ++i) {
        EventRecordWords words{};
        for (std::uint16_t& w : words) w = static_cast<std::uint16_t>(in.U(2));
        r.records.push_back(words);
      }
      record = std::move(r);
      break;
    }
    case 4: {
      SampleRecord r;
      r.controller.serial = in.S();
      r.controller.productCode = in.Int();
      r.timeMs = in.I();
      r.gap = in.U(1) != 0;
      for (std::int16_t& c : r.counts) c = static_cast<std::int16_t>(in.U(2));
      for (std::uint8_t& d : r.divisors) d = static_cast<std::uint8_t>(in.U(1));
      record = std::move(r);
      break;
    }
    case 5: {
      AlarmJournalRecord r;
      r.place = GetPlace(in);
      r.entryId = in.S();
      r.seq = in.Int();
      r.siteName = in.S();
      const std::uint64_t flags = in.U(1);
      r.appeared = (flags & 1) != 0;
      r.atFirstPoll = (flags & 2) != 0;
      r.highlighted = (flags & 4) != 0;
      r.code = in.Int();
      r.controllerTime = in.S();
      record = std::move(r);
      break;
    }
    case 6: {
      AlarmAcknowledgement r;
      r.entryId = in.S();
      r.who = in.S();
      r.timeMs = in.I();
      record = std::move(r);
      break;
    }
    default:
      return std::nullopt;
  }
  if (!in.Done()) return std::nullopt;
  return record;
}

std::filesystem::path HistorySpoolFile(const HistoryLocation& location) {
  return DefaultHistoryFile().parent_path() /
         ("history-spool-" + Sha256Hex(location.Name()).substr(0, 16) + ".bin");
}

HistorySpool::HistorySpool(std::filesystem::path file, std::uint64_t limitBytes)
    : file_(std::move(file)), limit_(limitBytes) {}

HistorySpool::~HistorySpool() {
  if (fd_ >= 0) ::close(fd_);
}

bool HistorySpool::OpenFile() {
  if (fd_ >= 0) return true;
  std::error_code ec;
  std::filesystem::create_directories(file_.parent_path(), ec);
  fd_ = ::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) return false;
  struct stat st {};
  ::fstat(fd_, &st);
  size_ = static_cast<std::uint64_t>(st.st_size);
  std::array<char, kHeader> header{};
  if (size_ >= kHeader &&
      ::pread(fd_, header.data(), kHeader, 0) == static_cast<ssize_t>(kHeader) &&
      std::memcmp(header.data(), kMark, sizeof kMark) == 0) {
    std::memcpy(&replayedTo_, header.data() + 8, 8);
    replayedTo_ = std::clamp(replayedTo_, kHeader, size_);
    // A frame torn by a crash ends the file: later appends go where it began.
    const std::uint64_t end = ValidEnd();
    if (end < size_ && ::ftruncate(fd_, static_cast<off_t>(end)) == 0) size_ = end;
    return true;
  }
  // New, or not a spool (a header torn at its first write): start it afresh.
  if (::ftruncate(fd_, 0) != 0) return false;
  std::memcpy(header.data(), kMark, sizeof kMark);
  replayedTo_ = kHeader;
  std::memcpy(header.data() + 8, &replayedTo_, 8);
  if (::pwrite(fd_, header.data(), kHeader, 0) != static_cast<ssize_t>(kHeader)) return false;
  size_ = kHeader;
  return true;
}

bool HistorySpool::HasRecords() {
  std::error_code ec;
  if (fd_ < 0 && !std::filesystem::exists(file_, ec)) return false;
  if (!OpenFile()) return false;
  return size_ > replayedTo_;
}

std::size_t HistorySpool::Append(std::span<const HistoryRecord> records) {
  if (records.empty() || !OpenFile()) return 0;
  std::string frames;
  std::size_t count = 0;
  for (const HistoryRecord& record : records) {
    const std::string payload = EncodeHistoryRecord(record);
    if (size_ + frames.size() + 8 + payload.size() > limit_) break;
    Out o;
    o.U(payload.size(), 4);
    o.U(Checksum(payload), 4);
    frames += o.text;
    frames += payload;
    ++count;
  }
  // Appended at the end as one write: a crash leaves at most a torn last frame.
  if (count == 0 || ::lseek(fd_, 0, SEEK_END) < 0 || !WriteAll(fd_, frames)) return 0;
  ::fdatasync(fd_);
  size_ += frames.size();
  return count;
}

bool HistorySpool::FrameAt(std::uint64_t at, std::string* payload) {
  if (at + 8 > size_) return false;
  std::array<char, 8> head{};
  if (::pread(fd_, head.data(), 8, static_cast<off_t>(at)) != 8) return false;
  In in(std::string_view(head.data(), 8));
  const auto length = static_cast<std::uint32_t>(in.U(4));
  const auto sum = static_cast<std::uint32_t>(in.U(4));
  if (length > kMostFrame || at + 8 + length > size_) return false;
  payload->assign(length, '\0');
  return ::pread(fd_, payload->data(), length, static_cast<off_t>(at + 8)) ==
             static_cast<ssize_t>(length) &&
         Checksum(*payload) == sum;
}

std::uint64_t HistorySpool::ValidEnd() {
  std::uint64_t at = replayedTo_;
  std::string payload;
  while (FrameAt(at, &payload)) at += 8 + payload.size();
  return at;
}

std::vector<HistoryRecord> HistorySpool::Read(std::size_t most, std::uint64_t* next) {
  std::vector<HistoryRecord> records;
  *next = replayedTo_;
  if (!OpenFile()) return records;
  std::uint64_t at = replayedTo_;
  std::string payload;
  while (records.size() < most && FrameAt(at, &payload)) {
    std::optional<HistoryRecord> record = DecodeHistoryRecord(payload);
    if (!record) break;
    records.push_back(std::move(*record));
    at += 8 + payload.size();
  }
  // A frame that cannot be read ends the spool: what follows it is given up.
  *next = records.size() < most ? size_ : at;
  return records;
}

void HistorySpool::Replayed(std::uint64_t next) {
  if (fd_ < 0) return;
  replayedTo_ = next;
  if (replayedTo_ >= size_) {
    RemoveFile();
    return;
  }
  // Eight bytes in one sector: rewritten whole or not at all.
  if (::pwrite(fd_, &replayedTo_, 8, 8) == 8) ::fdatasync(fd_);
}

void HistorySpool::RemoveFile() {
  ::close(fd_);
  fd_ = -1;
  std::error_code ec;
  std::filesystem::remove(file_, ec);
  size_ = 0;
  replayedTo_ = 0;
}

}  // namespace vorel

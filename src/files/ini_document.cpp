#include "files/ini_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/cp936.h"
#include "files/atomic_file.h"
#include "files/scoped_fd.h"

namespace vorel {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsSpace(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::string Fold(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace

IniDocument::IniDocument() {
  sections_.push_back(Section{});
}

std::string IniDocument::Decode(std::string_view raw) const {
  return utf8_ ? std::string(raw) : Cp936ToUtf8(raw);
}

std::string IniDocument::Encode(std::string_view utf8) const {
  return utf8_ ? std::string(utf8) : Utf8ToCp936(utf8);
}

IniDocument IniDocument::FromBytes(std::string_view bytes) {
  IniDocument doc;
  if (bytes.substr(0, kBom.size()) == kBom) {
    doc.utf8_ = true;
    bytes.remove_prefix(kBom.size());
  }
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      doc.AddLine(bytes.substr(start));
      break;
    }
    doc.AddLine(bytes.substr(start, end - start));
    start = end + 1;
    if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
  }
  return doc;
}

void IniDocument::AddLine(std::string_view raw) {
  std::string text = Decode(raw);
  std::string_view t = Trim(text);
  if (!t.empty() && t.front() == '[') {
    t.remove_prefix(1);
    std::size_t close = t.find(']');
    Section s;
    s.name = std::string(Trim(t.substr(0, close)));
    s.hasHeader = true;
    s.headerRaw = std::string(raw);
    std::string folded = Fold(s.name);
    sections_.push_back(std::move(s));
    sectionIndex_.try_emplace(folded, sections_.size() - 1);
    return;
  }
  Line line;
  line.raw = std::string(raw);
  line.blank = t.empty();
  Section& section = sections_.back();
  std::size_t eq = t.find('=');
  if (!t.empty() && t.front() != ';' && eq != std::string_view::npos) {
    std::string_view key = Trim(t.substr(0, eq));
    if (!key.empty()) {
      line.key = std::string(key);
      line.value = std::string(Trim(t.substr(eq + 1)));
      section.keys.try_emplace(Fold(key), section.lines.size());
    }
  }
  section.lines.push_back(std::move(line));
}

bool IniDocument::Load(const std::filesystem::path& path, FileError* error, std::size_t maxBytes) {
  const auto fail = [&](const FileError& why) {
    if (error) *error = why;
    return false;
  };
  const auto tooLarge = [&] { return fail(FileError::TooLarge(maxBytes)); };
  ScopedFd f;
  // Non-blocking, so that a named pipe in place of the file cannot hang the program; it is
  // refused below as not a regular file.
  f.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (f.fd < 0) {
    if (errno == ENOENT) {
      *this = IniDocument();
      return true;
    }
    return fail(FileError::System(errno));
  }
  struct stat st {};
  if (::fstat(f.fd, &st) != 0) return fail(FileError::System(errno));
  if (!S_ISREG(st.st_mode)) return fail(FileError::NotRegularFile());
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) return tooLarge();
  std::string bytes;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(f.fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(FileError::System(errno));
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
    if (bytes.size() > maxBytes) return tooLarge();
  }
  *this = FromBytes(bytes);
  return true;
}

const IniDocument::Line* IniDocument::FindLine(std::string_view section,
                                               std::string_view key) const {
  auto s = sectionIndex_.find(Fold(Trim(section)));
  if (s == sectionIndex_.end()) return nullptr;
  const Section& sec = sections_[s->second];
  auto k = sec.keys.find(Fold(Trim(key)));
  return k == sec.keys.end() ? nullptr : &sec.lines[k->second];
}

std::string IniDocument::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  const Line* line = FindLine(section, key);
  return line ? line->value : std::string(defaultValue);
}

bool IniDocument::HasSection(std::string_view section) const {
  return sectionIndex_.count(Fold(Trim(section))) != 0;
}

bool IniDocument::HasKey(std::string_view section, std::string_view key) const {
  return FindLine(section, key) != nullptr;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (std::size_t i = 1; i < sections_.size(); ++i)
    if (sectionIndex_.at(Fold(sections_[i].name)) == i) names.push_back(sections_[i].name);
  return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  auto s = sectionIndex_.find(Fold(Trim(section)));
  if (s == sectionIndex_.end()) return names;
  const Section& sec = sections_[s->second];
  for (std::size_t i = 0; i < sec.lines.size(); ++i) {
    const Line& line = sec.lines[i];
    if (!line.key.empty() && sec.keys.at(Fold(line.key)) == i) names.push_back(line.key);
  }
  return names;
}

void IniDocument::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  // A line break inside a value would split the line and change the file's structure.
  std::string clean(value);
  for (char& c : clean)
    if (c == '\r' || c == '\n') c = ' ';
  std::string_view v = Trim(clean);
  std::string foldedSection = Fold(section);
  auto s = sectionIndex_.find(foldedSection);
  if (s == sectionIndex_.end()) {
    Section sec;
    sec.name = std::string(section);
    sec.hasHeader = true;
    sec.headerRaw = Encode("[" + sec.name + "]");
    sections_.push_back(std::move(sec));
    s = sectionIndex_.emplace(foldedSection, sections_.size() - 1).first;
  }
  Section& sec = sections_[s->second];
  std::string foldedKey = Fold(key);
  auto k = sec.keys.find(foldedKey);
  if (k != sec.keys.end()) {
    // Keep the key as it is spelled in the file, up to and including the '='.
    Line& line = sec.lines[k->second];
    std::size_t eq = line.raw.find('=');
    line.raw = line.raw.substr(0, eq + 1) + Encode(v);
    line.value = std::string(v);
    return;
  }
  Line line;
  line.key = std::string(key);
  line.value = std::string(v);
  line.raw = Encode(line.key + "=" + line.value);
  // After the last line that is not blank, so blank lines that end a section stay between it
  // and the next header. Only blank lines move, so the key index stays valid.
  std::size_t at = sec.lines.size();
  while (at > 0 && sec.lines[at - 1].blank) --at;
  sec.lines.insert(sec.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
  sec.keys.emplace(std::move(foldedKey), at);
}

std::string IniDocument::ToBytes() const {
  std::size_t size = utf8_ ? kBom.size() : 0;
  for (const Section& sec : sections_) {
    size += sec.headerRaw.size() + 2;
    for (const Line& line : sec.lines) size += line.raw.size() + 2;
  }
  std::string out;
  out.reserve(size);
  if (utf8_) out += kBom;
  for (const Section& sec : sections_) {
    if (sec.hasHeader) out.append(sec.headerRaw).append("\r\n");
    for (const Line& line : sec.lines) out.append(line.raw).append("\r\n");
  }
  return out;
}

bool IniDocument::Save(const std::filesystem::path& path, FileError* error) const {
  return WriteFileAtomically(path, ToBytes(), error);
}

}  // namespace vorel

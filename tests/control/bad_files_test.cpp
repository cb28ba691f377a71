// Damaged files of the kinds a user meets (vport.ini, a parameter file, an event-log file, and
// the exports: event-log and trend CSV, the service report), read and written through the use
// cases that the windows call. Every row is run in English and in Chinese and checks the
// message the user is shown, what the read shows afterwards, that the call returns in bounded
// time and memory with the progress window closed, and that every file in the folder (the
// damaged one included) is as it was.
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>

#include "control/settings.h"
#include "control_fixture.h"
#include "core/cp936.h"
#include "files/event_log_file.h"
#include "files/ini_document.h"
#include "files/parameter_file.h"
#include "support/ordinary_user.h"
#include "support/temp_files.h"

namespace vorel::test {
namespace {

namespace fs = std::filesystem;
constexpr int kSite = 2;

enum class Kind { Settings, Parameter, EventLog, EventLogCsv, TrendCsv, Report };
enum class Op { Read, Save };

// Lays the damage at the file's place, given the bytes of a sound file of its kind.
using Damage = std::function<void(const fs::path& file, const std::string& sound)>;

// A message in both languages, "{}" standing for the file's path; empty: no message.
struct Message {
  std::string english;
  std::string chinese;
};

struct Row {
  Kind kind;
  Op op;
  const char* damage;
  Damage make;
  bool asUser = false;              // run as an ordinary user, whom permission bits stop
  rlim_t fileSizeLimit = 0;         // a full disk: writes beyond this many bytes fail
  Message message;                  // what the user is shown
  std::string shown = "unchanged";  // what the read shows afterwards (reads only)
};

struct Outcome {
  std::vector<std::string> messages;
  std::string shown;
  bool progressShown = false;
};

// Outcomes cross the pipe from a child that ran as another user.
std::string Pack(const Outcome& o) {
  std::string out = o.shown + '\x1f' + (o.progressShown ? "1" : "0");
  for (const std::string& m : o.messages) out += '\x1f' + m;
  return out;
}
Outcome Unpack(const std::string& text) {
  std::vector<std::string> fields(1);
  for (char c : text) {
    if (c == '\x1f')
      fields.emplace_back();
    else
      fields.back().push_back(c);
  }
  Outcome o;
  o.shown = fields[0];
  o.progressShown = fields.size() > 1 && fields[1] == "1";
  for (std::size_t i = 2; i < fields.size(); ++i) o.messages.push_back(fields[i]);
  return o;
}

std::string Replace(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

std::string WithPath(const std::string& pattern, const fs::path& path) {
  return Replace(pattern, "{}", path.string());
}

// Every entry below `dir`: its type, permissions and, for files, identity, time and bytes, so
// that a replaced, rewritten, truncated or removed file shows. Folders count by type and
// permissions only (a temporary file made and removed again changes their times).
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> entries;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, fs::directory_options::none, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    struct stat st {};
    const fs::path& p = it->path();
    if (::lstat(p.c_str(), &st) != 0) continue;
    std::string d = std::to_string(st.st_mode);
    if (S_ISLNK(st.st_mode)) {
      d += " -> " + fs::read_symlink(p, ec).string();
    } else if (S_ISREG(st.st_mode)) {
      d += " ino " + std::to_string(st.st_ino) + " size " + std::to_string(st.st_size) + " mtime " +
           std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
      if (st.st_size <= (1 << 20)) d += " bytes " + ReadFile(p);
    }
    entries[p.lexically_relative(dir).string()] = d;
  }
  return entries;
}

long MaxResidentKb() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The damages, one per kind of harm.
void Write(const fs::path& file, const std::string& bytes) {
  WriteFile(file, bytes);
}
const Damage kSound = [](const fs::path& f, const std::string& s) { Write(f, s); };
const Damage kTruncated = [](const fs::path& f, const std::string& s) {
  Write(f, s.substr(0, s.size() / 2));
};
const Damage kBinaryJunk = [](const fs::path& f, const std::string&) {
  std::string junk;
  std::uint32_t x = 2463534242u;
  for (int i = 0; i < 4096; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    junk.push_back(static_cast<char>(x));
  }
  Write(f, junk);
};
// 100 MB, all but the sound start a hole: costs no disk space.
const Damage kHundredMegabytes = [](const fs::path& f, const std::string& s) {
  Write(f, s);
  fs::resize_file(f, 100u << 20);
};
// Small enough for the old 64 MB limit, but millions of lines.
const Damage kFourMegabytesOfLineEnds = [](const fs::path& f, const std::string& s) {
  Write(f, s + std::string(4u << 20, '\n'));
};
const Damage kCrOnly = [](const fs::path& f, const std::string& s) {
  Write(f, Replace(s, "\r\n", "\r"));
};
const Damage kByteOrderMark = [](const fs::path& f, const std::string& s) {
  Write(f, "\xEF\xBB\xBF" + Cp936ToUtf8(s));
};
const Damage kFolder = [](const fs::path& f, const std::string&) {
  fs::create_directories(f / "inside");
  Write(f / "inside" / "keep.txt", "kept");
};
const Damage kLinkLoop = [](const fs::path& f, const std::string&) {
  fs::create_symlink(f.filename(), f);
};
const Damage kUnreadable = [](const fs::path& f, const std::string& s) {
  Write(f, s);
  fs::permissions(f, fs::perms::none);
};
const Damage kReadOnly = [](const fs::path& f, const std::string& s) {
  Write(f, s);
  fs::permissions(f, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
};
const Damage kNoFileReadOnlyFolder = [](const fs::path& f, const std::string&) {
  fs::permissions(f.parent_path(), fs::perms::owner_read | fs::perms::owner_exec |
                                       fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
};
// An invalid code page 936 pair and a byte that is never valid, in the value a read shows.
Damage InvalidCp936(std::string marker) {
  return [marker](const fs::path& f, const std::string& s) {
    Write(f, Replace(s, Utf8ToCp936(marker), Utf8ToCp936(marker) + "\x81\x20\xFF"));
  };
}

const std::string kPortName = "COM7";
const std::string kDeviceName = "站点 7";
const std::string kFirstEvent = "!!油压传感器警告";
const std::string kBad = "\xEF\xBF\xBD";  // U+FFFD, what an undecodable byte reads as

class BadFiles : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    controller.AddSite(kSite, 3105);
    ConnectAll({kSite});
    ASSERT_TRUE(session->IsOnline(kSite));
    window = windows.at(kSite);
    window->modelImages = &session->Images();
    window->site = kSite;
    window->editors.ApplyEditorLimits(session->Images(), kSite);
  }
  void TearDown() override {
    ControlTest::TearDown();
    ::unsetenv("XDG_CONFIG_HOME");
  }

  std::string SoundFile(Kind kind) {
    switch (kind) {
      case Kind::Settings:
        return "[System]\r\nLanguage=english\r\n; " + Utf8ToCp936("通讯设置") +
               "\r\n[ComPort1]\r\nPort=" + kPortName +
               "\r\nBaudRate=19200\r\n[Device]\r\nControlerAddr2=-1\r\n";
      case Kind::Parameter: {
        IniDocument doc;
        WriteParameterDocument(doc, window->editors, session->Images(), kSite, kDeviceName);
        return doc.ToBytes();
      }
      case Kind::EventLog: {
        EventLogSheet sheet;
        for (int row = 1; row <= kEventLogRows; ++row)
          for (int c = 1; c < kEventLogColumns; ++c)
            sheet.Cell(row, c) = std::to_string(row) + "." + std::to_string(c);
        sheet.Cell(1, 1) = kFirstEvent;
        IniDocument doc;
        WriteEventLog(sheet, doc);
        return doc.ToBytes();
      }
      case Kind::EventLogCsv:
        return "Event,Date\r\n" + kFirstEvent + ",2026-12-10\r\n";
      case Kind::TrendCsv:
        return "Time,Speed\r\n2026-12-10 08:00:00,1500\r\n";
      case Kind::Report:
        return "<!DOCTYPE html>\n<html><body><h1>" + kDeviceName + "</h1></body></html>\n";
    }
    return {};
  }

  // The file's place in `dir`; the settings file lives in the settings folder under it.
  static fs::path FilePath(Kind kind, const fs::path& dir) {
    switch (kind) {
      case Kind::Settings:
        return dir / "vorel" / "vport.ini";
      case Kind::Parameter:
        return dir / "site.dat";
      case Kind::EventLog:
        return dir / "site.log";
      case Kind::EventLogCsv:
        return dir / "site.csv";
      case Kind::TrendCsv:
        return dir / "trend.csv";
      case Kind::Report:
        return dir / "site.html";
    }
    return {};
  }

  // What the user does, and what is shown afterwards.
  Outcome Act(Kind kind, Op op, const fs::path& file) {
    host.messages.clear();
    host.fileNames = {file.string()};
    Outcome o;
    switch (kind) {
      case Kind::Settings:
        try {
          if (op == Op::Read) {
            PortSettings current;
            current.name = "unchanged";
            o.shown = LoadPortSettings(current).name;
          } else {
            SaveLanguage("chinese");
          }
        } catch (const SettingsError& e) {
          host.ShowMessage(e.what());
          if (op == Op::Read) o.shown = "unchanged";
        }
        break;
      case Kind::Parameter:
        window->panels[0] = "unchanged";
        op == Op::Read ? session->LoadParameterFile(kSite) : session->SaveParameterFile(kSite);
        o.shown = window->panels[0];
        break;
      case Kind::EventLog:
        window->eventLog.Cell(1, 1) = "unchanged";
        op == Op::Read ? session->OpenEventLog(kSite) : session->SaveEventLog(kSite);
        o.shown = window->eventLog.Cell(1, 1);
        break;
      case Kind::EventLogCsv:
        session->ExportEventLogCsv(kSite);
        break;
      case Kind::TrendCsv:
        session->ExportTrendCsv(kSite);
        break;
      case Kind::Report:
        session->Reports().WriteTo(kSite, file.string(), nullptr);
        break;
    }
    if (op == Op::Save) o.shown = "unchanged";
    o.messages = host.messages;
    o.progressShown = host.progressShown;
    return o;
  }

  void Check(const Row& row, const char* language) {
    SetLanguageSetting(language);
    UserDir dir;
    const fs::path file = FilePath(row.kind, dir.path());
    fs::create_directories(file.parent_path());
    UserDir::Own(file.parent_path());
    ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    WriteFile(dir.path() / "neighbour.dat", "[Notes]\r\nkeep=me\r\n");
    row.make(file, SoundFile(row.kind));
    const auto before = Snapshot(dir.path());

    const long residentBefore = MaxResidentKb();
    const auto start = std::chrono::steady_clock::now();
    Outcome o;
    if (row.asUser) {
      const auto packed = AsOrdinaryUserOutput([&] { return Pack(Act(row.kind, row.op, file)); });
      ASSERT_TRUE(packed) << "the step as an ordinary user did not finish";
      o = Unpack(*packed);
    } else if (row.fileSizeLimit) {
      FileSizeLimit full(row.fileSizeLimit);
      ASSERT_TRUE(full.set());
      o = Act(row.kind, row.op, file);
    } else {
      o = Act(row.kind, row.op, file);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(3)) << "took too long";
    EXPECT_LT(MaxResidentKb() - residentBefore, 48 * 1024) << "memory grew by this many kB";

    const std::string& pattern =
        std::string(language) == "english" ? row.message.english : row.message.chinese;
    const std::vector<std::string> expected =
        pattern.empty() ? std::vector<std::string>{}
                        : std::vector<std::string>{WithPath(pattern, file)};
    EXPECT_EQ(o.messages, expected);
    if (row.op == Op::Read) {
      EXPECT_EQ(o.shown, row.shown);
    }
    EXPECT_FALSE(o.progressShown) << "the progress window is still open";
    EXPECT_EQ(Snapshot(dir.path()), before) << "a file that was there changed";
    fs::permissions(file.parent_path(), fs::perms::owner_all);
  }

  RecordingWindow* window = nullptr;
};

const Message kNone;
const Message kUnableToRead{"Unable to read {}", "无法读取文件 {}"};
// The settings read message adds the system's reason in English.
Message ReadSettings(const std::string& reason) {
  return {"Unable to read {}: " + reason, "无法读取文件 {}: " + reason};
}
const std::string kTooLarge = "file too large (more than 1048576 bytes)";
// A failed save names the file and gives the reason in the user's language.
Message UnableToWrite(const std::string& english, const std::string& chinese) {
  return {"Unable to write to {}: " + english, "无法写入文件 {}：" + chinese};
}
const Message kNotRegularFile = UnableToWrite("not a regular file", "不是普通文件");
const Message kLinkLoopWrite =
    UnableToWrite("Too many levels of symbolic links", "符号连接的层数过多");
const Message kTooLargeWrite = UnableToWrite(kTooLarge, "文件过大（超过 1048576 字节）");
const Message kPermissionDenied = UnableToWrite("Permission denied", "权限不够");
const Message kDiskFull = UnableToWrite("File too large", "文件过大");

TEST_F(BadFiles, EachDamageGetsItsMessageAndLeavesEveryFileAsItWas) {
  // clang-format off
  const Row rows[] = {
      // vport.ini
      {Kind::Settings, Op::Read, "sound", kSound, false, 0, kNone, kPortName},
      {Kind::Settings, Op::Read, "truncated", kTruncated, false, 0, kNone},
      {Kind::Settings, Op::Read, "binary junk", kBinaryJunk, false, 0, kNone},
      {Kind::Settings, Op::Read, "100 MB", kHundredMegabytes, false, 0, ReadSettings(kTooLarge)},
      {Kind::Settings, Op::Read, "4 MB of line ends", kFourMegabytesOfLineEnds, false, 0, ReadSettings(kTooLarge)},
      {Kind::Settings, Op::Read, "invalid code page 936", InvalidCp936(kPortName), false, 0, kNone, kPortName + kBad + " " + kBad},
      {Kind::Settings, Op::Read, "CR-only line ends", kCrOnly, false, 0, kNone, kPortName},
      {Kind::Settings, Op::Read, "byte order mark", kByteOrderMark, false, 0, kNone, kPortName},
      {Kind::Settings, Op::Read, "a folder in its place", kFolder, false, 0, ReadSettings("not a regular file")},
      {Kind::Settings, Op::Read, "a loop of links", kLinkLoop, false, 0, ReadSettings("Too many levels of symbolic links")},
      {Kind::Settings, Op::Read, "no read permission", kUnreadable, true, 0, ReadSettings("Permission denied")},
      {Kind::Settings, Op::Save, "a folder in its place", kFolder, false, 0, kNotRegularFile},
      {Kind::Settings, Op::Save, "a loop of links", kLinkLoop, false, 0, kLinkLoopWrite},
      {Kind::Settings, Op::Save, "100 MB", kHundredMegabytes, false, 0, kTooLargeWrite},
      {Kind::Settings, Op::Save, "read-only file", kReadOnly, true, 0, kPermissionDenied},
      {Kind::Settings, Op::Save, "no file, read-only folder", kNoFileReadOnlyFolder, true, 0, kPermissionDenied},
      {Kind::Settings, Op::Save, "a full disk", kSound, false, 64, kDiskFull},
      // parameter file
      {Kind::Parameter, Op::Read, "sound", kSound, false, 0, kNone, kDeviceName},
      {Kind::Parameter, Op::Read, "truncated", kTruncated, false, 0, {"'' is not a valid floating point value", "'' 不是有效的浮点数值"}},
      {Kind::Parameter, Op::Read, "binary junk", kBinaryJunk, false, 0, {"{} is not a parameter file", "{} 不是参数文件"}},
      {Kind::Parameter, Op::Read, "100 MB", kHundredMegabytes, false, 0, kUnableToRead},
      {Kind::Parameter, Op::Read, "4 MB of line ends", kFourMegabytesOfLineEnds, false, 0, kUnableToRead},
      {Kind::Parameter, Op::Read, "invalid code page 936", InvalidCp936(kDeviceName), false, 0, kNone, kDeviceName + kBad + " " + kBad},
      {Kind::Parameter, Op::Read, "CR-only line ends", kCrOnly, false, 0, kNone, kDeviceName},
      {Kind::Parameter, Op::Read, "byte order mark", kByteOrderMark, false, 0, kNone, kDeviceName},
      {Kind::Parameter, Op::Read, "a folder in its place", kFolder, false, 0, kUnableToRead},
      {Kind::Parameter, Op::Read, "a loop of links", kLinkLoop, false, 0, kUnableToRead},
      {Kind::Parameter, Op::Read, "no read permission", kUnreadable, true, 0, kUnableToRead},
      {Kind::Parameter, Op::Save, "a folder in its place", kFolder, false, 0, kNotRegularFile},
      {Kind::Parameter, Op::Save, "a loop of links", kLinkLoop, false, 0, kLinkLoopWrite},
      {Kind::Parameter, Op::Save, "100 MB", kHundredMegabytes, false, 0, kTooLargeWrite},
      {Kind::Parameter, Op::Save, "read-only file", kReadOnly, true, 0, kPermissionDenied},
      {Kind::Parameter, Op::Save, "no file, read-only folder", kNoFileReadOnlyFolder, true, 0, kPermissionDenied},
      {Kind::Parameter, Op::Save, "a full disk", kSound, false, 64, kDiskFull},
      // event-log file
      {Kind::EventLog, Op::Read, "sound", kSound, false, 0, kNone, kFirstEvent},
      {Kind::EventLog, Op::Read, "truncated", kTruncated, false, 0, kNone, kFirstEvent},
      {Kind::EventLog, Op::Read, "binary junk", kBinaryJunk, false, 0, {"{} is not an event-log file", "{} 不是历史记录文件"}},
      {Kind::EventLog, Op::Read, "100 MB", kHundredMegabytes, false, 0, kUnableToRead},
      {Kind::EventLog, Op::Read, "4 MB of line ends", kFourMegabytesOfLineEnds, false, 0, kUnableToRead},
      {Kind::EventLog, Op::Read, "invalid code page 936", InvalidCp936(kFirstEvent), false, 0, kNone, kFirstEvent + kBad + " " + kBad},
      {Kind::EventLog, Op::Read, "CR-only line ends", kCrOnly, false, 0, kNone, kFirstEvent},
      {Kind::EventLog, Op::Read, "byte order mark", kByteOrderMark, false, 0, kNone, kFirstEvent},
      {Kind::EventLog, Op::Read, "a folder in its place", kFolder, false, 0, kUnableToRead},
      {Kind::EventLog, Op::Read, "a loop of links", kLinkLoop, false, 0, kUnableToRead},
      {Kind::EventLog, Op::Read, "no read permission", kUnreadable, true, 0, kUnableToRead},
      {Kind::EventLog, Op::Save, "a folder in its place", kFolder, false, 0, kNotRegularFile},
      {Kind::EventLog, Op::Save, "a loop of links", kLinkLoop, false, 0, kLinkLoopWrite},
      {Kind::EventLog, Op::Save, "100 MB", kHundredMegabytes, false, 0, kTooLargeWrite},
      {Kind::EventLog, Op::Save, "read-only file", kReadOnly, true, 0, kPermissionDenied},
      {Kind::EventLog, Op::Save, "no file, read-only folder", kNoFileReadOnlyFolder, true, 0, kPermissionDenied},
      {Kind::EventLog, Op::Save, "a full disk", kSound, false, 64, kDiskFull},
      // the event log exported as CSV (written only)
      {Kind::EventLogCsv, Op::Save, "a folder in its place", kFolder, false, 0, kNotRegularFile},
      {Kind::EventLogCsv, Op::Save, "a loop of links", kLinkLoop, false, 0, kLinkLoopWrite},
      {Kind::EventLogCsv, Op::Save, "read-only file", kReadOnly, true, 0, kPermissionDenied},
      {Kind::EventLogCsv, Op::Save, "no file, read-only folder", kNoFileReadOnlyFolder, true, 0, kPermissionDenied},
      {Kind::EventLogCsv, Op::Save, "a full disk", kSound, false, 64, kDiskFull},
      // the trend exported as CSV and the service report (written only)
      {Kind::TrendCsv, Op::Save, "a folder in its place", kFolder, false, 0, kNotRegularFile},
      {Kind::TrendCsv, Op::Save, "read-only file", kReadOnly, true, 0, kPermissionDenied},
      {Kind::TrendCsv, Op::Save, "a full disk", kSound, false, 64, kDiskFull},
      {Kind::Report, Op::Save, "a folder in its place", kFolder, false, 0, kNotRegularFile},
      {Kind::Report, Op::Save, "no file, read-only folder", kNoFileReadOnlyFolder, true, 0, kPermissionDenied},
      {Kind::Report, Op::Save, "a full disk", kSound, false, 64, kDiskFull},
  };
  // clang-format on
  const char* const kinds[] = {"vport.ini",     "parameter file", "event-log file",
                               "event-log CSV", "trend CSV",      "service report"};
  for (const Row& row : rows) {
    for (const char* language : {"english", "chinese"}) {
      SCOPED_TRACE(std::string(kinds[static_cast<int>(row.kind)]) +
                   (row.op == Op::Read ? ", read, " : ", save, ") + row.damage + ", " + language);
      Check(row, language);
    }
  }
}

}  // namespace
}  // namespace vorel::test

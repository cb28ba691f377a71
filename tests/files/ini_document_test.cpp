#include "files/ini_document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/cp936.h"
#include "support/temp_files.h"

namespace vorel {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct ReadCase {
  const char* name;
  std::string file;
  const char* section;
  const char* key;
  std::string expected;
};

TEST(IniDocument, ReadsByTheRules) {
  const std::string file =
      "; comment\r\n[System]\r\nLanguage = english  \r\nEmpty=\r\n[ComPort1]\r\nPort=COM3\r\n";
  const ReadCase cases[] = {
      {"exact", file, "System", "Language", "english"},
      {"names ignore case", file, "SYSTEM", "language", "english"},
      {"empty value is empty", file, "System", "Empty", ""},
      {"missing key", file, "System", "Nope", "<default>"},
      {"missing section", file, "Device", "Port", "<default>"},
      {"key of another section", file, "System", "Port", "<default>"},
      {"bare LF", "[a]\nk=1\n[b]\nk=2", "b", "k", "2"},
      {"bare CR", "[a]\rk=1\r[b]\rk=2\r", "b", "k", "2"},
      {"first of two keys", "[a]\r\nk=1\r\nK=2\r\n", "a", "k", "1"},
      {"first of two sections", "[a]\r\nk=1\r\n[A]\r\nk=2\r\n", "a", "k", "1"},
      {"value keeps inner spaces and '='", "[a]\r\nk = x = y \r\n", "a", "k", "x = y"},
      {"commented key is no key", "[a]\r\n;k=1\r\n", "a", "k", "<default>"},
      {"UTF-8 byte order mark", "\xEF\xBB\xBF[a]\r\nk=\xE5\x8F\x82\r\n", "a", "k", "\xE5\x8F\x82"},
      {"NUL byte inside a value", std::string("[a]\r\nk=x\0y\r\n", 12), "a", "k",
       std::string("x\0y", 3)},
      {"code page 936", "[\xB2\xCE\xCA\xFD]\r\nk=\xC9\xE8\xD6\xC3\r\n", "参数", "k", "设置"},
      {"invalid bytes keep the rest",
       "[a]\r\nk=ab\xFF\xFF"
       "cd\r\nj=2\r\n",
       "a", "j", "2"},
  };
  for (const auto& c : cases) {
    IniDocument doc = IniDocument::FromBytes(c.file);
    EXPECT_EQ(doc.ReadString(c.section, c.key, "<default>"), c.expected) << c.name;
  }
}

TEST(IniDocument, InvalidBytesBecomeReplacementCharacters) {
  IniDocument doc = IniDocument::FromBytes(
      "[a]\r\nk=ab\xFF"
      "cd\r\n");
  EXPECT_EQ(doc.ReadString("a", "k", ""),
            "ab\xEF\xBF\xBD"
            "cd");
}

struct WriteCase {
  const char* name;
  std::string before;
  const char* section;
  const char* key;
  const char* value;
  std::string after;
};

TEST(IniDocument, WritesByTheRules) {
  const std::string file =
      "; keep me\r\n[System]\r\nUnknown=1\r\nlanguage = chinese\r\n\r\n"
      "[Device]\r\nX=2\r\n";
  const WriteCase cases[] = {
      {"replace in place", file, "SYSTEM", "Language", "english",
       "; keep me\r\n[System]\r\nUnknown=1\r\nlanguage =english\r\n\r\n[Device]\r\nX=2\r\n"},
      {"new key at the end of its section", file, "system", "Other", "5",
       "; keep me\r\n[System]\r\nUnknown=1\r\nlanguage = chinese\r\nOther=5\r\n\r\n"
       "[Device]\r\nX=2\r\n"},
      {"new section at the end", file, "Connect", "Modem", "-1",
       file + "[Connect]\r\nModem=-1\r\n"},
      {"empty file", "", "ComPort1", "Port", "COM3", "[ComPort1]\r\nPort=COM3\r\n"},
      {"bare LF becomes CR LF", "[a]\nk=1\n;c\n", "a", "k", "2", "[a]\r\nk=2\r\n;c\r\n"},
      {"missing last line end", "[a]\r\nk=1", "a", "j", "2", "[a]\r\nk=1\r\nj=2\r\n"},
      {"unreadable bytes elsewhere stay", std::string("[a]\r\nz=\xFF\x80\x00!\r\nk=1\r\n", 18), "a",
       "k", "2", std::string("[a]\r\nz=\xFF\x80\x00!\r\nk=2\r\n", 18)},
      {"code page 936 out", "", "参数设置", "名", "值",
       "[\xB2\xCE\xCA\xFD\xC9\xE8\xD6\xC3]\r\n\xC3\xFB=\xD6\xB5\r\n"},
      {"line break in a value", "", "a", "k", "x\r\ny", "[a]\r\nk=x  y\r\n"},
  };
  for (const auto& c : cases) {
    IniDocument doc = IniDocument::FromBytes(c.before);
    doc.WriteString(c.section, c.key, c.value);
    EXPECT_EQ(doc.ToBytes(), c.after) << c.name;
  }
}

TEST(IniDocument, Cp936RoundTripThroughAFile) {
  TempDir dir;
  fs::path p = dir.path() / "t.ini";
  IniDocument doc;
  doc.WriteString("参数设置", "标题", "参数设置");
  FileError error;
  ASSERT_TRUE(doc.Save(p, &error)) << EnglishReason(error);
  EXPECT_EQ(ReadFile(p),
            "[\xB2\xCE\xCA\xFD\xC9\xE8\xD6\xC3]\r\n\xB1\xEA\xCC\xE2="
            "\xB2\xCE\xCA\xFD\xC9\xE8\xD6\xC3\r\n");
  IniDocument back;
  ASSERT_TRUE(back.Load(p, &error)) << EnglishReason(error);
  EXPECT_EQ(back.ReadString("参数设置", "标题", ""), "参数设置");
}

TEST(IniDocument, MissingFileIsEmptyAndUnreadableFileIsAnError) {
  TempDir dir;
  IniDocument doc;
  FileError error;
  EXPECT_TRUE(doc.Load(dir.path() / "none.ini", &error));
  EXPECT_EQ(doc.ReadString("a", "b", "d"), "d");
  EXPECT_FALSE(doc.Load(dir.path(), &error));  // a folder
  EXPECT_EQ(EnglishReason(error), "not a regular file");
  fs::path fifo = dir.path() / "pipe.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  error = FileError();
  EXPECT_FALSE(doc.Load(fifo, &error));  // refused, without waiting for a writer
  EXPECT_EQ(EnglishReason(error), "not a regular file");
}

TEST(IniDocument, FailedSaveLeavesTheOldFileIntact) {
  TempDir dir;
  fs::path p = dir.path() / "vport.ini";
  const std::string old = "[System]\r\nLanguage=chinese\r\n";
  WriteFile(p, old);
  IniDocument doc;
  doc.WriteString("Big", "Value", std::string(100000, 'x'));

  // A file size limit makes the write itself fail half-way, like a full disk.
  FileError error;
  bool ok = true;
  {
    test::FileSizeLimit full(4096);
    ASSERT_TRUE(full.set());
    ok = doc.Save(p, &error);
  }

  EXPECT_FALSE(ok);
  EXPECT_EQ(EnglishReason(error), "File too large");
  EXPECT_EQ(ReadFile(p), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
      << "the temporary file is removed";

  EXPECT_FALSE(doc.Save(dir.path() / "no-such-folder" / "x.ini", &error));
  EXPECT_EQ(EnglishReason(error), "No such file or directory");
}

TEST(IniDocument, SaveKeepsPermissionsAndReplacesTheLinkTarget) {
  TempDir dir;
  fs::path target = dir.path() / "real.ini";
  fs::path link = dir.path() / "link.ini";
  WriteFile(target, "[a]\r\nk=1\r\n");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(target, link);
  IniDocument doc;
  FileError error;
  ASSERT_TRUE(doc.Load(link, &error));
  doc.WriteString("a", "k", "2");
  ASSERT_TRUE(doc.Save(link, &error)) << EnglishReason(error);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(target), "[a]\r\nk=2\r\n");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST(IniDocument, ManyKeysWrittenOneByOneStayFast) {
  // A parameter file: 12 sections, 333 keys, each written on its own.
  IniDocument doc;
  for (int round = 0; round < 20; ++round)
    for (int k = 0; k < 333; ++k)
      doc.WriteString("Section" + std::to_string(k % 12), "Key" + std::to_string(k),
                      std::to_string(k * round));
  EXPECT_EQ(doc.ReadString("section5", "key17", ""), std::to_string(17 * 19));
  EXPECT_EQ(doc.KeyNames("Section0").size(), 28u);
  EXPECT_EQ(doc.SectionNames().size(), 12u);
}

TEST(Cp936, ConvertsAndNeverFails) {
  EXPECT_EQ(Utf8ToCp936("参数设置"), "\xB2\xCE\xCA\xFD\xC9\xE8\xD6\xC3");
  EXPECT_EQ(Cp936ToUtf8("\xB2\xCE\xCA\xFD\xC9\xE8\xD6\xC3"), "参数设置");
  EXPECT_EQ(Cp936ToUtf8("ab\xB2"), "ab\xEF\xBF\xBD");   // cut-off pair
  EXPECT_EQ(Utf8ToCp936("a\xF0\x9F\x98\x80z"), "a?z");  // no code in code page 936
  EXPECT_EQ(Utf8ToCp936("a\xE5z"), "a?z");              // broken UTF-8
  EXPECT_EQ(Cp936ToUtf8(std::string("\0x", 2)), std::string("\0x", 2));
}

}  // namespace
}  // namespace vorel

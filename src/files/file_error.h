// Why a file could not be read or written, and the one message every failed save or export
// shows: "Unable to write to PATH: reason", the reason in the user's language.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace vorel {

struct FileError {
  enum class Kind {
    System,          // the system refused: `code` is its error number
    NotRegularFile,  // a folder, device or pipe where a file should be
    TooLarge,        // larger than `limit` bytes
    ShortWrite,      // the system took only part of the bytes
  };
  Kind kind = Kind::System;
  int code = 0;
  std::uintmax_t limit = 0;

  static FileError System(int code) { return {Kind::System, code, 0}; }
  static FileError NotRegularFile() { return {Kind::NotRegularFile, 0, 0}; }
  static FileError TooLarge(std::uintmax_t limit) { return {Kind::TooLarge, 0, limit}; }
  static FileError ShortWrite() { return {Kind::ShortWrite, 0, 0}; }
};

// The reason in English; an error number gives the system's own text, whatever the locale.
std::string EnglishReason(const FileError& error);

// The reason in the language the setting picks. An error number without a Chinese text here
// keeps the English one.
std::string FileErrorReason(const FileError& error);

// "Unable to write to PATH: reason" in English, "无法写入文件 PATH：原因" in Chinese.
std::string UnableToWriteMessage(const std::filesystem::path& path, const FileError& error);

}  // namespace vorel

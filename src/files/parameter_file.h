// The parameter file as a whole: a save builds it from the editors (values and current limits),
// the value image and the device name, replacing values in place in an existing file; a load
// reads and converts every key first and only then applies the result, so a file that stops at
// a bad text changes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "files/file_error.h"

namespace vorel {

class EditorModel;
class IniDocument;
class SiteImages;

// The file dialog filter of parameter files.
inline constexpr const char* kParameterFileFilter = "参数设置 (*.dat)|*.dat";

// A parameter file holds about 10 KB. A much larger file is refused with a message (and never
// replaced by a save) rather than read whole: millions of short lines would cost gigabytes.
inline constexpr std::size_t kMaxParameterFileBytes = 1u << 20;

// Writes every key of a parameter file into `doc`, section by section in file order, then the
// keys that only a load reads (their registers would otherwise be reset by a load). The
// device name is UTF-8.
void WriteParameterDocument(IniDocument& doc, const EditorModel& editors, const SiteImages& images,
                            int site, std::string_view deviceName);

// Saves into `path`: an existing file is read first and keeps its other lines; the new file
// replaces the old one atomically. False, with the reason in `error`, when the old file cannot
// be read or the new one cannot be written (the old file is then unchanged).
bool SaveParameterFile(const std::filesystem::path& path, const EditorModel& editors,
                       const SiteImages& images, int site, std::string_view deviceName,
                       FileError* error);
// Saves into a new file at `path`, the same bytes SaveParameterFile gives a file that did not
// exist; an existing file is never replaced (refused with "File exists").
bool SaveNewParameterFile(const std::filesystem::path& path, const EditorModel& editors,
                          const SiteImages& images, int site, std::string_view deviceName,
                          FileError* error);
// The bytes of a new parameter file, as SaveNewParameterFile writes them.
std::string NewParameterFileBytes(const EditorModel& editors, const SiteImages& images, int site,
                                  std::string_view deviceName);

struct LoadedLimit {
  std::size_t row = 0;  // parameter table row of the editor
  bool maximum = false;
  double value = 0;
};
struct LoadedWord {
  std::uint16_t reg = 0;
  std::uint16_t word = 0;
  // The file lacks the key: the word is the load's default, not a value of the file.
  bool defaulted = false;
};
// Everything a file sets, in reading order (a later word for the same register wins).
struct LoadedParameters {
  std::vector<LoadedLimit> limits;
  std::vector<LoadedWord> words;
  std::string deviceName;  // UTF-8
  // The keys a save writes that the file lacks, in file order: a load fills them with
  // defaults, a write to a controller refuses the file.
  std::vector<std::string> missingKeys;
};

enum class ParameterFileFailure {
  None,
  Unreadable,        // a folder, a loop of links, no permission, too large
  NotParameterFile,  // missing, or none of the parameter sections
  BadInteger,        // a text of the integer rule does not convert
  BadNumber,         // a text of another rule or a limit does not convert
};

struct ParameterFileRead {
  ParameterFileFailure failure = ParameterFileFailure::None;
  std::string text;  // the text that did not convert
  LoadedParameters values;
  bool ok() const { return failure == ParameterFileFailure::None; }
};

// Converts every key a load reads (`offline`: also the keys only an offline open reads).
ParameterFileRead ConvertParameterDocument(const IniDocument& doc, bool offline);
ParameterFileRead ReadParameterFile(const std::filesystem::path& path, bool offline);
// The message of a failed read in the current language, naming the file or the text.
std::string ParameterFileMessage(const ParameterFileRead& read, const std::string& path);

// The limits into the editors, the words into the site's value image.
void ApplyLoadedParameters(const LoadedParameters& values, EditorModel& editors, SiteImages& images,
                           int site);

}  // namespace vorel

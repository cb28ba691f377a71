#include "files/parameter_file.h"

#include <system_error>

#include "core/editor_model.h"
#include "core/language.h"
#include "core/site_images.h"
#include "files/atomic_file.h"
#include "files/ini_document.h"
#include "files/parameter_keys.h"
#include "files/parameter_values.h"

namespace vorel {
namespace {

std::string WithPath(std::string_view pattern, const std::string& text) {
  std::string message(pattern);
  message.replace(message.find("%s"), 2, text);
  return message;
}

// The value keys that a load reads but the file table does not hold.
bool LoadOnlyKey(const ParameterLoadStep& step) {
  return step.role == KeyRole::Value && !FindParameterKey(step.key);
}

}  // namespace

void WriteParameterDocument(IniDocument& doc, const EditorModel& editors, const SiteImages& images,
                            int site, std::string_view deviceName) {
  for (const ParameterKey& key : ParameterFileKeys()) {
    switch (key.role) {
      case KeyRole::Value:
        doc.WriteString(key.section, key.key, ParameterValueText(key, images, site));
        break;
      case KeyRole::Minimum:
      case KeyRole::Maximum: {
        const EditorValue* editor = editors.Find(key.editor);
        const double limit =
            editor ? (key.role == KeyRole::Minimum ? editor->minimum : editor->maximum) : 0.0;
        doc.WriteString(key.section, key.key, ParameterLimitText(limit));
        break;
      }
      case KeyRole::DeviceName:
        doc.WriteString(key.section, key.key, deviceName);
        break;
    }
  }
  for (const ParameterLoadStep& step : ParameterLoadSteps()) {
    if (!LoadOnlyKey(step)) continue;
    doc.WriteString(step.section, step.key,
                    std::to_string(static_cast<std::int16_t>(images.Word(site, step.reg))));
  }
}

bool SaveParameterFile(const std::filesystem::path& path, const EditorModel& editors,
                       const SiteImages& images, int site, std::string_view deviceName,
                       FileError* error) {
  IniDocument doc;
  if (!doc.Load(path, error, kMaxParameterFileBytes)) return false;
  WriteParameterDocument(doc, editors, images, site, deviceName);
  return doc.Save(path, error);
}

std::string NewParameterFileBytes(const EditorModel& editors, const SiteImages& images, int site,
                                  std::string_view deviceName) {
  IniDocument doc;
  WriteParameterDocument(doc, editors, images, site, deviceName);
  return doc.ToBytes();
}

bool SaveNewParameterFile(const std::filesystem::path& path, const EditorModel& editors,
                          const SiteImages& images, int site, std::string_view deviceName,
                          FileError* error) {
  return WriteNewFile(path, NewParameterFileBytes(editors, images, site, deviceName), error);
}

ParameterFileRead ConvertParameterDocument(const IniDocument& doc, bool offline) {
  ParameterFileRead read;
  bool anySection = false;
  for (std::string_view section : ParameterFileSections()) anySection |= doc.HasSection(section);
  if (!anySection) {
    read.failure = ParameterFileFailure::NotParameterFile;
    return read;
  }
  LoadedParameters& values = read.values;
  for (const ParameterLoadStep& step : ParameterLoadSteps()) {
    if (step.offlineOnly && !offline) continue;
    std::string text = doc.ReadString(step.section, step.key, step.defaultText);
    switch (step.role) {
      case KeyRole::Minimum:
      case KeyRole::Maximum: {
        const std::optional<double> limit = ParseLimitText(text);
        const std::optional<std::size_t> row = FindParameterRow(step.editor);
        if (!limit) {
          read.failure = ParameterFileFailure::BadNumber;
          read.text = std::move(text);
          return read;
        }
        if (row) values.limits.push_back({*row, step.role == KeyRole::Maximum, *limit});
        break;
      }
      case KeyRole::Value: {
        const std::optional<ConvertedWords> words = ConvertLoadedValue(step, text);
        if (!words) {
          read.failure = step.rule == LoadRule::Integer ? ParameterFileFailure::BadInteger
                                                        : ParameterFileFailure::BadNumber;
          read.text = std::move(text);
          return read;
        }
        const bool defaulted = !doc.HasKey(step.section, step.key);
        values.words.push_back({step.reg, words->first, defaulted});
        if (words->pair)
          values.words.push_back(
              {static_cast<std::uint16_t>(step.reg + 1), words->second, defaulted});
        break;
      }
      case KeyRole::DeviceName:
        values.deviceName = std::move(text);
        break;
    }
  }
  for (const ParameterKey& key : ParameterFileKeys())
    if (!doc.HasKey(key.section, key.key)) values.missingKeys.emplace_back(key.key);
  return read;
}

ParameterFileRead ReadParameterFile(const std::filesystem::path& path, bool offline) {
  std::error_code ec;
  const std::filesystem::file_type type = std::filesystem::status(path, ec).type();
  IniDocument doc;
  // A missing file would load nothing but defaults; a folder, a loop of links or a file that
  // cannot be read is no file to load at all.
  if (type == std::filesystem::file_type::not_found) {
    ParameterFileRead read;
    read.failure = ParameterFileFailure::NotParameterFile;
    return read;
  }
  if (type != std::filesystem::file_type::regular ||
      !doc.Load(path, nullptr, kMaxParameterFileBytes)) {
    ParameterFileRead read;
    read.failure = ParameterFileFailure::Unreadable;
    return read;
  }
  return ConvertParameterDocument(doc, offline);
}

std::string ParameterFileMessage(const ParameterFileRead& read, const std::string& path) {
  switch (read.failure) {
    case ParameterFileFailure::None:
      return {};
    case ParameterFileFailure::Unreadable:
      return WithPath(PickText("Unable to read %s", "无法读取文件 %s"), path);
    case ParameterFileFailure::NotParameterFile:
      return WithPath(PickText("%s is not a parameter file", "%s 不是参数文件"), path);
    case ParameterFileFailure::BadInteger:
      return WithPath(PickText("'%s' is not a valid integer value", "'%s' 不是有效的整数值"),
                      read.text);
    case ParameterFileFailure::BadNumber:
      return WithPath(
          PickText("'%s' is not a valid floating point value", "'%s' 不是有效的浮点数值"),
          read.text);
  }
  return {};
}

void ApplyLoadedParameters(const LoadedParameters& values, EditorModel& editors, SiteImages& images,
                           int site) {
  for (const LoadedLimit& limit : values.limits) {
    if (limit.row >= editors.size()) continue;
    EditorValue& editor = editors[limit.row];
    (limit.maximum ? editor.maximum : editor.minimum) = limit.value;
  }
  for (const LoadedWord& w : values.words) images.SetWord(site, w.reg, w.word);
}

}  // namespace vorel

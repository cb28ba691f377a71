#include "control/file_folders.h"

#include <filesystem>

#include "control/settings.h"
#include "files/file_error.h"
#include "files/ini_document.h"

namespace vorel {
namespace {

constexpr std::string_view kSection = "Folders";

std::string_view KeyOf(FileKind kind) {
  switch (kind) {
    case FileKind::Parameters:
      return "Parameters";
    case FileKind::Logs:
      return "Logs";
    case FileKind::Exports:
      return "Exports";
  }
  return "Exports";
}

}  // namespace

FileKind FileKindOf(std::string_view defaultExtension) {
  if (defaultExtension == "dat") return FileKind::Parameters;
  if (defaultExtension == "log") return FileKind::Logs;
  return FileKind::Exports;
}

std::string LastFolder(FileKind kind) {
  IniDocument doc;
  if (!doc.Load(VportIniPath(), nullptr, kMaxSettingsBytes)) return {};
  return doc.ReadString(kSection, KeyOf(kind), "");
}

void RememberFolder(FileKind kind, const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty() || folder == LastFolder(kind)) return;
  const std::filesystem::path ini = VportIniPath();
  std::error_code ec;
  std::filesystem::create_directories(ini.parent_path(), ec);
  IniDocument doc;
  // A file that exists but cannot be read is never replaced, so nothing in it is lost.
  if (!doc.Load(ini, nullptr, kMaxSettingsBytes)) return;
  SeedNewVportIni(ini, doc);
  doc.WriteString(kSection, KeyOf(kind), folder);
  FileError error;
  doc.Save(ini, &error);
}

std::string InitialPath(FileKind kind, const std::string& initialName) {
  const std::string folder = LastFolder(kind);
  if (folder.empty()) return initialName;
  return (std::filesystem::path(folder) / initialName).string();
}

}  // namespace vorel

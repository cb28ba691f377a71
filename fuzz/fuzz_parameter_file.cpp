// The parameter-file loader on arbitrary bytes: converting must never crash; a file that
// converts applies within the value image, and a file built from that image converts again
// to the same words.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "core/editor_model.h"
#include "core/site_images.h"
#include "files/ini_document.h"
#include "files/parameter_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto images = std::make_unique<vorel::SiteImages>();
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const vorel::IniDocument doc = vorel::IniDocument::FromBytes(bytes);
  const vorel::ParameterFileRead read = vorel::ConvertParameterDocument(doc, true);
  if (!read.ok()) return 0;
  vorel::EditorModel editors;
  vorel::ApplyLoadedParameters(read.values, editors, *images, 1);
  vorel::IniDocument saved;
  vorel::WriteParameterDocument(saved, editors, *images, 1, read.values.deviceName);
  const vorel::ParameterFileRead again =
      vorel::ConvertParameterDocument(vorel::IniDocument::FromBytes(saved.ToBytes()), true);
  if (!again.ok()) std::abort();
  return 0;
}

// The INI reader and writer on arbitrary bytes: reading, writing a key and writing the
// document back must never crash, and a value written must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/ini_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  vorel::IniDocument doc = vorel::IniDocument::FromBytes(bytes);
  for (const auto& section : doc.SectionNames())
    for (const auto& key : doc.KeyNames(section)) (void)doc.ReadString(section, key, "");
  doc.WriteString("ComPort1", "Port", "COM3");
  doc.WriteString("设置", "Key", bytes.substr(0, 16));
  if (doc.ReadString("comport1", "PORT", "") != "COM3") std::abort();
  vorel::IniDocument again = vorel::IniDocument::FromBytes(doc.ToBytes());
  if (again.ReadString("ComPort1", "Port", "") != "COM3") std::abort();
  return 0;
}

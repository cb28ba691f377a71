// Outside text that core converts: code page 936 bytes from files and controllers, numbers
// typed into editors, clock texts, and generator names stored into a value image.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/conversions.h"
#include "core/cp936.h"
#include "core/site_images.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<vorel::SiteImages> images = std::make_unique<vorel::SiteImages>();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string utf8 = vorel::Cp936ToUtf8(text);
  const std::string back = vorel::Utf8ToCp936(utf8);
  (void)vorel::Utf8ToCp936(text);
  for (int factor : {1, 10, 100, 1000}) (void)vorel::ScaledWordFromText(text, factor);
  (void)vorel::ParseControllerDate(text, 2026);
  (void)vorel::ParseControllerTime(text);
  vorel::StoreGeneratorName(*images, 1, utf8);
  vorel::StoreSerialNumber(*images, 1, text);
  (void)vorel::GeneratorNameText(*images, 1);
  (void)back;
  return 0;
}

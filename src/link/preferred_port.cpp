#include "link/preferred_port.h"

#include <string_view>

namespace vorel {

std::string PreferredPortName(const std::vector<std::string>& names) {
  constexpr std::string_view kUsbKinds[] = {"ttyUSB", "ttyACM"};
  for (const std::string& name : names) {
    const std::string_view base = std::string_view(name).substr(name.rfind('/') + 1);
    for (std::string_view kind : kUsbKinds)
      if (base.starts_with(kind)) return name;
  }
  return names.empty() ? std::string() : names.front();
}

}  // namespace vorel

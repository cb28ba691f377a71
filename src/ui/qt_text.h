// UTF-8 std::string and string_view to QString.
#pragma once

#include <QString>
#include <string_view>

namespace vorel {

inline QString Q(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace vorel

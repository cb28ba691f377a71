#include "core/cp936.h"

#include <iconv.h>

#include <cerrno>

namespace vorel {
namespace {

// Converts with iconv; an input byte that starts no convertible sequence is replaced by "?"
// and skipped, so the result is always produced.
std::string Convert(const char* to, const char* from, std::string_view in, bool fromUtf8) {
  std::string out;
  if (in.empty()) return out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No converter: keep the plain ASCII bytes, replace the others.
    out.reserve(in.size());
    for (char c : in) out.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
    return out;
  }
  out.reserve(in.size() * 2);
  char buffer[256];
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    if (r != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (invalid or truncated sequence): replace one byte and go on.
    // From UTF-8 the whole character goes (lead byte and its continuation bytes).
    out.push_back('?');
    ++src;
    --srcLeft;
    while (fromUtf8 && srcLeft > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80) {
      ++src;
      --srcLeft;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  char* dst = buffer;
  std::size_t dstLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buffer, static_cast<std::size_t>(dst - buffer));
  iconv_close(cd);
  return out;
}

}  // namespace

std::string Cp936ToUtf8(std::string_view bytes) {
  return Convert("UTF-8", "CP936", bytes, false);
}

std::string Utf8ToCp936(std::string_view text) {
  return Convert("CP936", "UTF-8", text, true);
}

}  // namespace vorel

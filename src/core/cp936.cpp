#include "core/cp936.h"

#include <iconv.h>

#include <cerrno>

namespace vorel {
namespace {

// One converter per direction and thread; opening a converter costs far more than a short
// conversion, and INI files convert line by line.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (Ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts `in`; an input byte that cannot be converted is skipped and `replacement` is
  // written in its place.
  std::string Run(std::string_view in, std::string_view replacement, bool utf8Input) {
    std::string out;
    if (!Ok()) {
      // No converter at all: keep the ASCII bytes, which are the same in both encodings.
      for (char c : in) {
        if (static_cast<unsigned char>(c) < 0x80) {
          out += c;
        } else {
          out += replacement;
        }
      }
      return out;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t used = 0;
    while (srcLeft > 0) {
      if (out.size() - used < 16) out.resize(out.size() * 2);
      char* dst = out.data() + used;
      size_t dstLeft = out.size() - used;
      size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      used = out.size() - dstLeft;
      if (r != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      // EILSEQ (a byte that is not code page 936 / not UTF-8, or a character without a
      // code) or EINVAL (a sequence cut off at the end): drop one byte and go on. For UTF-8
      // input skip the whole character, so one unknown character gives one replacement.
      size_t skip = 1;
      auto lead = static_cast<unsigned char>(*src);
      if (utf8Input && lead >= 0xC0) {
        skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        while (skip > 1) {
          bool cont = skip <= srcLeft;
          for (size_t i = 1; cont && i < skip; ++i)
            cont = (static_cast<unsigned char>(src[i]) & 0xC0) == 0x80;
          if (cont) break;
          --skip;
        }
      }
      src += skip;
      srcLeft -= skip;
      out.resize(used);
      out += replacement;
      used = out.size();
      out.resize(used + srcLeft * 2 + 16);
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state.
    if (out.size() - used < 16) out.resize(used + 16);
    char* dst = out.data() + used;
    size_t dstLeft = out.size() - used;
    iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
    used = out.size() - dstLeft;
    out.resize(used);
    return out;
  }

 private:
  iconv_t cd_;
};

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

std::string Cp936ToUtf8(std::string_view cp936) {
  if (IsAscii(cp936)) return std::string(cp936);
  thread_local Converter converter("UTF-8", "CP936");
  return converter.Run(cp936, "\xEF\xBF\xBD", false);
}

std::string Utf8ToCp936(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  thread_local Converter converter("CP936", "UTF-8");
  return converter.Run(utf8, "?", true);
}

}  // namespace vorel

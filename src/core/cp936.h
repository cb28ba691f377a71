// Code page 936 (simplified Chinese, GBK) at the file and controller boundary. Internally all
// text is UTF-8. Neither conversion fails: a byte sequence that cannot be converted becomes
// "?" and the conversion goes on with the next byte.
#pragma once

#include <string>
#include <string_view>

namespace vorel {

std::string Cp936ToUtf8(std::string_view bytes);
std::string Utf8ToCp936(std::string_view text);

}  // namespace vorel

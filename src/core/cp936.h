// Conversion between UTF-8 (inside the program) and code page 936 (files and controller
// bytes). Neither direction ever fails: bytes that cannot be converted become U+FFFD when
// reading and characters that code page 936 lacks become '?' when writing; everything else
// is kept.
#pragma once

#include <string>
#include <string_view>

namespace vorel {

std::string Cp936ToUtf8(std::string_view cp936);
std::string Utf8ToCp936(std::string_view utf8);

}  // namespace vorel

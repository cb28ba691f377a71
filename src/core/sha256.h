// SHA-256 (FIPS 180-4) of a byte string, for the hash chain of the audit trail. Plain C++, so
// that the files layer can use it without Qt.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorel {

std::array<std::uint8_t, 32> Sha256(std::string_view bytes);
// The digest as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view bytes);

}  // namespace vorel

// Replacing a file so that a failure at any point leaves the old file as it was.
#pragma once

#include <filesystem>
#include <string_view>

#include "files/file_error.h"

namespace vorel {

// Atomically replaces `path` with `bytes` (temporary file in the same folder, fsync, rename,
// fsync of the folder). On failure the old file is untouched and `error` says why. An existing
// file the user may not write is refused, and so is a symbolic link that cannot be followed. When
// the folder refuses the temporary file but the file itself is readable and writable, the file
// is rewritten in place; the bytes that rewrite overwrites are kept first and put back, with the
// old length, when it fails part-way.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         FileError* error);

// Writes a file that must not exist yet: an existing file (or anything else under the name) is
// left alone and refused with "File exists". The name is taken first, then filled as
// WriteFileAtomically fills a file; a failure removes it again.
bool WriteNewFile(const std::filesystem::path& path, std::string_view bytes, FileError* error);

}  // namespace vorel

// Standard output of vorel-cli, checked: every write goes through here, the first failure
// (a full disk, a closed pipe, /dev/full) is kept, later output is dropped, and the end of the
// command turns it into "Unable to write to standard output: REASON" and exit status 1, so
// that a script never takes a cut file for a whole one.
#pragma once

#include <string_view>

namespace vorel {

// Writes `text` to standard output. False once any write to it has failed.
bool WriteOut(std::string_view text);
// printf to standard output through WriteOut.
bool PrintOut(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Hands what is buffered to the system now (a script or a pipe sees it at once). False once a
// write has failed.
bool FlushOut();
// Whether every write so far reached the system.
bool OutputOk();
// The end of a command: standard output flushed and closed. After a failure the message goes
// to standard error and the result is 1; otherwise `status`.
int FinishOutput(int status);

}  // namespace vorel

// The exit statuses of corvane-cli, as its --help and manual list them.
#pragma once

namespace ExitStatus {
inline constexpr int kDone = 0;
inline constexpr int kRefusedLines = 1;  // done, but some lines of the input were refused
inline constexpr int kUsage = 2;         // the arguments are not understood
inline constexpr int kNoBook = 3;        // the book cannot be opened
inline constexpr int kDatabaseError = 4; // a database error stopped the run (whole batches kept)
inline constexpr int kFileError = 5;     // a file cannot be read or written
} // namespace ExitStatus

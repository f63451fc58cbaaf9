// The exit statuses of morvane-cli. Scripts depend on them: never renumber.
#pragma once

namespace mv::cli {

inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;         // any failure without a status of its own
inline constexpr int ExitUsage = 2;           // the command line itself is wrong
inline constexpr int ExitInvalidFileType = 3; // "Invalid input file type !"
inline constexpr int ExitInvalidPassword = 4; // "Invalid password !"
inline constexpr int ExitCrcMismatch = 5;     // the restored file's CRC-32 differs
inline constexpr int ExitDamaged = 6;         // a container whose body cannot be read back
// The decryption finished, but nothing in the container confirmed the restored bytes, so the
// requested --wipe was not done: the container was kept.
inline constexpr int ExitNotWipedUnconfirmed = 7;
// The test of the output (--verify, or before a --wipe) found the bytes on the disk different
// from what was written; the output was removed and the input kept.
inline constexpr int ExitTestFailed = 8;

} // namespace mv::cli

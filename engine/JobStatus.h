// The figures of the status page, as pure functions of the counters, so every host and the tests
// compute them the same way. Sizes are signed 64-bit; no figure divides by zero.
#pragma once

#include "engine/JobHost.h"

#include <cstdint>
#include <string>

namespace mv::engine {

// processed * 100 div total, truncating; 100 for an empty total (nothing left to do).
int ProgressPercent(int64_t processed, int64_t total);

// elapsed / processed * total - elapsed in extended precision, rounded to the nearest whole
// second with halves to the even neighbour; 0 while nothing has been processed.
int64_t RemainingSeconds(int64_t elapsed, int64_t processed, int64_t total);

// compressed / processed * 100 rounded as above; 100 while nothing has been processed.
int64_t CompressionRate(int64_t compressed, int64_t processed);

// "<caption><v> KB/s" or "<caption><v/1024> MB/s" with v = processed / (elapsed + 1) / 1024,
// the number rounded to three significant digits and shown with exactly one decimal
// (512 -> "512.0", 12.34 -> "12.3", 1.234 -> "1.2"; 1234 -> "1230.0").
std::string SpeedText(const std::string& caption, int64_t processed, int64_t elapsed,
                      char decimalSeparator = '.');

// Every figure of one status update, with the label texts of texts.
TStatusUpdate MakeStatusUpdate(const TJobTexts& texts, const std::string& speedCaption,
                               int64_t processed, int64_t total, int64_t elapsed);

} // namespace mv::engine

#include "engine/JobStatus.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace mv::engine {

int ProgressPercent(int64_t processed, int64_t total)
{
    if (total <= 0)
        return 100;
    // 128 bits: processed * 100 does not overflow for any 64-bit size.
    const auto percent = static_cast<int64_t>(static_cast<__int128>(processed) * 100 / total);
    return static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
}

namespace {

// Nearest integer, halves to the even neighbour (the default rounding direction).
int64_t RoundHalfEven(long double value)
{
    return static_cast<int64_t>(std::nearbyintl(value));
}

} // namespace

int64_t RemainingSeconds(int64_t elapsed, int64_t processed, int64_t total)
{
    if (processed <= 0)
        return 0;
    const long double e = static_cast<long double>(elapsed);
    return RoundHalfEven(e / static_cast<long double>(processed) * static_cast<long double>(total) -
                         e);
}

int64_t CompressionRate(int64_t compressed, int64_t processed)
{
    if (processed <= 0)
        return 100;
    return RoundHalfEven(static_cast<long double>(compressed) /
                         static_cast<long double>(processed) * 100.0L);
}

namespace {

// Three significant digits, then exactly one decimal: 512 -> 512.0, 12.34 -> 12.3, 1.234 -> 1.2.
std::string FigureText(double value, char decimalSeparator)
{
    char rounded[32];
    std::snprintf(rounded, sizeof rounded, "%.2e", value);
    char text[48];
    std::snprintf(text, sizeof text, "%.1f", std::strtod(rounded, nullptr));
    std::string result(text);
    for (char& c : result)
        if (c == '.')
            c = decimalSeparator;
    return result;
}

} // namespace

std::string SpeedText(const std::string& caption, int64_t processed, int64_t elapsed,
                      char decimalSeparator)
{
    const double divisor = static_cast<double>(elapsed < 0 ? 0 : elapsed) + 1.0;
    const double kib = static_cast<double>(processed) / divisor / 1024.0;
    if (kib >= 1024.0)
        return caption + FigureText(kib / 1024.0, decimalSeparator) + " MB/s";
    return caption + FigureText(kib, decimalSeparator) + " KB/s";
}

TStatusUpdate MakeStatusUpdate(const TJobTexts& texts, const std::string& speedCaption,
                               int64_t processed, int64_t total, int64_t elapsed)
{
    TStatusUpdate status;
    status.Progress = ProgressPercent(processed, total);
    status.ElapsedSeconds = elapsed;
    status.RemainingSeconds = RemainingSeconds(elapsed, processed, total);
    status.ElapsedText = texts.ElapsedTime + std::to_string(elapsed) + " s";
    status.RemainingText = texts.RemainingTime + std::to_string(status.RemainingSeconds) + " s";
    status.SpeedText = SpeedText(speedCaption, processed, elapsed, texts.DecimalSeparator);
    status.ProcessedBytes = processed;
    status.TotalBytes = total;
    return status;
}

} // namespace mv::engine

#include "engine/JobStatus.h"

#include <gtest/gtest.h>

namespace mv::engine {
namespace {

TEST(JobStatusFigures, Progress)
{
    const struct
    {
        int64_t processed, total;
        int percent;
    } cases[] = {
        {0, 100, 0},
        {1, 3, 33},
        {2, 3, 66},
        {100, 100, 100},
        {99999, 100000, 99},
        {0, 0, 100},                         // an empty input is complete, not a division by zero
        {40000, 40296, 99},                  // a decrypt job counts the header in the total
        {5'000'000'000, 10'000'000'000, 50}, // beyond 32 bits
        {INT64_MAX / 2, INT64_MAX, 49},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProgressPercent(c.processed, c.total), c.percent)
            << c.processed << "/" << c.total;
}

TEST(JobStatusFigures, RemainingSecondsRoundHalvesToEven)
{
    const struct
    {
        int64_t elapsed, processed, total, remaining;
    } cases[] = {
        {3, 50, 100, 3},  // half done after 3 s
        {0, 50, 100, 0},  // within the first second
        {5, 0, 100, 0},   // nothing processed yet: no division by zero
        {1, 4, 10, 2},    // 1.5 -> 2
        {1, 4, 14, 2},    // 2.5 -> 2
        {1, 4, 18, 4},    // 3.5 -> 4
        {1, 3, 10, 2},    // 2.333 -> 2
        {2, 3, 10, 5},    // 4.667 -> 5
        {1, 100, 100, 0}, // done
        {10, 1'000'000'000, 8'000'000'000, 70},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RemainingSeconds(c.elapsed, c.processed, c.total), c.remaining)
            << c.elapsed << " " << c.processed << " " << c.total;
}

TEST(JobStatusFigures, CompressionRate)
{
    const struct
    {
        int64_t compressed, processed, rate;
    } cases[] = {{25, 100, 25}, {1, 8, 12},  {3, 8, 38},     {5, 200, 2},
                 {7, 200, 4},   {0, 0, 100}, {110, 100, 110}};
    for (const auto& c : cases)
        EXPECT_EQ(CompressionRate(c.compressed, c.processed), c.rate)
            << c.compressed << "/" << c.processed;
}

TEST(JobStatusFigures, SpeedText)
{
    const std::string caption = "Encryption speed : ";
    const struct
    {
        int64_t processed, elapsed;
        const char* text;
    } cases[] = {
        {1'048'576, 0, "1.0 MB/s"},
        {524'288, 0, "512.0 KB/s"},
        {12'636, 0, "12.3 KB/s"}, // 12.34
        {1'264, 0, "1.2 KB/s"},   // 1.234
        {0, 0, "0.0 KB/s"},
        {2'097'152, 1, "1.0 MB/s"},    // divisor e + 1
        {1'047'552, 0, "1020.0 KB/s"}, // 1023: three significant digits
        {1'073'741'824, 0, "1020.0 MB/s"},
        {104'857'600, 3, "25.0 MB/s"},
        {1'000, -5, "1.0 KB/s"}, // a negative elapsed time counts as 0
    };
    for (const auto& c : cases)
        EXPECT_EQ(SpeedText(caption, c.processed, c.elapsed), caption + c.text)
            << c.processed << " " << c.elapsed;
    EXPECT_EQ(SpeedText("v ", 12'636, 0, ','), "v 12,3 KB/s");
}

TEST(JobStatusFigures, StatusUpdateTexts)
{
    TJobTexts texts;
    const TStatusUpdate s = MakeStatusUpdate(texts, texts.DecryptionSpeed, 50, 100, 3);
    EXPECT_EQ(s.Progress, 50);
    EXPECT_EQ(s.ElapsedText, "Elapsed time : 3 s");
    EXPECT_EQ(s.RemainingText, "Remaining time : 3 s");
    EXPECT_EQ(s.SpeedText, "Decryption speed : 0.0 KB/s");
    EXPECT_TRUE(s.RateText.empty());
    EXPECT_EQ(s.ProcessedBytes, 50);
    EXPECT_EQ(s.TotalBytes, 100);
}

} // namespace
} // namespace mv::engine

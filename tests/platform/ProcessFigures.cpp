// The process's resident set: the statm reading and the figure of this very process.
#include "platform/ProcessFigures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace mv::test {
namespace {

TEST(ProcessFigures, ResidentSetIsTheSecondStatmFieldInPages)
{
    struct
    {
        const char* Statm;
        uint64_t PageSize;
        std::optional<uint64_t> Expected;
    } cases[] = {
        {"10000 1221 300 20 0 500 0\n", 4096, 1221ull * 4096},
        {"10000 1221 300 20 0 500 0\n", 65536, 1221ull * 65536},
        {"  7\t3 1 1 0 1 0", 4096, 3ull * 4096},
        {"123456789012 98765432101 0 0 0 0 0\n", 4096, 98765432101ull * 4096},
        {"10000\n", 4096, std::nullopt},
        {"", 4096, std::nullopt},
        {"a b c", 4096, std::nullopt},
        {"1 2 3", 0, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::ResidentSetFromStatm(c.Statm, c.PageSize), c.Expected) << c.Statm;
}

TEST(ProcessFigures, ResidentSetGrowsWithTouchedMemory)
{
    const std::optional<uint64_t> before = platform::ResidentSetBytes();
    ASSERT_TRUE(before.has_value());
    EXPECT_GT(*before, 0u);
    constexpr size_t Size = 64u << 20;
    std::unique_ptr<char[]> block(new char[Size]);
    std::memset(block.get(), 0x5A, Size);
    const std::optional<uint64_t> after = platform::ResidentSetBytes();
    ASSERT_TRUE(after.has_value());
    EXPECT_GE(*after, *before + Size / 2) << "64 MiB written show in the resident set";
    EXPECT_EQ(block[Size - 1], 0x5A);
}

} // namespace
} // namespace mv::test

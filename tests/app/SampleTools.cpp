// The sample tools' logic without their dialogs: the password generator's rules and the checksum
// tool's figures.
#include "FileChecksum/Checksums.h"
#include "PasswordGenerator/PasswordRules.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>

namespace mv::test {
namespace {

using namespace mv::plugins;

// Random bytes from a script; zeros once it is used up.
TRandomBytes Scripted(std::deque<uint8_t> bytes)
{
    auto script = std::make_shared<std::deque<uint8_t>>(std::move(bytes));
    return [script](uint8_t* out, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            out[i] = script->empty() ? 0 : script->front();
            if (!script->empty())
                script->pop_front();
        }
    };
}

TEST(PasswordRules, LengthIsClampedAndEveryCharacterComesFromTheChosenClasses)
{
    const struct
    {
        int Length;
        unsigned Classes;
        size_t Expected;
        const char* Allowed;
    } cases[] = {
        {1, ClassDigits, 4, "0123456789"},
        {4, ClassLower, 4, "abcdefghijklmnopqrstuvwxyz"},
        {20, ClassUpper | ClassDigits, 20, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"},
        {128, ClassSymbols, 128, "!#$%&()*+,-./:;<=>?@[]^_{|}~"},
        {500, ClassLower | ClassSymbols, 128,
         "abcdefghijklmnopqrstuvwxyz!#$%&()*+,-./:;<=>?@[]^_{|}~"},
    };
    for (const auto& c : cases) {
        TPasswordRules rules;
        rules.Length = c.Length;
        rules.Classes = c.Classes;
        const std::string password = GeneratePassword(rules, SystemRandomBytes);
        EXPECT_EQ(password.size(), c.Expected) << c.Length;
        EXPECT_EQ(password.find_first_not_of(c.Allowed), std::string::npos) << password;
    }
    TPasswordRules none;
    none.Classes = 0;
    EXPECT_EQ(GeneratePassword(none, SystemRandomBytes), "");
}

TEST(PasswordRules, EveryChosenClassAppearsEvenInTheShortestPassword)
{
    TPasswordRules rules;
    rules.Length = MinPasswordLength;
    rules.Classes = ClassLower | ClassUpper | ClassDigits | ClassSymbols;
    for (int i = 0; i < 200; ++i) {
        const std::string password = GeneratePassword(rules, SystemRandomBytes);
        for (unsigned characterClass : {ClassLower, ClassUpper, ClassDigits, ClassSymbols})
            EXPECT_NE(password.find_first_of(ClassCharacters(characterClass, rules)),
                      std::string::npos)
                << password;
    }
}

TEST(PasswordRules, DrawsAreUnbiasedAndIncompletePasswordsAreDrawnAgain)
{
    TPasswordRules digits;
    digits.Length = 4;
    digits.Classes = ClassDigits;
    // Ten digits: bytes from 250 up would favour 0..5 and are drawn again.
    EXPECT_EQ(GeneratePassword(digits, Scripted({255, 3, 249, 1, 252, 250, 0})), "3910");

    TPasswordRules mixed;
    mixed.Length = 4;
    mixed.Classes = ClassLower | ClassDigits; // 36 characters, digits from index 26
    // "abcd" lacks a digit: the whole password is drawn again.
    EXPECT_EQ(GeneratePassword(mixed, Scripted({0, 1, 2, 3, 26, 0, 0, 0})), "0aaa");
}

TEST(PasswordRules, LookAlikesCanBeLeftOut)
{
    TPasswordRules rules;
    rules.Classes = ClassLower | ClassUpper | ClassDigits;
    rules.AvoidLookAlikes = true;
    EXPECT_EQ(ClassCharacters(ClassDigits, rules), "23456789");
    EXPECT_EQ(ClassCharacters(ClassUpper, rules).find_first_of("IO"), std::string::npos);
    EXPECT_EQ(ClassCharacters(ClassLower, rules).find_first_of("lo"), std::string::npos);
    EXPECT_EQ(ClassCharacters(ClassSymbols, rules), "") << "not chosen";
    rules.Length = MaxPasswordLength;
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(GeneratePassword(rules, SystemRandomBytes).find_first_of("Il1O0o"),
                  std::string::npos);
}

class FileChecksums : public ::testing::Test
{
protected:
    TTempDir dir;

    std::filesystem::path File(const std::string& name, const std::string& content)
    {
        std::ofstream(dir / name, std::ios::binary) << content;
        return dir / name;
    }
};

TEST_F(FileChecksums, KnownAnswers)
{
    // Figures of Python's zlib and hashlib for the same bytes.
    const struct
    {
        std::string Content;
        const char* Crc;
        const char* Sha1;
    } cases[] = {
        {"", "00000000", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"123456789", "cbf43926", "f7c3bc1d808e04732adf679965ccc34ca7ae3441"},
        // Three whole blocks and a few bytes: the figures carry across the blocks.
        {std::string(3 * 1048576 + 5, 'a'), "5af7c14d", "33a0516d6d0d05685d894c3fa78542ddee5aa522"},
    };
    for (const auto& c : cases) {
        std::string error = "stale";
        std::vector<uint64_t> steps;
        const auto checksums = plugins::FileChecksums(
            File("f", c.Content),
            [&](uint64_t done, uint64_t total) {
                EXPECT_EQ(total, c.Content.size());
                steps.push_back(done);
                return true;
            },
            &error);
        ASSERT_TRUE(checksums.has_value());
        EXPECT_EQ(error, "");
        EXPECT_EQ(checksums->Size, c.Content.size());
        EXPECT_EQ(Crc32Text(checksums->Crc32), c.Crc);
        EXPECT_EQ(Sha1Text(checksums->Sha1), c.Sha1);
        EXPECT_EQ(steps.size(), (c.Content.size() + 1048575) / 1048576);
        if (!steps.empty()) {
            EXPECT_EQ(steps.back(), c.Content.size());
        }
    }
}

TEST_F(FileChecksums, StoppedOrUnreadable)
{
    const auto file = File("big", std::string(3 * 1048576, 'x'));
    int calls = 0;
    std::string error = "stale";
    EXPECT_FALSE(plugins::FileChecksums(
                     file, [&](uint64_t, uint64_t) { return ++calls < 2; }, &error)
                     .has_value());
    EXPECT_EQ(calls, 2) << "stops right after the answer";
    EXPECT_EQ(error, "") << "a stop is no error";

    EXPECT_FALSE(plugins::FileChecksums(dir / "missing", nullptr, &error).has_value());
    EXPECT_NE(error, "");
}

TEST(Checksums, ComparisonIgnoresCaseAndSpaces)
{
    TChecksums checksums;
    checksums.Crc32 = 0xCBF43926;
    for (uint8_t i = 0; i < 20; ++i)
        checksums.Sha1[i] = i;
    const struct
    {
        const char* Expected;
        bool Match;
    } cases[] = {
        {"cbf43926", true},
        {"  CBF43926\n", true},
        {"000102030405060708090a0b0c0d0e0f10111213", true},
        {"00010203 04050607 08090A0B 0C0D0E0F 10111213", true},
        {"cbf43927", false},
        {"0cbf43926", false},
        {"", false},
        {"   ", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesChecksum(checksums, c.Expected), c.Match) << c.Expected;
}

} // namespace
} // namespace mv::test

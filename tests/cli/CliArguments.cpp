// The command line as scripts write it: every subcommand, option and refusal.
#include "cli/CliArguments.h"
#include "cli/OutputName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mv::cli {
namespace {

TParseResult Parse(std::vector<std::string> words, TCliArguments& arguments)
{
    words.insert(words.begin(), "morvane-cli");
    std::vector<const char*> argv;
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    return ParseArguments(static_cast<int>(argv.size()), argv.data(), arguments);
}

TEST(CliArguments, EncryptDefaultsAreTheFirstRunChoices)
{
    TCliArguments a;
    ASSERT_EQ(Parse({"encrypt", "in.txt"}, a).outcome, TParseOutcome::Run);
    EXPECT_EQ(a.command, TCommand::Encrypt);
    EXPECT_EQ(a.algorithmIndex, 0);
    EXPECT_EQ(a.modeIndex, 0);
    EXPECT_FALSE(a.includePass || a.includeCrc || a.compress || a.wipeInput || a.secureWipe ||
                 a.force || a.quiet);
    EXPECT_EQ(a.input, "in.txt");
    EXPECT_EQ(a.output, "");
    EXPECT_EQ(a.passwordFile, "");
}

TEST(CliArguments, EncryptTakesEveryOption)
{
    TCliArguments a;
    ASSERT_EQ(Parse({"encrypt", "-a", "gost", "-m", "cfb8", "--check", "--crc", "--compress",
                     "--wipe", "--secure-wipe", "-f", "--password-file", "pw", "-q", "in", "out"},
                    a)
                  .outcome,
              TParseOutcome::Run);
    EXPECT_EQ(a.algorithmIndex, 3);
    EXPECT_EQ(a.modeIndex, 1);
    EXPECT_TRUE(a.includePass && a.includeCrc && a.compress && a.wipeInput && a.secureWipe &&
                a.force && a.quiet);
    EXPECT_EQ(a.passwordFile, "pw");
    EXPECT_EQ(a.input, "in");
    EXPECT_EQ(a.output, "out");

    TCliArguments b;
    ASSERT_EQ(Parse({"encrypt", "--force", "--quiet", "--password-file=pw2", "in"}, b).outcome,
              TParseOutcome::Run);
    EXPECT_TRUE(b.force && b.quiet);
    EXPECT_EQ(b.passwordFile, "pw2");
}

TEST(CliArguments, CipherAndModeNamesMapToTheListOrder)
{
    const char* ciphers[] = {"twofish", "aes", "rc2", "gost", "cast128", "blowfish"};
    for (int i = 0; i < 6; ++i) {
        TCliArguments a;
        ASSERT_EQ(Parse({"encrypt", "-a", ciphers[i], "x"}, a).outcome, TParseOutcome::Run);
        EXPECT_EQ(a.algorithmIndex, i) << ciphers[i];
    }
    const char* modes[] = {"cbc", "cfb8", "cfb", "ofb"};
    for (int i = 0; i < 4; ++i) {
        TCliArguments a;
        ASSERT_EQ(Parse({"encrypt", "-m", modes[i], "x"}, a).outcome, TParseOutcome::Run);
        EXPECT_EQ(a.modeIndex, i) << modes[i];
    }
}

TEST(CliArguments, DecryptAndTheFileCommands)
{
    TCliArguments d;
    ASSERT_EQ(Parse({"decrypt", "-d", "out", "--wipe", "--secure-wipe", "-f", "c.mvx"}, d).outcome,
              TParseOutcome::Run);
    EXPECT_EQ(d.command, TCommand::Decrypt);
    EXPECT_EQ(d.directory, "out");
    EXPECT_TRUE(d.wipeInput && d.secureWipe && d.force);
    EXPECT_EQ(d.input, "c.mvx");

    TCliArguments d2;
    ASSERT_EQ(Parse({"decrypt", "--directory", "o2", "c.mvx"}, d2).outcome, TParseOutcome::Run);
    EXPECT_EQ(d2.directory, "o2");

    struct
    {
        std::vector<std::string> words;
        TCommand command;
        bool secureWipe;
    } cases[] = {
        {{"info", "c.mvx"}, TCommand::Info, false},
        {{"crc", "f"}, TCommand::Crc, false},
        {{"wipe", "f"}, TCommand::Wipe, false},
        {{"wipe", "--secure-wipe", "f"}, TCommand::Wipe, true},
        {{"selftest"}, TCommand::SelfTest, false},
    };
    for (const auto& c : cases) {
        TCliArguments a;
        ASSERT_EQ(Parse(c.words, a).outcome, TParseOutcome::Run) << c.words[0];
        EXPECT_EQ(a.command, c.command) << c.words[0];
        EXPECT_EQ(a.secureWipe, c.secureWipe) << c.words[0];
        if (c.command != TCommand::SelfTest) {
            EXPECT_EQ(a.input, c.words.back());
        }
    }
}

TEST(CliArguments, HelpIsNotAnError)
{
    for (auto words :
         std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"encrypt", "-h"}}) {
        TCliArguments a;
        EXPECT_EQ(Parse(words, a).outcome, TParseOutcome::Help) << words.back();
    }
}

TEST(CliArguments, UsageErrors)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"encrypt"},
        {"encrypt", "a", "b", "c"},
        {"encrypt", "-a", "des", "x"},
        {"encrypt", "-a", "AES", "x"},
        {"encrypt", "-m", "ecb", "x"},
        {"decrypt", "--sfx", "c"},
        {"encrypt", "--password", "secret", "x"},
        {"encrypt", "--password-file", "", "x"},
        {"encrypt", ""},
        {"decrypt"},
        {"decrypt", "-d", "", "c"},
        {"decrypt", "-a", "aes", "c"},
        {"decrypt", "--check", "c"},
        {"decrypt", "--compress", "c"},
        {"decrypt", "c", "d"},
        {"info"},
        {"info", "--force", "c"},
        {"crc", "a", "b"},
        {"wipe", "--wipe", "f"},
        {"selftest", "extra"},
        {"encrypt", "x", "selftest", "y"},
    };
    for (const auto& words : cases) {
        TCliArguments a;
        TParseResult r = Parse(words, a);
        std::string shown;
        for (const auto& w : words)
            shown += w + " ";
        EXPECT_EQ(r.outcome, TParseOutcome::Error) << shown;
        EXPECT_FALSE(r.message.empty()) << shown;
    }
}

TEST(CliArguments, UsageTextNamesEveryCommandAndOption)
{
    const std::string usage = UsageText;
    for (const char* word :
         {"encrypt", "decrypt", "info CONTAINER", "crc FILE", "wipe [--secure-wipe] FILE",
          "selftest", "[-a twofish|aes|rc2|gost|cast128|blowfish]", "[-m cbc|cfb8|cfb|ofb]",
          "[--check]", "[--crc]", "[--compress]", "[--wipe]", "[--secure-wipe]", "[-f|--force]",
          "[--password-file FILE]", "[-q|--quiet]", "INPUT [OUTPUT]", "[-d|--directory DIR]"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

TEST(OutputName, ExtensionRule)
{
    struct
    {
        const char* input;
        const char* expected;
    } cases[] = {
        {"report.txt", "report.mvx"},
        {"/home/u/docs/report.txt", "/home/u/docs/report.mvx"},
        {"archive.tar.gz", "archive.tar.mvx"},
        {"noext", "noext.mvx"},
        {"dir.d/noext", "dir.d/noext.mvx"},
        {"./file", "./file.mvx"},
        {".bashrc", ".mvx"},
        {"a/b.", "a/b.mvx"},
        {"x.mvx", "x.mvx"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChangeExtension(c.input, ContainerExtension), c.expected) << c.input;
}

TEST(OutputName, ContainerDirectory)
{
    EXPECT_EQ(ContainerDirectory("c.mvx"), ".");
    EXPECT_EQ(ContainerDirectory("/c.mvx"), "/");
    EXPECT_EQ(ContainerDirectory("/tmp/x/c.mvx"), "/tmp/x");
    EXPECT_EQ(ContainerDirectory("rel/c.mvx"), "rel");
}

} // namespace
} // namespace mv::cli

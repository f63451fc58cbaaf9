// The command line as scripts write it: argument vectors and what each one means, the refusals,
// every option of the table against every command, the help texts and the output-name rule.
#include "cli/CliArguments.h"
#include "cli/JobPlan.h"

#include "app/OutputName.h"

#include <gtest/gtest.h>

#include <sstream>
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

std::string Shown(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& word : words)
        text += "[" + word + "]";
    return text;
}

const char* CommandName(TCommand command)
{
    switch (command) {
    case TCommand::Version:
        return "version";
    default:
        return SpecOf(command).name;
    }
}

// Everything a parse decided, in one line: what the table below compares.
std::string Describe(const TCliArguments& a)
{
    std::ostringstream text;
    text << CommandName(a.command);
    if (a.command == TCommand::Help)
        text << " topic=" << CommandName(a.helpTopic);
    if (a.command == TCommand::Encrypt)
        text << " a=" << AlgorithmNames[a.algorithmIndex] << " m=" << ModeNames[a.modeIndex];
    const std::pair<bool, const char*> flags[] = {{a.includePass, "check"}, {a.includeCrc, "crc"},
                                                  {a.compress, "compress"}, {a.selfExtract, "sfx"},
                                                  {a.recursive, "r"},       {a.wipeInput, "wipe"},
                                                  {a.secureWipe, "secure"}, {a.force, "f"},
                                                  {a.quiet, "q"},           {a.verify, "verify"}};
    for (const auto& [set, name] : flags)
        if (set)
            text << " " << name;
    if (!a.output.empty())
        text << " o=" << a.output;
    if (!a.directory.empty())
        text << " d=" << a.directory;
    if (!a.passwordFile.empty())
        text << " pw=" << a.passwordFile;
    if (!a.storedName.empty())
        text << " name=" << a.storedName;
    for (const std::string& input : a.inputs)
        text << " <" << input << ">";
    return text.str();
}

TEST(CliArguments, WhatEachCommandLineMeans)
{
    const struct
    {
        std::vector<std::string> words;
        const char* meaning;
    } cases[] = {
        // The first-run choices: Twofish, CBC, every option off.
        {{"encrypt", "in.txt"}, "encrypt a=twofish m=cbc <in.txt>"},
        // Every positional is an input: the habit of "encrypt -f *.txt" destroys nothing.
        {{"encrypt", "-f", "one.txt", "two.txt"}, "encrypt a=twofish m=cbc f <one.txt> <two.txt>"},
        {{"encrypt", "a", "-f", "b", "--check"}, "encrypt a=twofish m=cbc check f <a> <b>"},
        {{"encrypt", "-a", "gost", "-m", "cfb8", "--check", "--crc", "--compress", "--wipe", "-f",
          "--password-file", "pw", "-q", "in"},
         "encrypt a=gost m=cfb8 check crc compress wipe f q pw=pw <in>"},
        {{"encrypt", "--algorithm=aes", "--mode", "ofb", "--sfx", "x"},
         "encrypt a=aes m=ofb sfx <x>"},
        {{"encrypt", "--force", "--quiet", "--password-file=pw2", "in"},
         "encrypt a=twofish m=cbc f q pw=pw2 <in>"},
        {{"encrypt", "-o", "out.mvx", "in"}, "encrypt a=twofish m=cbc o=out.mvx <in>"},
        {{"encrypt", "--output=o", "in"}, "encrypt a=twofish m=cbc o=o <in>"},
        // "-" is standard input, "-o -" standard output.
        {{"encrypt", "-o", "-", "-"}, "encrypt a=twofish m=cbc o=- <->"},
        {{"encrypt", "--name", "data.tar", "-"}, "encrypt a=twofish m=cbc name=data.tar <->"},
        {{"decrypt", "-o", "-", "c.mvx"}, "decrypt o=- <c.mvx>"},
        {{"decrypt", "-o", "plain.txt", "-"}, "decrypt o=plain.txt <->"},
        {{"encrypt", "-d", "dir", "a", "b"}, "encrypt a=twofish m=cbc d=dir <a> <b>"},
        {{"encrypt", "-r", "--directory", "out", "tree"}, "encrypt a=twofish m=cbc r d=out <tree>"},
        // Three passes are still a wipe.
        {{"encrypt", "--secure-wipe", "x"}, "encrypt a=twofish m=cbc wipe secure <x>"},
        {{"decrypt", "--secure-wipe", "c.mvx"}, "decrypt wipe secure <c.mvx>"},
        // The test of the output, on both jobs.
        {{"encrypt", "--verify", "a"}, "encrypt a=twofish m=cbc verify <a>"},
        {{"decrypt", "--verify", "--wipe", "c.mvx"}, "decrypt wipe verify <c.mvx>"},
        // "--" ends the options: a file may begin with a dash.
        {{"encrypt", "--", "-f", "--check"}, "encrypt a=twofish m=cbc <-f> <--check>"},
        {{"decrypt", "-d", "out", "--wipe", "-f", "c.mvx"}, "decrypt wipe f d=out <c.mvx>"},
        {{"decrypt", "a.mvx", "b.exe", "--password-file", "pw"}, "decrypt pw=pw <a.mvx> <b.exe>"},
        {{"info", "c.mvx"}, "info <c.mvx>"},
        {{"info", "a", "b"}, "info <a> <b>"},
        {{"crc", "f", "g"}, "crc <f> <g>"},
        {{"crc", "./-"}, "crc <./->"},
        {{"wipe", "f"}, "wipe <f>"},
        // Outside a job, --secure-wipe is the kind of wipe, not a request for one.
        {{"wipe", "--secure-wipe", "f", "g"}, "wipe secure <f> <g>"},
        {{"selftest"}, "selftest"},
        {{"--version"}, "version"},
        {{"--help"}, "help topic=help"},
        {{"-h"}, "help topic=help"},
        {{"help"}, "help topic=help"},
        {{"help", "decrypt"}, "help topic=decrypt"},
        {{"encrypt", "--help"}, "help topic=encrypt"},
        {{"wipe", "-h"}, "help topic=wipe"},
        {{"info", "--help", "c"}, "help topic=info <c>"},
    };
    for (const auto& c : cases) {
        TCliArguments a;
        const TParseResult r = Parse(c.words, a);
        ASSERT_EQ(r.outcome, TParseOutcome::Run) << Shown(c.words) << ": " << r.message;
        EXPECT_EQ(Describe(a), c.meaning) << Shown(c.words);
    }
}

TEST(CliArguments, CipherAndModeNamesMapToTheListOrder)
{
    for (int i = 0; i < 6; ++i) {
        TCliArguments a;
        ASSERT_EQ(Parse({"encrypt", "-a", AlgorithmNames[i], "x"}, a).outcome, TParseOutcome::Run);
        EXPECT_EQ(a.algorithmIndex, i) << AlgorithmNames[i];
    }
    const std::vector<std::string> expected = {"twofish", "aes",     "rc2",
                                               "gost",    "cast128", "blowfish"};
    EXPECT_EQ(std::vector<std::string>(std::begin(AlgorithmNames), std::end(AlgorithmNames)),
              expected);
    for (int i = 0; i < 4; ++i) {
        TCliArguments a;
        ASSERT_EQ(Parse({"encrypt", "-m", ModeNames[i], "x"}, a).outcome, TParseOutcome::Run);
        EXPECT_EQ(a.modeIndex, i) << ModeNames[i];
    }
}

TEST(CliArguments, UsageErrors)
{
    const struct
    {
        std::vector<std::string> words;
        const char* message; // a part of it
        TCommand synopsis;   // whose synopsis follows the message
    } cases[] = {
        {{}, "a command is required", TCommand::Help},
        {{"frobnicate"}, "frobnicate", TCommand::Help},
        {{"encrypt"}, "INPUT... is missing", TCommand::Encrypt},
        {{"encrypt", "-a", "des", "x"}, "unknown cipher \"des\"", TCommand::Encrypt},
        {{"encrypt", "-a", "AES", "x"}, "unknown cipher", TCommand::Encrypt},
        {{"encrypt", "-m", "ecb", "x"}, "unknown mode \"ecb\"", TCommand::Encrypt},
        {{"decrypt", "--sfx", "c"}, "--sfx", TCommand::Decrypt},
        {{"encrypt", "--password", "secret", "x"}, "--password", TCommand::Encrypt},
        {{"encrypt", "--password-file", "", "x"},
         "--password-file: the value is empty",
         TCommand::Encrypt},
        {{"encrypt", ""}, "a file path is empty", TCommand::Encrypt},
        {{"encrypt", "a", "", "b"}, "a file path is empty", TCommand::Encrypt},
        {{"encrypt", "-o", "x.mvx", "a", "b"}, "single input", TCommand::Encrypt},
        {{"encrypt", "-o", "x.mvx", "-d", "dir", "a"}, "-o and -d", TCommand::Encrypt},
        {{"encrypt", "-o", "x.mvx", "-r", "a"}, "-o and -r", TCommand::Encrypt},
        {{"encrypt", "-o", "", "a"}, "--output: the value is empty", TCommand::Encrypt},
        {{"encrypt", "--name", "n", "-", "-"}, "can be read only once", TCommand::Encrypt},
        {{"encrypt", "--wipe", "-o", "x.mvx", "-"},
         "no file that could be wiped",
         TCommand::Encrypt},
        {{"decrypt", "--secure-wipe", "-"}, "no file that could be wiped", TCommand::Decrypt},
        {{"encrypt", "--name", "n", "a"},
         "--name names what is stored for standard input",
         TCommand::Encrypt},
        {{"encrypt", "-"}, "needs -o FILE, -o - or --name NAME", TCommand::Encrypt},
        {{"decrypt", "-o", "x", "a.mvx", "b.mvx"}, "single input", TCommand::Decrypt},
        {{"decrypt"}, "CONTAINER... is missing", TCommand::Decrypt},
        {{"decrypt", "-d", "", "c"}, "--directory: the value is empty", TCommand::Decrypt},
        {{"decrypt", "-a", "aes", "c"}, "-a", TCommand::Decrypt},
        {{"decrypt", "--check", "c"}, "--check", TCommand::Decrypt},
        {{"decrypt", "--compress", "c"}, "--compress", TCommand::Decrypt},
        {{"decrypt", "-r", "c"}, "-r", TCommand::Decrypt},
        {{"info"}, "FILE... is missing", TCommand::Info},
        {{"info", "--force", "c"}, "--force", TCommand::Info},
        {{"crc"}, "FILE... is missing", TCommand::Crc},
        {{"crc", "a", "-"}, "does not read standard input", TCommand::Crc},
        {{"info", "-"}, "a file named - is ./-", TCommand::Info},
        {{"wipe", "-"}, "does not read standard input", TCommand::Wipe},
        {{"wipe", "--wipe", "f"}, "--wipe", TCommand::Wipe},
        {{"selftest", "extra"}, "extra", TCommand::SelfTest},
        {{"help", "frobnicate"}, "no command \"frobnicate\"", TCommand::Help},
        {{"encrypt", "-a"}, "-a", TCommand::Encrypt},
    };
    for (const auto& c : cases) {
        TCliArguments a;
        const TParseResult r = Parse(c.words, a);
        EXPECT_EQ(r.outcome, TParseOutcome::Error) << Shown(c.words);
        EXPECT_NE(r.message.find(c.message), std::string::npos) << Shown(c.words) << r.message;
        EXPECT_EQ(r.command, c.synopsis) << Shown(c.words);
        EXPECT_NE(UsageText(r.command).find("usage: morvane-cli"), std::string::npos);
    }
}

// Every option of the table is taken by the commands it lists and refused by the others.
TEST(CliArguments, EveryOptionBelongsToItsCommands)
{
    const auto valueFor = [](const std::string& name) -> std::string {
        if (name == "-a" || name == "--algorithm")
            return "rc2";
        if (name == "-m" || name == "--mode")
            return "ofb";
        return "value";
    };
    for (const TCommandSpec& command : CommandSpecs()) {
        if (command.command == TCommand::Help || command.command == TCommand::SelfTest)
            continue;
        for (const TOptionSpec& option : OptionSpecs()) {
            if (option.hidden)
                continue;
            // An option may have an entry per command, each with its own text.
            bool belongs = false;
            for (const TOptionSpec& entry : OptionSpecs())
                belongs = belongs || (std::string(entry.longName) == option.longName &&
                                      (entry.commands & CommandBit(command.command)));
            for (const char* name : {option.shortName, option.longName}) {
                if (!name)
                    continue;
                std::vector<std::string> words = {command.name, name};
                if (option.valueName)
                    words.push_back(valueFor(name));
                // --name is for standard input alone.
                words.push_back(std::string(option.longName) == "--name" ? "-" : "file");
                TCliArguments a;
                EXPECT_EQ(Parse(words, a).outcome,
                          belongs ? TParseOutcome::Run : TParseOutcome::Error)
                    << Shown(words);
            }
        }
    }
}

TEST(CliArguments, HelpDescribesEveryOption)
{
    for (const TCommandSpec& command : CommandSpecs()) {
        const std::string help = HelpText(command.command);
        SCOPED_TRACE(command.name);
        EXPECT_EQ(help.rfind("usage: morvane-cli", 0), 0u) << help;
        std::istringstream lines(help);
        for (std::string line; std::getline(lines, line);)
            EXPECT_LE(line.size(), 80u) << line;
        if (command.command == TCommand::Help)
            continue;
        for (const TOptionSpec& option : OptionSpecs()) {
            if (!(option.commands & CommandBit(command.command)))
                continue;
            // The option's name and the first words of what it does.
            const std::string help1 = std::string(option.help).substr(0, 20);
            const std::string label =
                std::string(option.shortName ? std::string(option.shortName) + ", " : "") +
                option.longName;
            if (option.hidden) {
                EXPECT_EQ(help.find(option.longName), std::string::npos) << option.longName;
                continue;
            }
            EXPECT_NE(help.find("  " + label), std::string::npos) << label;
            EXPECT_NE(help.find(help1), std::string::npos) << label << ": " << help1;
        }
    }
    const std::string overview = HelpText(TCommand::Help);
    for (const TCommandSpec& command : CommandSpecs())
        EXPECT_NE(overview.find(std::string("  ") + command.name), std::string::npos)
            << command.name;
    for (const char* status : {"130", "128+N", "6 a damaged container"})
        EXPECT_NE(overview.find(status), std::string::npos) << status;
    EXPECT_EQ(VersionText(), std::string("morvane-cli ") + MORVANE_VERSION + "\n");
}

// The window's rule, dotfiles included: one function for both.
TEST(OutputName, TheWindowsRule)
{
    const struct
    {
        const char* input;
        const char* mvx;
        const char* exe;
    } cases[] = {
        {"report.txt", "report.mvx", "report.exe"},
        {"/home/u/docs/report.txt", "/home/u/docs/report.mvx", "/home/u/docs/report.exe"},
        {"archive.tar.gz", "archive.tar.mvx", "archive.tar.exe"},
        {"noext", "noext.mvx", "noext.exe"},
        {"dir.d/noext", "dir.d/noext.mvx", "dir.d/noext.exe"},
        {"./file", "./file.mvx", "./file.exe"},
        {".bashrc", ".bashrc.mvx", ".bashrc.exe"},
        {"/home/u/.profile", "/home/u/.profile.mvx", "/home/u/.profile.exe"},
        {".config.old", ".config.mvx", ".config.exe"},
        {"a/b.", "a/b.mvx", "a/b.exe"},
        {"x.mvx", "x.mvx", "x.exe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DefaultOutput(c.input, false).string(), c.mvx) << c.input;
        EXPECT_EQ(DefaultOutput(c.input, true).string(), c.exe) << c.input;
        EXPECT_EQ(DefaultOutput(c.input, false).string(),
                  app::ChangeFileExtension(c.input, app::OutputExtension(false)));
    }
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

// The command line of morvane-cli: its commands and options as one table, which the parser, the
// help texts and the tests all read, so the three cannot drift apart.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace mv::cli {

enum class TCommand
{
    Encrypt,
    Decrypt,
    Info,
    Crc,
    Wipe,
    SelfTest,
    Help,   // help [COMMAND], -h, --help
    Version // --version
};

struct TCliArguments
{
    TCommand command = TCommand::Help;
    // help COMMAND, or the command whose --help was asked; Help alone is the overview.
    TCommand helpTopic = TCommand::Help;
    // The program's first-run choices: Twofish, CBC, every option off.
    int algorithmIndex = 0;
    int modeIndex = 0;
    bool includePass = false; // --check
    bool includeCrc = false;  // --crc
    bool compress = false;    // --compress: a compressed container
    bool selfExtract = false; // --sfx: a self-decrypting executable around the container
    bool recursive = false;   // -r: a directory input stands for the regular files below it
    bool wipeInput = false;   // --wipe (also set by --secure-wipe of a job)
    bool secureWipe = false;  // --secure-wipe
    bool verify = false;      // --verify
    bool force = false;
    bool quiet = false;
    std::string passwordFile; // empty: ask on the terminal
    std::string output;       // -o: the output of a single input; empty when derived
    std::string directory;    // -d: empty for beside each input
    std::string storedName;   // --name: the name stored for standard input
    std::vector<std::string> inputs;
};

enum class TParseOutcome
{
    Run,  // arguments complete, run the command (Help and Version included)
    Error // print the message and the command's synopsis on stderr, exit with the usage status
};

struct TParseResult
{
    TParseOutcome outcome = TParseOutcome::Error;
    std::string message;
    // The command the error belongs to, for the synopsis after the message (Help: the program).
    TCommand command = TCommand::Help;
};

// One option of the table. An option that means something different to two commands has an
// entry for each, with its own text.
struct TOptionSpec
{
    const char* shortName; // "-a", or nullptr
    const char* longName;  // "--algorithm"
    const char* valueName; // "NAME" for an option with a value, nullptr for a flag
    unsigned commands;     // bits of CommandBit
    const char* help;      // what it does, one paragraph; wrapped when printed
    bool TCliArguments::*flag = nullptr;
    std::string TCliArguments::*value = nullptr;
    // Parsed but not offered: no help line, no manual entry, no completion.
    bool hidden = false;
};

struct TCommandSpec
{
    TCommand command;
    const char* name;     // "encrypt"
    const char* operands; // "INPUT...", "" for none
    const char* summary;  // one line for the overview
    const char* text;     // the paragraphs of its help, "\n\n" between them
};

constexpr unsigned CommandBit(TCommand command)
{
    return 1u << static_cast<unsigned>(command);
}

std::span<const TCommandSpec> CommandSpecs();
std::span<const TOptionSpec> OptionSpecs();
const TCommandSpec* FindCommand(const std::string& name);
const TCommandSpec& SpecOf(TCommand command);

// Names accepted by -a, in the order of the algorithm list, and by -m, in the order of the modes.
extern const char* const AlgorithmNames[6];
extern const char* const ModeNames[4];

TParseResult ParseArguments(int argc, const char* const* argv, TCliArguments& arguments);

// The help of a command (Help: the overview of every command), wrapped to 80 columns.
std::string HelpText(TCommand command);
// The short form printed after a usage error: the command's synopsis and where to read more.
std::string UsageText(TCommand command);
// "morvane-cli 0.5.1.70".
std::string VersionText();

} // namespace mv::cli

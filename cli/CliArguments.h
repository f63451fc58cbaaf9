// The command line of morvane-cli: subcommands, options and the usage text.
#pragma once

#include <string>

namespace mv::cli {

enum class TCommand
{
    Encrypt,
    Decrypt,
    Info,
    Crc,
    Wipe,
    SelfTest
};

struct TCliArguments
{
    TCommand command = TCommand::SelfTest;
    // The program's first-run choices: Twofish, CBC, every option off.
    int algorithmIndex = 0;
    int modeIndex = 0;
    bool includePass = false; // --check
    bool includeCrc = false;  // --crc
    bool compress = false;    // --compress: a compressed container
    bool selfExtract = false; // --sfx: a self-decrypting executable around the container
    bool wipeInput = false;   // --wipe
    bool secureWipe = false;  // --secure-wipe
    bool verify = false;      // --verify: test the output before it is claimed
    bool force = false;
    bool quiet = false;
    std::string passwordFile; // empty: ask on the terminal
    std::string input;        // INPUT, CONTAINER or FILE
    std::string output;       // encrypt: OUTPUT, empty when derived from INPUT
    std::string directory;    // decrypt: DIR, empty for the container's directory
};

enum class TParseOutcome
{
    Run,  // arguments complete, run the command
    Help, // -h/--help: print the usage on stdout, succeed
    Error // print message and usage on stderr, exit with the usage status
};

struct TParseResult
{
    TParseOutcome outcome = TParseOutcome::Error;
    std::string message;
};

// The usage text printed by --help and after every usage error.
extern const char* const UsageText;

// Names accepted by -a, in the order of the algorithm list, and by -m, in the order of the modes.
extern const char* const AlgorithmNames[6];
extern const char* const ModeNames[4];

TParseResult ParseArguments(int argc, const char* const* argv, TCliArguments& arguments);

} // namespace mv::cli

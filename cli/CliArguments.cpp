#include "cli/CliArguments.h"

#include <CLI/CLI.hpp>

#include <algorithm>

namespace mv::cli {

const char* const UsageText =
    "usage:\n"
    "morvane-cli encrypt [-a twofish|aes|rc2|gost|cast128|blowfish] [-m cbc|cfb8|cfb|ofb]\n"
    "                    [--check] [--crc] [--compress] [--sfx] [--verify] [--wipe]\n"
    "                    [--secure-wipe] [-f|--force] [--password-file FILE] [-q|--quiet]\n"
    "                    INPUT [OUTPUT]\n"
    "morvane-cli decrypt [-d|--directory DIR] [--verify] [--wipe] [--secure-wipe] [-f|--force]\n"
    "                    [--password-file FILE] [-q|--quiet] CONTAINER\n"
    "morvane-cli info CONTAINER        the header's plain fields: name, cipher, mode, flags, "
    "sizes\n"
    "morvane-cli crc FILE              the CRC-32, 8 hex digits\n"
    "morvane-cli wipe [--secure-wipe] FILE\n"
    "morvane-cli selftest\n";

const char* const AlgorithmNames[6] = {"twofish", "aes", "rc2", "gost", "cast128", "blowfish"};
const char* const ModeNames[4] = {"cbc", "cfb8", "cfb", "ofb"};

namespace {

template <size_t N> int IndexOfName(const char* const (&names)[N], const std::string& name)
{
    for (size_t i = 0; i < N; ++i)
        if (name == names[i])
            return static_cast<int>(i);
    return -1;
}

template <size_t N> std::string JoinNames(const char* const (&names)[N])
{
    std::string text;
    for (size_t i = 0; i < N; ++i)
        text += (i ? "|" : "") + std::string(names[i]);
    return text;
}

void AddWipeOptions(CLI::App* command, TCliArguments& arguments)
{
    command->add_flag("--secure-wipe", arguments.secureWipe);
}

void AddJobOptions(CLI::App* command, TCliArguments& arguments)
{
    command->add_flag("--wipe", arguments.wipeInput);
    command->add_flag("--verify", arguments.verify);
    AddWipeOptions(command, arguments);
    command->add_flag("-f,--force", arguments.force);
    command->add_option("--password-file", arguments.passwordFile);
    command->add_flag("-q,--quiet", arguments.quiet);
}

} // namespace

TParseResult ParseArguments(int argc, const char* const* argv, TCliArguments& arguments)
{
    CLI::App app("morvane-cli", "morvane-cli");
    app.require_subcommand(1, 1);

    std::string algorithm = AlgorithmNames[0];
    std::string mode = ModeNames[0];

    CLI::App* encrypt = app.add_subcommand("encrypt");
    encrypt->add_option("-a", algorithm);
    encrypt->add_option("-m", mode);
    encrypt->add_flag("--check", arguments.includePass);
    encrypt->add_flag("--crc", arguments.includeCrc);
    encrypt->add_flag("--compress", arguments.compress);
    encrypt->add_flag("--sfx", arguments.selfExtract);
    AddJobOptions(encrypt, arguments);
    encrypt->add_option("INPUT", arguments.input)->required();
    encrypt->add_option("OUTPUT", arguments.output);

    CLI::App* decrypt = app.add_subcommand("decrypt");
    decrypt->add_option("-d,--directory", arguments.directory);
    AddJobOptions(decrypt, arguments);
    decrypt->add_option("CONTAINER", arguments.input)->required();

    CLI::App* info = app.add_subcommand("info");
    info->add_option("CONTAINER", arguments.input)->required();

    CLI::App* crc = app.add_subcommand("crc");
    crc->add_option("FILE", arguments.input)->required();

    CLI::App* wipe = app.add_subcommand("wipe");
    AddWipeOptions(wipe, arguments);
    wipe->add_option("FILE", arguments.input)->required();

    CLI::App* selftest = app.add_subcommand("selftest");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        return {TParseOutcome::Help, {}};
    } catch (const CLI::ParseError& error) {
        return {TParseOutcome::Error, error.what()};
    }

    if (encrypt->parsed()) {
        arguments.command = TCommand::Encrypt;
        arguments.algorithmIndex = IndexOfName(AlgorithmNames, algorithm);
        if (arguments.algorithmIndex < 0)
            return {TParseOutcome::Error, "-a: unknown cipher \"" + algorithm + "\" (one of " +
                                              JoinNames(AlgorithmNames) + ")"};
        arguments.modeIndex = IndexOfName(ModeNames, mode);
        if (arguments.modeIndex < 0)
            return {TParseOutcome::Error,
                    "-m: unknown mode \"" + mode + "\" (one of " + JoinNames(ModeNames) + ")"};
    } else if (decrypt->parsed())
        arguments.command = TCommand::Decrypt;
    else if (info->parsed())
        arguments.command = TCommand::Info;
    else if (crc->parsed())
        arguments.command = TCommand::Crc;
    else if (wipe->parsed())
        arguments.command = TCommand::Wipe;
    else if (selftest->parsed())
        arguments.command = TCommand::SelfTest;

    // An empty path would name nothing; an empty password file name would silently fall back to
    // the terminal.
    if (arguments.command != TCommand::SelfTest && arguments.input.empty())
        return {TParseOutcome::Error, "the file path is empty"};
    bool isJob = arguments.command == TCommand::Encrypt || arguments.command == TCommand::Decrypt;
    if (isJob && app.get_subcommands().front()->count("--password-file") > 0 &&
        arguments.passwordFile.empty())
        return {TParseOutcome::Error, "--password-file: the file path is empty"};
    if (arguments.command == TCommand::Decrypt && decrypt->count("--directory") > 0 &&
        arguments.directory.empty())
        return {TParseOutcome::Error, "--directory: the directory path is empty"};
    return {TParseOutcome::Run, {}};
}

} // namespace mv::cli

#include "cli/CliArguments.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <map>

namespace mv::cli {

const char* const AlgorithmNames[6] = {"twofish", "aes", "rc2", "gost", "cast128", "blowfish"};
const char* const ModeNames[4] = {"cbc", "cfb8", "cfb", "ofb"};

namespace {

constexpr unsigned Enc = CommandBit(TCommand::Encrypt);
constexpr unsigned Dec = CommandBit(TCommand::Decrypt);
constexpr unsigned Wip = CommandBit(TCommand::Wipe);
constexpr unsigned Jobs = Enc | Dec;

// clang-format off
const TCommandSpec Commands[] = {
    {TCommand::Encrypt, "encrypt", "INPUT...",
     "encrypt files into containers",
     "Encrypts each INPUT into a container of its own: by default beside it, under its name "
     "with the extension replaced by .mvx (.exe with --sfx); a name without an extension, or "
     "a hidden file such as .profile, gains it. An INPUT of \"-\" is standard input, read to "
     "its end; a pipe into a pipe (-o -) cannot carry --crc or --compress, whose header fields "
     "are known only at the end.\n\n"
     "Every output is worked out before anything is written: when two inputs would get the same "
     "output, or an output is one of the inputs, nothing is done. An existing output is replaced "
     "only after a yes to the question that names it, or with --force. The questions come before "
     "the password, which is asked once for the whole call (twice on a terminal, up to three "
     "times when the two do not match) or read from --password-file.\n\n"
     "Each input gets its job line on standard output. The call goes on after an input that "
     "failed and ends with the exit status of the first failure."},
    {TCommand::Decrypt, "decrypt", "CONTAINER...",
     "restore the files of containers and self-decrypting files",
     "Restores the file of each CONTAINER (a container or a self-decrypting file) under the "
     "name stored in it: by default in the container's own directory. Only the last element of "
     "the stored name is used, so nothing is ever written outside the chosen directory. A "
     "CONTAINER of \"-\" is standard input when it is a file (a container is read by offsets, "
     "not from a pipe).\n\n"
     "Every output is worked out before anything is written: when two containers would restore "
     "the same file, or a file would replace one of the containers, nothing is done. The "
     "questions about existing files come first; the password is asked once for the whole call, "
     "when the first container needs it.\n\n"
     "Each container gets its job line on standard output. The call goes on after a container "
     "that failed and ends with the exit status of the first failure. A file restored from a "
     "container with neither password check value nor CRC-32 is reported as not verified."},
    {TCommand::Info, "info", "FILE...",
     "the plain fields of containers: name, cipher, mode, flags, sizes",
     "Shows what each FILE says about itself, without a password: the stored name, the cipher "
     "and mode, whether a password check value and a CRC-32 are stored, the compression and the "
     "sizes. A self-decrypting file is read too, and said to be one.\n\n"
     "The fields are checked as decrypt checks them: a file that holds no container ends with "
     "exit status 3, a container whose chunk table cannot be right with status 6. With more "
     "than one FILE, each block begins with the file's name."},
    {TCommand::Crc, "crc", "FILE...",
     "the CRC-32 of files, 8 hex digits",
     "Prints the CRC-32 of each FILE (the one a container stores) as 8 hexadecimal digits; with "
     "more than one FILE, each is followed by two spaces and the file's name."},
    {TCommand::Wipe, "wipe", "FILE...",
     "overwrite files, then delete them",
     "Overwrites each FILE with zero bytes (three passes with --secure-wipe), renames it and "
     "deletes it. Only regular files are wiped: a symbolic link is refused, since wiping it "
     "would destroy the file it points to."},
    {TCommand::SelfTest, "selftest", "",
     "run every cipher's known-answer test",
     "Runs the built-in known-answer test of every cipher and prints a line for each; the exit "
     "status is 1 when one of them failed."},
    {TCommand::Help, "help", "[COMMAND]",
     "the commands, or what COMMAND does and its options",
     "Shows the commands, or what COMMAND does and each of its options."},
};

const TOptionSpec Options[] = {
    {"-a", "--algorithm", "NAME", Enc,
     "the cipher: twofish (the default), aes, rc2, gost, cast128 or blowfish"},
    {"-m", "--mode", "NAME", Enc,
     "the chaining mode: cbc (the default), cfb8, cfb or ofb"},
    {nullptr, "--check", nullptr, Enc,
     "store an encrypted password check value, so a wrong password is told at once",
     &TCliArguments::includePass},
    {nullptr, "--crc", nullptr, Enc,
     "store the CRC-32 of the input, compared with the restored file's",
     &TCliArguments::includeCrc},
    {nullptr, "--compress", nullptr, Enc,
     "compress before encrypting (zlib, in chunks); the password check value is always stored",
     &TCliArguments::compress},
    {nullptr, "--sfx", nullptr, Enc,
     "write a self-decrypting program (extension .exe) that restores the file by itself",
     &TCliArguments::selfExtract},
    {"-o", "--output", "FILE", Enc,
     "the output of a single INPUT (default: beside it, by the extension rule above); \"-\" "
     "is standard output, and the job lines go to standard error",
     nullptr, &TCliArguments::output},
    {"-d", "--directory", "DIR", Enc,
     "where the outputs go (default: beside each input); a directory given with -r becomes a "
     "tree of containers below DIR",
     nullptr, &TCliArguments::directory},
    {"-d", "--directory", "DIR", Dec,
     "where the restored files go (default: each container's own directory)",
     nullptr, &TCliArguments::directory},
    {"-o", "--output", "FILE", Dec,
     "the file restored from a single CONTAINER, instead of its stored name; \"-\" is "
     "standard output, and the job lines go to standard error",
     nullptr, &TCliArguments::output},
    {"-r", "--recursive", nullptr, Enc,
     "a directory INPUT stands for every regular file below it, each encrypted into its own "
     "container beside it; symbolic links and special files are skipped",
     &TCliArguments::recursive},
    {nullptr, "--name", "NAME", Enc,
     "the name stored for standard input (default: the output's name without its extension, "
     "\"stdin\" for -o -); without -o the output is NAME with the extension, beside or in DIR",
     nullptr, &TCliArguments::storedName},
    {nullptr, "--wipe", nullptr, Enc,
     "wipe each input once its container is complete", &TCliArguments::wipeInput},
    {nullptr, "--wipe", nullptr, Dec,
     "wipe each container once its file is restored", &TCliArguments::wipeInput},
    {nullptr, "--secure-wipe", nullptr, Jobs,
     "wipe with three passes instead of one; implies --wipe", &TCliArguments::secureWipe},
    {nullptr, "--secure-wipe", nullptr, Wip,
     "three passes (0x00, 0x01, 0x2A) instead of one", &TCliArguments::secureWipe},
    {nullptr, "--verify", nullptr, Jobs,
     "test the output before it gets its name: read it back from the disk and decrypt it "
     "(encrypt) or compare it with what was written (decrypt); a wipe always does this first",
     &TCliArguments::verify},
    {"-f", "--force", nullptr, Jobs,
     "replace an existing output without asking", &TCliArguments::force},
    {nullptr, "--password-file", "FILE", Enc,
     "take the password from the first line of FILE instead of asking twice on the terminal",
     nullptr, &TCliArguments::passwordFile},
    {nullptr, "--password-file", "FILE", Dec,
     "take the password from the first line of FILE instead of asking on the terminal",
     nullptr, &TCliArguments::passwordFile},
    {"-q", "--quiet", nullptr, Jobs,
     "no progress line and no job lines; messages still go to standard error",
     &TCliArguments::quiet},
};
// clang-format on

std::string Joined(const char* const* names, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += (i ? ", " : "") + std::string(names[i]);
    return text;
}

int IndexOfName(const char* const* names, size_t count, const std::string& name)
{
    for (size_t i = 0; i < count; ++i)
        if (name == names[i])
            return static_cast<int>(i);
    return -1;
}

std::string CliNames(const TOptionSpec& option)
{
    return option.shortName ? std::string(option.shortName) + "," + option.longName
                            : std::string(option.longName);
}

TParseResult Failure(TCommand command, std::string message)
{
    return {TParseOutcome::Error, std::move(message), command};
}

// What the table cannot say: values checked by name, options that exclude each other, paths that
// would be empty.
TParseResult CheckJobArguments(TCliArguments& arguments, const std::string& algorithm,
                               const std::string& mode, const CLI::App& command)
{
    const TCommand c = arguments.command;
    if (c == TCommand::Encrypt) {
        arguments.algorithmIndex = IndexOfName(AlgorithmNames, 6, algorithm);
        if (arguments.algorithmIndex < 0)
            return Failure(c, "-a: unknown cipher \"" + algorithm + "\" (one of " +
                                  Joined(AlgorithmNames, 6) + ")");
        arguments.modeIndex = IndexOfName(ModeNames, 4, mode);
        if (arguments.modeIndex < 0)
            return Failure(c, "-m: unknown mode \"" + mode + "\" (one of " + Joined(ModeNames, 4) +
                                  ")");
    }
    // An empty path names nothing; an empty password file name would silently fall back to the
    // terminal.
    for (const TOptionSpec& option : Options)
        if (option.value && (option.commands & CommandBit(c)) &&
            command.count(option.longName) > 0 && (arguments.*option.value).empty())
            return Failure(c, std::string(option.longName) + ": the value is empty");
    if (!arguments.output.empty() && arguments.inputs.size() > 1)
        return Failure(c, "-o names the output of a single input, and " +
                              std::to_string(arguments.inputs.size()) +
                              " were given; use -d DIR for several");
    if (!arguments.output.empty() && !arguments.directory.empty())
        return Failure(c, "-o and -d cannot be given together");
    if (!arguments.output.empty() && arguments.recursive)
        return Failure(c, "-o and -r cannot be given together: -r makes an output per file");
    // Wiping with three passes is still wiping.
    if (arguments.secureWipe)
        arguments.wipeInput = true;
    const auto standardInputs = std::count(arguments.inputs.begin(), arguments.inputs.end(), "-");
    if (standardInputs > 1)
        return Failure(c, "\"-\" (standard input) can be read only once");
    if (standardInputs > 0 && arguments.wipeInput)
        return Failure(c, "--wipe: standard input (\"-\") is no file that could be wiped");
    if (!arguments.storedName.empty() && standardInputs == 0)
        return Failure(c, "--name names what is stored for standard input (\"-\"), which is not "
                          "among the inputs");
    // Standard input has no name to put an extension on.
    if (c == TCommand::Encrypt && standardInputs > 0 && arguments.output.empty() &&
        arguments.storedName.empty())
        return Failure(c, "standard input (\"-\") needs -o FILE, -o - or --name NAME: its "
                          "output has no name to come from");
    return {TParseOutcome::Run, {}, c};
}

} // namespace

std::span<const TCommandSpec> CommandSpecs()
{
    return Commands;
}

std::span<const TOptionSpec> OptionSpecs()
{
    return Options;
}

const TCommandSpec* FindCommand(const std::string& name)
{
    for (const TCommandSpec& spec : Commands)
        if (name == spec.name)
            return &spec;
    return nullptr;
}

const TCommandSpec& SpecOf(TCommand command)
{
    for (const TCommandSpec& spec : Commands)
        if (spec.command == command)
            return spec;
    return Commands[std::size(Commands) - 1]; // Help stands for the program as a whole
}

TParseResult ParseArguments(int argc, const char* const* argv, TCliArguments& arguments)
{
    CLI::App app("morvane-cli", "morvane-cli");
    // The help texts are ours (cli/HelpText.cpp), so -h is an ordinary flag everywhere.
    app.set_help_flag();
    bool programHelp = false;
    bool version = false;
    app.add_flag("-h,--help", programHelp);
    app.add_flag("--version", version);
    app.require_subcommand(0, 1);

    std::string algorithm = AlgorithmNames[0];
    std::string mode = ModeNames[0];
    std::string helpTopic;
    std::map<TCommand, CLI::App*> commands;
    std::map<TCommand, bool> commandHelp;
    for (const TCommandSpec& spec : Commands) {
        CLI::App* command = app.add_subcommand(spec.name);
        command->set_help_flag();
        commands[spec.command] = command;
        command->add_flag("-h,--help", commandHelp[spec.command]);
        for (const TOptionSpec& option : Options) {
            if (!(option.commands & CommandBit(spec.command)))
                continue;
            if (option.flag)
                command->add_flag(CliNames(option), arguments.*option.flag);
            else if (option.value)
                command->add_option(CliNames(option), arguments.*option.value);
            else if (std::string(option.longName) == "--algorithm")
                command->add_option(CliNames(option), algorithm);
            else
                command->add_option(CliNames(option), mode);
        }
        if (spec.command == TCommand::Help)
            command->add_option("COMMAND", helpTopic);
        else if (spec.command != TCommand::SelfTest)
            command->add_option("FILE", arguments.inputs);
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        TCommand failed = TCommand::Help;
        for (const auto& [command, parser] : commands)
            if (parser->parsed())
                failed = command;
        return Failure(failed, error.what());
    }

    if (version) {
        arguments.command = TCommand::Version;
        return {TParseOutcome::Run, {}, TCommand::Version};
    }
    const auto chosen = std::find_if(commands.begin(), commands.end(),
                                     [](const auto& entry) { return entry.second->parsed(); });
    if (programHelp) {
        arguments.command = TCommand::Help;
        arguments.helpTopic = TCommand::Help;
        return {TParseOutcome::Run, {}, TCommand::Help};
    }
    if (chosen == commands.end())
        return Failure(TCommand::Help, "a command is required");
    arguments.command = chosen->first;
    if (commandHelp[chosen->first]) {
        arguments.helpTopic = chosen->first;
        arguments.command = TCommand::Help;
        return {TParseOutcome::Run, {}, TCommand::Help};
    }
    switch (arguments.command) {
    case TCommand::Help:
        if (!helpTopic.empty()) {
            const TCommandSpec* topic = FindCommand(helpTopic);
            if (!topic)
                return Failure(TCommand::Help, "help: no command \"" + helpTopic + "\"");
            arguments.helpTopic = topic->command;
        }
        return {TParseOutcome::Run, {}, TCommand::Help};
    case TCommand::SelfTest:
    case TCommand::Version:
        return {TParseOutcome::Run, {}, arguments.command};
    case TCommand::Encrypt:
    case TCommand::Decrypt:
    case TCommand::Info:
    case TCommand::Crc:
    case TCommand::Wipe:
        break;
    }
    const TCommandSpec& spec = SpecOf(arguments.command);
    if (arguments.inputs.empty())
        return Failure(arguments.command,
                       std::string(spec.name) + ": " + spec.operands + " is missing");
    if (std::find(arguments.inputs.begin(), arguments.inputs.end(), "") != arguments.inputs.end())
        return Failure(arguments.command, "a file path is empty");
    if (arguments.command == TCommand::Encrypt || arguments.command == TCommand::Decrypt)
        return CheckJobArguments(arguments, algorithm, mode, *chosen->second);
    // "-" is standard input to the jobs; here it would silently mean a file of that name.
    if (std::find(arguments.inputs.begin(), arguments.inputs.end(), "-") != arguments.inputs.end())
        return Failure(arguments.command, std::string(spec.name) +
                                              " does not read standard input (\"-\"); a file "
                                              "named - is ./-");
    return {TParseOutcome::Run, {}, arguments.command};
}

} // namespace mv::cli

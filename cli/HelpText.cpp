// The help texts, laid out from the table of commands and options (cli/CliArguments.cpp).
#include "cli/CliArguments.h"

#include <algorithm>

namespace mv::cli {

namespace {

constexpr size_t Width = 80;
// Labels longer than this take a line of their own, their text on the next.
constexpr size_t OptionColumn = 26;
constexpr size_t CommandColumn = 36;

const char* const ExitStatusText =
    "Exit status: 0 success; 1 any other failure; 2 the command line is wrong; 3 not a container "
    "(\"Invalid input file type !\"); 4 wrong password; 5 the restored file's CRC-32 differs; 6 "
    "a damaged container; 7 decrypted but not confirmed, so the container was not wiped although "
    "--wipe asked for it; 8 the test of the output failed; 128+N ended by signal N (130: Ctrl-C). "
    "With several files, the status of the first that failed.";

// Words of text filled into lines of at most Width columns, every line but the first indented
// by indent; the first line continues a text already column columns wide.
std::string Fill(const std::string& text, size_t column, size_t indent)
{
    std::string filled;
    size_t at = column;
    size_t i = 0;
    bool lineEmpty = true;
    while (i < text.size()) {
        const size_t end = std::min(text.find(' ', i), text.size());
        const std::string word = text.substr(i, end - i);
        i = end + 1;
        if (word.empty())
            continue;
        if (!lineEmpty && at + 1 + word.size() > Width) {
            filled += "\n" + std::string(indent, ' ');
            at = indent;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            filled += ' ';
            ++at;
        }
        filled += word;
        at += word.size();
        lineEmpty = false;
    }
    return filled;
}

// Paragraphs separated by "\n\n", each filled to the whole width.
std::string Paragraphs(const std::string& text)
{
    std::string result;
    size_t i = 0;
    while (i <= text.size()) {
        const size_t end = std::min(text.find("\n\n", i), text.size());
        result += Fill(text.substr(i, end - i), 0, 0) + "\n";
        if (end == text.size())
            break;
        result += "\n";
        i = end + 2;
    }
    return result;
}

std::string Label(const TOptionSpec& option)
{
    std::string label = option.shortName ? std::string(option.shortName) + ", " : "";
    label += option.longName;
    if (option.valueName)
        label += std::string(" ") + option.valueName;
    return label;
}

bool HasVisibleOptions(TCommand command)
{
    for (const TOptionSpec& option : OptionSpecs())
        if ((option.commands & CommandBit(command)) && !option.hidden)
            return true;
    return false;
}

std::string Synopsis(const TCommandSpec& entry)
{
    std::string text = std::string("morvane-cli ") + entry.name;
    if (entry.command == TCommand::Wipe)
        text += " [--secure-wipe]";
    else if (HasVisibleOptions(entry.command))
        text += " [options]";
    if (*entry.operands)
        text += std::string(" ") + entry.operands;
    return text;
}

// Rows of a label and its text, the texts starting in one column.
std::string Table(const std::vector<std::pair<std::string, std::string>>& rows,
                  size_t maxColumn = OptionColumn)
{
    size_t column = 0;
    for (const auto& row : rows)
        if (row.first.size() + 4 <= maxColumn)
            column = std::max(column, row.first.size() + 4);
    std::string text;
    for (const auto& [label, help] : rows) {
        std::string line = "  " + label;
        if (line.size() + 2 > column)
            line += "\n" + std::string(column, ' ');
        else
            line += std::string(column - line.size(), ' ');
        text += line + Fill(help, column, column) + "\n";
    }
    return text;
}

std::string Overview()
{
    std::string text = "usage: morvane-cli COMMAND [options] [FILE...]\n"
                       "       morvane-cli --version\n\n" +
                       Paragraphs("Encrypts files into containers with a password and restores "
                                  "them; shows what a container holds, the CRC-32 of files, "
                                  "wipes files.") +
                       "\nCommands:\n";
    std::vector<std::pair<std::string, std::string>> rows;
    for (const TCommandSpec& entry : CommandSpecs())
        rows.emplace_back(Synopsis(entry).substr(12), entry.summary);
    text += Table(rows, CommandColumn);
    text += "\nOptions:\n" + Table({{"-h, --help", "this text; after a command, its own help"},
                                    {"--version", "the program's name and version"}});
    text += "\n" + Paragraphs(ExitStatusText);
    text += "\n" + Paragraphs("\"morvane-cli help COMMAND\" or \"morvane-cli COMMAND --help\" "
                              "shows what a command does and each of its options.");
    return text;
}

} // namespace

std::string HelpText(TCommand command)
{
    if (command == TCommand::Help || command == TCommand::Version)
        return Overview();
    const TCommandSpec& entry = SpecOf(command);
    std::string text = "usage: " + Synopsis(entry) + "\n\n" + Paragraphs(entry.text);
    std::vector<std::pair<std::string, std::string>> rows;
    for (const TOptionSpec& option : OptionSpecs())
        if ((option.commands & CommandBit(command)) && !option.hidden)
            rows.emplace_back(Label(option), option.help);
    rows.emplace_back("-h, --help", "this help");
    text += "\nOptions:\n" + Table(rows);
    if (command != TCommand::Help)
        text += "\n" + Paragraphs(ExitStatusText);
    return text;
}

std::string UsageText(TCommand command)
{
    if (command == TCommand::Help || command == TCommand::Version) {
        std::string text = "usage:";
        for (const TCommandSpec& entry : CommandSpecs())
            text += (text == "usage:" ? " " : "       ") + Synopsis(entry) + "\n";
        text += "       morvane-cli --version\n";
        return text + "Run \"morvane-cli help\" for more.\n";
    }
    const TCommandSpec& entry = SpecOf(command);
    return "usage: " + Synopsis(entry) + "\nRun \"morvane-cli help " + entry.name +
           "\" for its options.\n";
}

std::string VersionText()
{
    return std::string("morvane-cli ") + MORVANE_VERSION + "\n";
}

} // namespace mv::cli

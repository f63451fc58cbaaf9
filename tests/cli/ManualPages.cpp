// The manual pages render without a warning and name every command and option of the table
// (cli/CliArguments.cpp) that the help shows; the bash completion offers exactly those.
#include "cli/CliArguments.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace mv::cli {
namespace {

namespace fs = std::filesystem;
using test::TProcessOptions;
using test::TProcessResult;

const fs::path ManDirectory = MORVANE_MAN_DIR;

// The page as a reader sees it on an 80-column terminal.
TProcessResult Render(const fs::path& page, const fs::path& home)
{
    TProcessOptions options;
    options.environment = {"MANWIDTH=80", "LC_ALL=C.UTF-8", "MANPAGER=cat", "PAGER=cat",
                           "HOME=" + home.string()};
    return test::RunProcess({"/usr/bin/man", "--warnings", "-l", page.string()}, home, options);
}

std::string Label(const TOptionSpec& option)
{
    std::string label = option.shortName ? std::string(option.shortName) + ", " : "";
    label += option.longName;
    if (option.valueName)
        label += std::string(" ") + option.valueName;
    return label;
}

// The text of a section of a rendered page: from its heading to the next heading.
std::string Section(const std::string& page, const std::string& heading)
{
    const size_t begin = page.find("\n" + heading + "\n");
    if (begin == std::string::npos)
        return {};
    size_t end = begin + heading.size() + 2;
    while ((end = page.find('\n', end)) != std::string::npos) {
        if (end + 1 < page.size() && page[end + 1] >= 'A' && page[end + 1] <= 'Z')
            break;
        ++end;
    }
    return page.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

class ManualPages : public ::testing::Test
{
protected:
    test::TTempDir home;
};

TEST_F(ManualPages, RenderWithoutWarnings)
{
    const struct
    {
        const char* file;
        const char* title;
        const char* seeAlso;
    } pages[] = {{"morvane-cli.1", "MORVANE-CLI(1)", "morvane(1)"},
                 {"morvane.1", "MORVANE(1)", "morvane-cli(1)"}};
    for (const auto& page : pages) {
        SCOPED_TRACE(page.file);
        const TProcessResult shown = Render(ManDirectory / page.file, home.Path());
        ASSERT_EQ(shown.status, 0) << shown.err;
        EXPECT_EQ(shown.err, "");
        EXPECT_EQ(shown.out.rfind(page.title, 0), 0u) << shown.out;
        EXPECT_NE(shown.out.find(std::string("Morvane ") + MORVANE_VERSION), std::string::npos);
        EXPECT_NE(Section(shown.out, "SEE ALSO").find(page.seeAlso), std::string::npos);
        std::istringstream lines(shown.out);
        for (std::string line; std::getline(lines, line);)
            EXPECT_LE(line.size(), 80u) << line; // bytes; the pages are ASCII
    }
}

TEST_F(ManualPages, NamesEveryCommandAndOptionTheHelpShows)
{
    const TProcessResult shown = Render(ManDirectory / "morvane-cli.1", home.Path());
    ASSERT_EQ(shown.status, 0) << shown.err;
    const std::string& page = shown.out;
    const std::string synopsis = Section(page, "SYNOPSIS");
    for (const TCommandSpec& command : CommandSpecs())
        EXPECT_NE(synopsis.find(std::string("morvane-cli ") + command.name), std::string::npos)
            << command.name;
    for (const TCommand command : {TCommand::Encrypt, TCommand::Decrypt}) {
        const std::string heading =
            std::string("OPTIONS OF ") + (command == TCommand::Encrypt ? "ENCRYPT" : "DECRYPT");
        const std::string section = Section(page, heading);
        ASSERT_FALSE(section.empty()) << heading;
        for (const TOptionSpec& option : OptionSpecs()) {
            if (!(option.commands & CommandBit(command)))
                continue;
            if (option.hidden)
                EXPECT_EQ(page.find(option.longName), std::string::npos) << option.longName;
            else // its own line, or its text beside it when the label is short
                EXPECT_TRUE(section.find("\n       " + Label(option) + "\n") != std::string::npos ||
                            section.find("\n       " + Label(option) + " ") != std::string::npos)
                    << heading << ": " << Label(option);
        }
    }
    EXPECT_NE(Section(page, "COMMANDS").find("--secure-wipe"), std::string::npos);
    const std::string status = Section(page, "EXIT STATUS");
    for (const char* value : {"0", "1", "2", "3", "4", "5", "6", "128+N"})
        EXPECT_NE(status.find(std::string("\n       ") + value + " "), std::string::npos) << value;
    EXPECT_NE(status.find("130 for Ctrl-C"), std::string::npos);
}

// The completion, run by bash as it runs it at a Tab, for the words before the cursor.
std::set<std::string> Complete(const std::vector<std::string>& words, const fs::path& cwd)
{
    std::string array;
    for (const std::string& word : words)
        array += " '" + word + "'";
    const std::string script = "source '" + std::string(MORVANE_COMPLETION) +
                               "'; COMP_WORDS=(morvane-cli" + array +
                               "); COMP_CWORD=" + std::to_string(words.size()) +
                               "; _morvane_cli; printf '%s\\n' \"${COMPREPLY[@]}\"";
    const TProcessResult run = test::RunProcess({"/bin/bash", "--norc", "-c", script}, cwd);
    EXPECT_EQ(run.status, 0) << run.err;
    std::set<std::string> offered;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            offered.insert(line);
    return offered;
}

TEST_F(ManualPages, CompletionOffersTheTable)
{
    std::set<std::string> commands = {"-h", "--help", "--version"};
    for (const TCommandSpec& command : CommandSpecs())
        commands.insert(command.name);
    EXPECT_EQ(Complete({""}, home.Path()), commands);

    for (const TCommandSpec& command : CommandSpecs()) {
        if (command.command == TCommand::Help)
            continue;
        std::set<std::string> expected = {"-h", "--help"};
        for (const TOptionSpec& option : OptionSpecs())
            if ((option.commands & CommandBit(command.command)) && !option.hidden) {
                expected.insert(option.longName);
                if (option.shortName)
                    expected.insert(option.shortName);
            }
        EXPECT_EQ(Complete({command.name, "-"}, home.Path()), expected) << command.name;
    }
    EXPECT_EQ(Complete({"encrypt", "-a", ""}, home.Path()),
              std::set<std::string>(std::begin(AlgorithmNames), std::end(AlgorithmNames)));
    EXPECT_EQ(Complete({"encrypt", "--mode", ""}, home.Path()),
              std::set<std::string>(std::begin(ModeNames), std::end(ModeNames)));
    commands.erase("-h");
    commands.erase("--help");
    commands.erase("--version");
    EXPECT_EQ(Complete({"help", ""}, home.Path()), commands);

    // Files elsewhere; only directories after -d; after "--" a dash begins a file's name.
    test::WriteFile(home.Path() / "report.txt", "x");
    test::WriteFile(home.Path() / "-odd", "x");
    fs::create_directory(home.Path() / "reports");
    EXPECT_EQ(Complete({"encrypt", "rep"}, home.Path()),
              (std::set<std::string>{"report.txt", "reports"}));
    EXPECT_EQ(Complete({"decrypt", "-d", "rep"}, home.Path()), std::set<std::string>{"reports"});
    EXPECT_EQ(Complete({"encrypt", "--", "-o"}, home.Path()), std::set<std::string>{"-odd"});
}

} // namespace
} // namespace mv::cli

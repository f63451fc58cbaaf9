#include "sfx/ExtractorArguments.h"

#include <string_view>

namespace mv::sfx {

std::string UsageText(const std::string& programName)
{
    const std::string indent(programName.size() + 7, ' ');
    return "usage: " + programName + " [-d DIR] [-f] [--verify] [--password-file FILE] [-q]\n" +
           indent +
           "--info\n"
           "Restores the file that is encrypted inside this program, under its stored name.\n"
           "  -d, --directory DIR   restore into DIR (default: the current directory)\n"
           "  -f, --force           replace an existing file without asking\n"
           "  --verify              read the restored file back from the disk and compare it\n"
           "                        with what was written before giving it its name\n"
           "  --password-file FILE  take the password from the first line of FILE\n"
           "                        (without it the password is asked on the terminal)\n"
           "  -q, --quiet           no progress line and no result line\n"
           "  --info                show the stored name, cipher and flags; no password\n"
           "  -h, --help            this help\n"
           "Exit status: 0 restored; 1 any other failure; 2 the command line is wrong;\n"
           "3 no encrypted file inside; 4 wrong password; 5 the restored file's CRC-32\n"
           "differs; 6 a damaged container; 128+N ended by signal N (130: Ctrl-C).\n";
}

namespace {

// The value of an option given as "--name VALUE" or "--name=VALUE"; false when it is missing or
// empty (an empty directory or file name would silently mean something else).
bool TakeValue(std::string_view word, std::string_view name, int argc, const char* const* argv,
               int& i, std::string& value, std::string& error)
{
    if (word.size() > name.size() && word[name.size()] == '=')
        value = std::string(word.substr(name.size() + 1));
    else if (i + 1 < argc)
        value = argv[++i];
    else {
        error = std::string(name) + ": a value is missing";
        return false;
    }
    if (value.empty()) {
        error = std::string(name) + ": the path is empty";
        return false;
    }
    return true;
}

bool Names(std::string_view word, std::string_view name)
{
    return word == name || (word.size() > name.size() && word.substr(0, name.size()) == name &&
                            word[name.size()] == '=');
}

} // namespace

bool ParseExtractorArguments(int argc, const char* const* argv, TExtractorArguments& arguments,
                             std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "-f" || word == "--force")
            arguments.force = true;
        else if (word == "-q" || word == "--quiet")
            arguments.quiet = true;
        else if (word == "--info")
            arguments.info = true;
        else if (word == "--verify")
            arguments.verify = true;
        else if (word == "-h" || word == "--help")
            arguments.help = true;
        else if (word == "-d" || Names(word, "--directory")) {
            if (!TakeValue(word, word == "-d" ? "-d" : "--directory", argc, argv, i,
                           arguments.directory, error))
                return false;
        } else if (Names(word, "--password-file")) {
            if (!TakeValue(word, "--password-file", argc, argv, i, arguments.passwordFile, error))
                return false;
        } else {
            error = "unknown argument \"" + std::string(word) + "\"";
            return false;
        }
    }
    return true;
}

} // namespace mv::sfx

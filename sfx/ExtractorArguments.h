// The command line of a self-decrypting file: where to restore, whether to replace without asking,
// where the password comes from, how much to say, or only what the header shows.
#pragma once

#include <string>

namespace mv::sfx {

struct TExtractorArguments
{
    std::string directory = "."; // -d, --directory: the current directory unless given
    bool force = false;          // -f, --force
    bool quiet = false;          // -q, --quiet
    bool info = false;           // --info
    bool verify = false;         // --verify: read the restored file back before it is named
    bool help = false;           // -h, --help
    std::string passwordFile;    // --password-file: empty asks on the terminal
};

// The usage text, with the program's name in it.
std::string UsageText(const std::string& programName);

// False with a message when the arguments cannot be run.
bool ParseExtractorArguments(int argc, const char* const* argv, TExtractorArguments& arguments,
                             std::string& error);

} // namespace mv::sfx

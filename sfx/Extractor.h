// What a self-decrypting file does when it runs: find the container inside its own file through
// the trailer, show its header or restore its file, and end with the exit status morvane-cli
// decrypt would give (cli/ExitStatus.h).
#pragma once

namespace mv::sfx {

int RunExtractor(int argc, const char* const* argv);

} // namespace mv::sfx

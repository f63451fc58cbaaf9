// The SFX module: the program at the head of every self-decrypting file ("extractor.dat").
#include "cli/ExitStatus.h"
#include "sfx/Extractor.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    try {
        return mv::sfx::RunExtractor(argc, argv);
    } catch (const std::exception& e) {
        // The job reports through its host and never throws; this is what is left (no memory).
        std::fprintf(stderr, "%s\n", e.what());
        return mv::cli::ExitFailure;
    }
}

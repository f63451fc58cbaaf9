#include "cli/Commands.h"
#include "cli/ExitStatus.h"

#include "cipher/CipherIds.h"

#include <cstdio>

namespace mv::cli {

int RunSelfTest()
{
    bool allPassed = true;
    for (const cipher::TSelfTestEntry& entry : cipher::SelfTests) {
        bool passed = false;
        try {
            passed = entry.run();
        } catch (const std::exception&) {
            // A self-test that throws has failed; the others still run.
        }
        std::printf("%s %s\n", entry.name, passed ? "passed" : "FAILED");
        allPassed = allPassed && passed;
    }
    std::fflush(stdout);
    return allPassed ? ExitSuccess : ExitFailure;
}

} // namespace mv::cli

// The job host of the fuzz targets: silent, answers every question with Yes, never presses Stop,
// and gives one fixed password. A container must never reach the internal-error routine (only
// the program's own option values can), so reaching it ends the run as a finding.
#pragma once

#include "engine/JobHost.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace mv::fuzz {

inline constexpr const char* FuzzPassword = "fuzz password";

class TFuzzHost : public engine::TJobHost
{
public:
    void BeginDisplay(const std::string&) override {}
    void BeginLoop(const std::string&) override {}
    void UpdateStatus(const engine::TStatusUpdate&) override {}
    void EndLoop() override {}
    void FinishedDisplay(const std::string&, bool) override {}
    void StoppedDisplay(const std::string&) override {}
    void RefusedDisplay(const std::string&) override {}
    void ShowMessage(engine::TMessageKind, const std::string&, engine::TFocus) override {}
    engine::TAnswer Confirm(const std::string&) override { return engine::TAnswer::Yes; }
    void BeginWait(const std::string&, const std::string&) override {}
    void EndWait() override {}
    void ProcessMessages() override {}
    bool StopRequested() override { return false; }
    void ClearStopRequest() override {}
    std::string Password() override { return FuzzPassword; }
    void ClearPassword() override {}
    int64_t MonotonicSecond() override { return 0; }
    [[noreturn]] void InternalError(const std::string& text) override
    {
        std::fprintf(stderr, "internal error reached from a container: %s\n", text.c_str());
        std::abort();
    }
};

} // namespace mv::fuzz

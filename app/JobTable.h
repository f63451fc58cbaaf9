// The five job routines the Start button dispatches to, as a table of entry points: the program
// uses the engine's jobs (DefaultJobTable), tests put recorders in their place.
#pragma once

#include "engine/Work.h"

#include <filesystem>
#include <functional>

namespace mv::app {

// A job with its input and output (a directory for DecryptFile).
using TJobEntry = std::function<engine::TJobResult(engine::TJobHost&, const engine::TJobOptions&,
                                                   const std::filesystem::path& input,
                                                   const std::filesystem::path& output)>;

struct TJobTable
{
    TJobEntry EncryptFile;
    TJobEntry EncryptCompressedFile;
    TJobEntry EncryptToSelfExtractor;
    TJobEntry EncryptCompressedToSelfExtractor;
    TJobEntry DecryptFile;
};

// The message of an output kind whose job this version does not have yet.
inline constexpr const char* TextCompressedNotAvailable =
    "Compressed containers cannot be written by this version yet.";
inline constexpr const char* TextSelfExtractorNotAvailable =
    "Self-decrypting output files cannot be written by this version yet.";

// Until their jobs exist: an information box with text, nothing touched, outcome Unsupported.
TJobEntry NotAvailableJob(const char* text);

// The engine's jobs. The self-decrypting ones read "extractor.dat" from programDirectory (empty:
// the directory of the running program file).
TJobTable DefaultJobTable(const std::filesystem::path& programDirectory = {});

} // namespace mv::app

// Self-decrypting output: an executable made of the SFX module's bytes, a complete container and
// a 16-byte trailer by which the module finds the container inside its own file. The two jobs
// write it; the module finds its container again through the trailer (engine/SfxTrailer.h).
#pragma once

#include "engine/JobHost.h"
#include "engine/JobOptions.h"
#include "engine/SfxTrailer.h"
#include "engine/Work.h"

#include <filesystem>

namespace mv::engine {

// The SFX module's file name; it lies beside the program file.
inline constexpr const char* SfxModuleName = "extractor.dat";
// Fixed English text.
inline constexpr const char* TextSfxModuleMissing =
    "Unable to find SFX module. Please reinstall Morvane!";

// "extractor.dat" in programDirectory; an empty programDirectory means the directory of the
// running program file.
std::filesystem::path SfxModulePath(const std::filesystem::path& programDirectory = {});

// EncryptFile's frame with the module's bytes before the plain container and the trailer after
// it. The output gets mode 0755 less the umask. A missing, unreadable or empty module is refused
// with TextSfxModuleMissing (outcome Unsupported) before any file is created or any question is
// asked, so an existing output is never touched. The progress figures count only the input.
TJobResult EncryptToSelfExtractor(TJobHost& host, const TJobOptions& options,
                                  const std::filesystem::path& input,
                                  const std::filesystem::path& output,
                                  const std::filesystem::path& programDirectory = {});

// The same around a compressed container (EncryptCompressedFile's frame).
TJobResult EncryptCompressedToSelfExtractor(TJobHost& host, const TJobOptions& options,
                                            const std::filesystem::path& input,
                                            const std::filesystem::path& output,
                                            const std::filesystem::path& programDirectory = {});

} // namespace mv::engine

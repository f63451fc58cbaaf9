// The jobs of one encrypt or decrypt call, worked out before any of them runs: which files, and
// what each one writes. Two jobs that would write one file, or a job that would write over one
// of the call's inputs, refuse the whole call while nothing is written yet.
#pragma once

#include "cli/CliArguments.h"

#include "engine/Work.h"
#include "platform/FileSystem.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace mv::cli {

// How the jobs name the standard streams ("-" on the command line).
inline const std::filesystem::path StandardInputPath = "/dev/stdin";
inline const std::filesystem::path StandardOutputPath = "/dev/stdout";

struct TPlannedJob
{
    // As given, or as found below a directory given with -r.
    std::filesystem::path input;
    // Encryption: the container. Decryption: the file restored, empty when the container cannot
    // be read now (the job then refuses it itself, with its own message and status).
    std::filesystem::path output;
    // Decryption: where the file is restored. Encryption: the directory the output goes into,
    // made before the job when -d and -r ask for a copy of a tree.
    std::filesystem::path outputDirectory;
    // Decryption: where the container lies in the file (a self-decrypting file's is inside).
    engine::TContainerRange range;
    // Encryption of standard input: the name stored for it (--name, or the output's name
    // without its extension).
    std::string storedName;
    // Not run: why (exit status 1). Empty for a job to run.
    std::string refusal;
    // The file at output whose replacement was answered Yes before the password: the job
    // replaces it without asking again only while the name still holds this very file.
    std::optional<platform::TFileIdentity> confirmedOutput;
};

struct TJobPlan
{
    std::vector<TPlannedJob> jobs;
    // Entries below a directory given with -r that are not regular files, skipped.
    std::vector<std::filesystem::path> skipped;
    // Not empty: the call is refused as a whole, for this reason; nothing is written.
    std::string conflict;
    // Not empty: the command line cannot mean what it says (exit status 2); nothing is written.
    std::string usage;
};

// The default output of an encryption: input with its extension replaced by ".mvx" (".exe" for
// a self-decrypting file), by the window's own rule.
std::filesystem::path DefaultOutput(const std::filesystem::path& input, bool selfExtract);

// The directory a container is restored into when none is given: the container's own.
std::filesystem::path ContainerDirectory(const std::filesystem::path& container);

TJobPlan PlanEncryption(const TCliArguments& arguments);
TJobPlan PlanDecryption(const TCliArguments& arguments);

// The conflict of jobs, or empty: two outputs that are one file, or an output that is an input.
std::string FindConflict(const std::vector<TPlannedJob>& jobs);

} // namespace mv::cli

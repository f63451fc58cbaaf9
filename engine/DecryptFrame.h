// The part of a decryption that the plain and the compressed readers share, from the moment the
// header was read and found usable: the output's name and question, the key and the check value,
// the step loop of the body, and every ending (finished, CRC-32 mismatch, stopped, refused
// password, failed read or write, changed container, name taken), each with its clean-up.
#pragma once

#include "cipher/CipherBase.h"
#include "engine/JobFiles.h"
#include "engine/JobFrame.h"
#include "engine/JobHost.h"
#include "engine/JobOptions.h"
#include "engine/Work.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace mv::engine {

struct TDecryptBody
{
    // The check value is checked even when the header does not say it is there: a compressed
    // body always carries one.
    bool AlwaysChecked = false;
    // A body that proves itself (every chunk inflated to its exact length with its checksum).
    bool SelfVerifying = false;
    // Runs the step loop: the body's cipher bytes through cipher into output.
    std::function<TLoopEnd(cipher::TMV_blockcipher& cipher, TJobOutput& output)> Run;
};

// Where a decryption writes: the stored name inside a directory, or a path the user named.
struct TDecryptDestination
{
    std::filesystem::path Directory;
    std::filesystem::path Named; // when not empty, the output itself (/dev/stdout included)

    std::filesystem::path OutputFor(const std::string& safeName) const
    {
        return Named.empty() ? Directory / safeName : Named;
    }
};

// Restores the body of the container in input (CurrentHeader holds its checked header) at the
// destination, under safeName when it is a directory.
TJobResult RunDecryptFrame(TJobHost& host, const TJobOptions& options, TJobInput& input,
                           const TDecryptDestination& destination, const std::string& safeName,
                           const TDecryptBody& body);

// Opens the container file of a decryption into input: a result when it cannot be (missing, not
// a regular file, a pipe), after telling the user why.
std::optional<TJobResult> OpenContainer(TJobHost& host, const std::filesystem::path& path,
                                        TJobInput& input);

// The two readers with a destination of either kind.
TJobResult DecryptPlainTo(TJobHost& host, const TJobOptions& options,
                          const std::filesystem::path& input,
                          const TDecryptDestination& destination, TContainerRange range);
TJobResult DecryptCompressedTo(TJobHost& host, const TJobOptions& options,
                               const std::filesystem::path& input,
                               const TDecryptDestination& destination, TContainerRange range);

} // namespace mv::engine

// What a container writer puts around the container it writes. A plain container stands alone; a
// self-decrypting executable begins with the SFX module's bytes and ends with its trailer. The two
// container writers take these hooks so the self-decrypting jobs run exactly their frame, with
// their checks, texts and clean-up, and only add the bytes before and after.
#pragma once

#include "engine/JobFiles.h"
#include "engine/JobHost.h"
#include "engine/JobOptions.h"
#include "engine/Work.h"

#include <filesystem>
#include <functional>
#include <optional>

namespace mv::engine {

struct TOutputFraming
{
    // After the input was found and before the CRC-32 pass, any question or any file is created:
    // a result ends the job with it (the hook has told the user why).
    std::function<std::optional<TJobResult>()> Prepare;
    // Right after the output was created, before the container header. A platform::Exception
    // raised here ends the job as a failed write: the output goes, the input stays.
    std::function<void(TJobOutput& output)> WriteLeading;
    // After the whole container (the chunk table included) and the input's close, before the
    // output is committed under its name; raising is handled as in WriteLeading.
    std::function<void(TJobOutput& output)> WriteTrailing;
    // Permissions of the finished output before the umask (a self-decrypting file is a program).
    unsigned OutputMode = 0666;
};

// EncryptFile with framing.
TJobResult EncryptFramedFile(TJobHost& host, const TJobOptions& options,
                             const std::filesystem::path& input,
                             const std::filesystem::path& output, const TOutputFraming& framing);

// EncryptCompressedFile with framing.
TJobResult EncryptCompressedFramedFile(TJobHost& host, const TJobOptions& options,
                                       const std::filesystem::path& input,
                                       const std::filesystem::path& output,
                                       const TOutputFraming& framing);

} // namespace mv::engine

// Kept apart from the rest of the app library: only the program links the engine's job bodies
// through this table, so the logic's tests build and run on recorders alone.
#include "app/JobTable.h"

#include "engine/WorkSfx.h"

namespace mv::app {

TJobTable DefaultJobTable(const std::filesystem::path& programDirectory)
{
    using engine::TJobHost;
    using engine::TJobOptions;
    using std::filesystem::path;
    TJobTable table;
    table.EncryptFile = [](TJobHost& host, const TJobOptions& options, const path& input,
                           const path& output) {
        return engine::EncryptFile(host, options, input, output);
    };
    table.EncryptCompressedFile = [](TJobHost& host, const TJobOptions& options,
                                     const path& input, const path& output) {
        return engine::EncryptCompressedFile(host, options, input, output);
    };
    // The self-decrypting jobs take "extractor.dat" from the program's own directory.
    table.EncryptToSelfExtractor = [programDirectory](TJobHost& host, const TJobOptions& options,
                                                      const path& input, const path& output) {
        return engine::EncryptToSelfExtractor(host, options, input, output, programDirectory);
    };
    table.EncryptCompressedToSelfExtractor = [programDirectory](TJobHost& host,
                                                                const TJobOptions& options,
                                                                const path& input,
                                                                const path& output) {
        return engine::EncryptCompressedToSelfExtractor(host, options, input, output,
                                                        programDirectory);
    };
    table.DecryptFile = [](TJobHost& host, const TJobOptions& options, const path& input,
                           const path& outputDirectory) {
        return engine::DecryptFile(host, options, input, outputDirectory);
    };
    return table;
}

} // namespace mv::app

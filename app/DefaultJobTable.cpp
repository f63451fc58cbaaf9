// Kept apart from the rest of the app library: only the program links the engine's job bodies
// through this table, so the logic's tests build and run on recorders alone.
#include "app/JobTable.h"

namespace mv::app {

TJobTable DefaultJobTable()
{
    TJobTable table;
    table.EncryptFile = [](engine::TJobHost& host, const engine::TJobOptions& options,
                           const std::filesystem::path& input,
                           const std::filesystem::path& output) {
        return engine::EncryptFile(host, options, input, output);
    };
    table.EncryptCompressedFile = NotAvailableJob(TextCompressedNotAvailable);
    table.EncryptToSelfExtractor = NotAvailableJob(TextSelfExtractorNotAvailable);
    table.EncryptCompressedToSelfExtractor = NotAvailableJob(TextSelfExtractorNotAvailable);
    table.DecryptFile = [](engine::TJobHost& host, const engine::TJobOptions& options,
                           const std::filesystem::path& input,
                           const std::filesystem::path& outputDirectory) {
        return engine::DecryptFile(host, options, input, outputDirectory);
    };
    return table;
}

} // namespace mv::app

// The compressed reader's place. DecryptFile hands every container with IsCompressed set over to
// DecryptCompressedFile once the mark is recognised; the reader reads the header again itself.
// Until it is written, a compressed container is refused before anything is created.
#include "engine/Work.h"

namespace mv::engine {

TJobResult DecryptCompressedFile(TJobHost& host, const TJobOptions&,
                                 const std::filesystem::path& input, const std::filesystem::path&,
                                 TContainerRange)
{
    host.RefusedDisplay(LineDecryptFailed + input.string());
    host.ShowMessage(TMessageKind::Error, TextCompressedUnsupported);
    TJobResult result;
    result.Outcome = TJobOutcome::Unsupported;
    return result;
}

} // namespace mv::engine

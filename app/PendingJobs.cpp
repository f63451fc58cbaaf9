#include "app/JobTable.h"

namespace mv::app {

TJobEntry NotAvailableJob(const char* text)
{
    return [text](engine::TJobHost& host, const engine::TJobOptions&, const std::filesystem::path&,
                  const std::filesystem::path&) {
        host.ShowMessage(engine::TMessageKind::Information, text);
        engine::TJobResult result;
        result.Outcome = engine::TJobOutcome::Unsupported;
        return result;
    };
}

} // namespace mv::app

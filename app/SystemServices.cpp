// The real program's services, apart from the logic so that its tests never link the job bodies
// nor look at the real home directory.
#include "app/MainForm.h"
#include "platform/ProgramPath.h"

namespace mv::app {

TMainServices SystemServices()
{
    TMainServices services;
    services.Jobs = DefaultJobTable();
    services.ProgramDirectory = platform::ProgramDirectory();
    services.HomeDirectory = platform::HomeDirectory();
    services.TempDirectory = [] { return platform::TempDirectory(); };
    services.ProgramVersion = [] { return std::string(MORVANE_VERSION); };
    return services;
}

} // namespace mv::app

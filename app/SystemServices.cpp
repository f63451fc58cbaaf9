// The real program's services, apart from the logic so that its tests never link the job bodies
// nor look at the real home directory.
#include "app/About.h"
#include "app/Association.h"
#include "app/MainForm.h"
#include "app/Plugins.h"
#include "platform/DesktopShell.h"
#include "platform/ProcessFigures.h"
#include "platform/ProgramPath.h"

namespace mv::app {

TMainServices SystemServices()
{
    TMainServices services;
    services.ProgramDirectory = platform::ProgramDirectory();
    services.ConfigHome = platform::ConfigHome();
    services.Jobs = DefaultJobTable(services.ProgramDirectory);
    services.HomeDirectory = platform::HomeDirectory();
    services.TempDirectory = [] { return platform::TempDirectory(); };
    services.ProgramVersion = [] { return GetProgramVersion(); };
    services.LoadPlugins = [directories =
                                PluginDirectories(services.ProgramDirectory, platform::DataHome())](
                               TMainWindow& window, TVariabile& variabile) {
        LoadPlugins(window, variabile, directories);
    };
    // The XDG homes are read at every use, as the desktop reads them.
    services.Associate = [program = platform::ProgramFile()](bool on) {
        Associate(on, platform::UserAssociationPlaces(), program);
    };
    services.AssociationPresent = [] {
        return platform::AssociationPresent(platform::UserAssociationPlaces());
    };
    services.ResidentBytes = [] { return platform::ResidentSetBytes(); };
    services.OpenAddress = [](const std::string& address, std::function<void()> failed) {
        if (!platform::OpenWithDesktop(address) && failed)
            failed();
    };
    return services;
}

} // namespace mv::app

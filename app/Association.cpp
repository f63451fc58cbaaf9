#include "app/Association.h"

namespace mv::app {

std::string AssociationIcon(const std::filesystem::path& programFile)
{
    const std::filesystem::path icon = programFile.parent_path() / "morvane.svg";
    std::error_code error;
    return std::filesystem::is_regular_file(icon, error) ? icon.string() : "morvane";
}

void Associate(bool on, const platform::TAssociationPlaces& places,
               const std::filesystem::path& programFile)
{
    if (on)
        platform::WriteAssociation(places, programFile, AssociationIcon(programFile));
    else
        platform::RemoveAssociation(places);
}

} // namespace mv::app

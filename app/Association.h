// chkAssociate's effect on Linux: the program becomes (or stops being) the user's handler of
// *.mvx containers, opening them on the Decrypt page (the desktop passes the file as the first
// argument, which FormCreate takes).
#pragma once

#include "platform/Association.h"

#include <filesystem>
#include <string>

namespace mv::app {

// The icon the association names: the program's icon file beside it when there is one
// (morvane.svg), otherwise the theme icon "morvane" that an installation provides.
std::string AssociationIcon(const std::filesystem::path& programFile);

// Writes the association for programFile (on) or removes it (off) under places. Writing raises
// platform::EAssociationError at the first piece that fails, the pieces before it staying.
void Associate(bool on, const platform::TAssociationPlaces& places,
               const std::filesystem::path& programFile);

} // namespace mv::app

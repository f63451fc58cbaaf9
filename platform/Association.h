// The file association of *.mvx containers, the freedesktop way, for one user: a shared-mime-info
// package that names the type (by the extension and by the container's mark at offset 4), a
// desktop entry that opens such a file with the program (the file as its first argument), and the
// entry in mimeapps.list that makes it the type's default application. Everything lies under the
// user's XDG data and config homes; removing takes away exactly these pieces and nothing else.
#pragma once

#include "platform/Exception.h"

#include <filesystem>
#include <string>

namespace mv::platform {

inline constexpr const char* ContainerMimeType = "application/x-morvane-container";
inline constexpr const char* AssociationDesktopId = "morvane-open.desktop";

// A piece of the association that could not be written; the message names the file and the
// system's reason.
class EAssociationError : public Exception
{
public:
    using Exception::Exception;
};

struct TAssociationPlaces
{
    std::filesystem::path DataHome;   // $XDG_DATA_HOME, by default ~/.local/share
    std::filesystem::path ConfigHome; // $XDG_CONFIG_HOME, by default ~/.config
    // Run update-mime-database and update-desktop-database on the data home after a change,
    // where those tools are installed.
    bool RefreshDatabases = true;

    std::filesystem::path MimePackage() const;  // <data>/mime/packages/morvane-mvx.xml
    std::filesystem::path DesktopEntry() const; // <data>/applications/morvane-open.desktop
    std::filesystem::path MimeApps() const;     // <config>/mimeapps.list
};

// The places of the user running the program; an XDG variable that is unset, empty or not an
// absolute path counts as unset.
TAssociationPlaces UserAssociationPlaces();

// Writes the mime package, the desktop entry and the default-application line, in this order,
// then refreshes the databases. icon is an icon file's absolute path or a theme icon's name.
// Raises EAssociationError at the first piece that cannot be written; the pieces before it stay.
// Writing again replaces the pieces (a moved program registers its new path).
void WriteAssociation(const TAssociationPlaces& places, const std::filesystem::path& programFile,
                      const std::string& icon);

// Removes the three pieces: the two files, and from mimeapps.list only the line this program
// wrote (a default the user set to another program stays). A section left without entries goes
// with it, and the file goes when nothing is left. Missing pieces are skipped; nothing is
// reported.
void RemoveAssociation(const TAssociationPlaces& places);

// Whether any of the three pieces is there for this user (a piece left alone, say after a
// failed write, counts: removing then takes it away).
bool AssociationPresent(const TAssociationPlaces& places);

// ---- The pieces' contents (also what the tests compare) ----------------------------------------
std::string MimePackageText();
std::string DesktopEntryText(const std::filesystem::path& programFile, const std::string& icon);
// The program's path as the first word of an Exec line: quoted, with the desktop entry's escapes.
std::string DesktopExecProgram(const std::filesystem::path& programFile);
// mimeapps.list's text with the default-application line set, and with it taken out.
std::string WithDefaultApplication(const std::string& mimeApps);
std::string WithoutDefaultApplication(const std::string& mimeApps);

} // namespace mv::platform

// The file and folder choosers: the open and save dialogs with the logic's filters, the folder
// dialog with its prompt. Qt's own dialogs are used, not the desktop's, so that the filters show
// exactly as written and the dialogs behave the same on every desktop.
#pragma once

#include <QStringList>

#include <optional>
#include <string>

class QWidget;

namespace mv::gui {

// "Description|pattern|Description|pattern" as Qt name filters, the descriptions shown as
// written. A pattern's "*.*" means every file (on this platform a name need not hold a dot), and
// an extension matches in either case ("*.TXT" also finds report.txt).
QStringList NameFilters(const std::string& filter);

// An empty initial name, the first filter selected, no default extension; the save dialog does
// not ask before overwriting (the jobs ask). Nothing when cancelled.
std::optional<std::string> RunOpenFileDialog(QWidget* parent, const std::string& filter);
std::optional<std::string> RunSaveFileDialog(QWidget* parent, const std::string& filter);
// Directories only; the chosen path carries no closing separator unless it is the root.
std::optional<std::string> RunFolderDialog(QWidget* parent, const std::string& prompt);

// The folder dialog's answer as the logic takes it.
std::string FolderPath(const QString& chosen);

} // namespace mv::gui

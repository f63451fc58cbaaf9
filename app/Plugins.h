// The tool plug-ins: finding the libraries of Plugins/ beside the program and of the user's own
// Plugins/ ($XDG_DATA_HOME/Morvane/Plugins, so a user adds a tool without root), reading each
// one's name and descriptions into the plug-in table, and running one (plugins/MorvanePlugin.h is
// the authors' side of the same calls).
#pragma once

#include "app/MainWindow.h"
#include "app/Variabile.h"
#include "platform/DynamicLibrary.h"
#include "plugins/MorvanePlugin.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace mv::app {

// Shown for every failure to load or run a listed plug-in, in both languages.
inline constexpr const char* PluginErrorText = "Error loading selected plugin!";

// The plug-in directories in the order they are listed: programDirectory/Plugins, then
// dataHome/Morvane/Plugins unless it is the same directory (an empty dataHome gives only the
// first).
std::vector<std::filesystem::path> PluginDirectories(const std::filesystem::path& programDirectory,
                                                     const std::filesystem::path& dataHome);

// The regular files (or links to them) of the directories whose names end in ".so", directory by
// directory, each in the order the file system lists it. Nothing else is opened: a FIFO or a
// device of that name would hold the start. Beyond MaxPlugins files the table cannot hold them
// all: then each directory's in name order and the first MaxPlugins of those, so which ones are
// listed does not change from one start to the next.
std::vector<std::filesystem::path>
PluginCandidates(const std::vector<std::filesystem::path>& pluginDirectories);

// Loads library, copies the texts of D_NAME, D_ENG and D_ROM (each cut to its field's length)
// and unloads it; nothing when it cannot be loaded, lacks one of the three or one returns NULL.
std::optional<TPlugin> ReadPlugin(const std::filesystem::path& library);

// Fills the plug-in table from the candidates of pluginDirectories, leaving out the libraries that
// fail, sets PluginCount and puts one item per entry into lstTools. Nothing is reported.
void LoadPlugins(TMainWindow& window, TVariabile& variabile,
                 const std::vector<std::filesystem::path>& pluginDirectories);

// Loads the plug-in's library again and calls its D_EXEC with application; unloads it when
// D_EXEC returns. Raises platform::EDLLLoadError when the library does not load (a file that is
// no longer a regular file included) and platform::Exception when it has no D_EXEC.
void RunPlugin(const TPlugin& plugin, const MorvaneApplication& application);

} // namespace mv::app

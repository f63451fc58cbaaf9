// The tool plug-ins: finding the libraries of Plugins/ beside the program, reading each one's
// name and descriptions into the plug-in table, and running one (plugins/MorvanePlugin.h is the
// authors' side of the same calls).
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

// The entries of pluginDirectory whose names end in ".so", every kind of entry included, in the
// order the file system lists them. Beyond MaxPlugins entries the table cannot hold them all:
// then the first MaxPlugins in name order, so which ones are listed does not change from one
// start to the next.
std::vector<std::filesystem::path> PluginCandidates(const std::filesystem::path& pluginDirectory);

// Loads library, copies the texts of D_NAME, D_ENG and D_ROM (each cut to its field's length)
// and unloads it; nothing when it cannot be loaded, lacks one of the three or one returns NULL.
std::optional<TPlugin> ReadPlugin(const std::filesystem::path& library);

// Fills the plug-in table from programDirectory/Plugins, leaving out the libraries that fail,
// sets PluginCount and puts one item per entry into lstTools. Nothing is reported.
void LoadPlugins(TMainWindow& window, TVariabile& variabile,
                 const std::filesystem::path& programDirectory);

// Loads the plug-in's library again and calls its D_EXEC with application; unloads it when
// D_EXEC returns. Raises platform::EDLLLoadError when the library does not load and
// platform::Exception when it has no D_EXEC.
void RunPlugin(const TPlugin& plugin, const MorvaneApplication& application);

} // namespace mv::app

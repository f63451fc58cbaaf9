#include "app/Plugins.h"

#include "platform/DynamicLibrary.h"

#include <algorithm>
#include <cstring>

namespace mv::app {

namespace fs = std::filesystem;

namespace {

bool EndsWithSo(const std::string& name)
{
    return name.size() >= 3 && name.compare(name.size() - 3, 3, ".so") == 0;
}

// The text a plug-in returned, copied at once and cut to limit characters.
std::optional<std::string> CopyText(MorvaneTextFunction function, size_t limit)
{
    const char* text = function();
    if (!text)
        return std::nullopt;
    return std::string(text, strnlen(text, limit));
}

} // namespace

std::vector<fs::path> PluginDirectories(const fs::path& programDirectory, const fs::path& dataHome)
{
    std::vector<fs::path> directories = {programDirectory / "Plugins"};
    if (dataHome.empty())
        return directories;
    const fs::path user = dataHome / "Morvane" / "Plugins";
    std::error_code error;
    // A user who points the data home at the program's own directory gets each tool once.
    if (!fs::equivalent(directories.front(), user, error))
        directories.push_back(user);
    return directories;
}

std::vector<fs::path> PluginCandidates(const std::vector<fs::path>& pluginDirectories)
{
    std::vector<std::vector<fs::path>> found;
    size_t total = 0;
    for (const fs::path& directory : pluginDirectories) {
        std::vector<fs::path>& files = found.emplace_back();
        std::error_code error;
        for (fs::directory_iterator it(directory, error), end; !error && it != end;
             it.increment(error)) {
            std::error_code kind;
            if (EndsWithSo(it->path().filename().string()) && fs::is_regular_file(it->path(), kind))
                files.push_back(it->path());
        }
        total += files.size();
    }
    std::vector<fs::path> candidates;
    for (std::vector<fs::path>& files : found) {
        if (total > MaxPlugins)
            std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
                return a.filename().string() < b.filename().string();
            });
        candidates.insert(candidates.end(), files.begin(), files.end());
    }
    if (candidates.size() > MaxPlugins)
        candidates.resize(MaxPlugins);
    return candidates;
}

std::optional<TPlugin> ReadPlugin(const fs::path& library)
{
    std::error_code error;
    if (!fs::is_regular_file(library, error))
        return std::nullopt;
    try {
        platform::TDynamicLibrary loaded(library);
        auto name = loaded.Function<MorvaneTextFunction>("D_NAME");
        auto english = loaded.Function<MorvaneTextFunction>("D_ENG");
        auto romanian = loaded.Function<MorvaneTextFunction>("D_ROM");
        if (!name || !english || !romanian)
            return std::nullopt;
        TPlugin plugin;
        plugin.LibraryPath = library.string();
        std::optional<std::string> text = CopyText(name, MaxPluginName);
        if (!text)
            return std::nullopt;
        plugin.DisplayName = std::move(*text);
        if (!(text = CopyText(english, MaxPluginDescription)))
            return std::nullopt;
        plugin.EnglishDescription = std::move(*text);
        if (!(text = CopyText(romanian, MaxPluginDescription)))
            return std::nullopt;
        plugin.RomanianDescription = std::move(*text);
        return plugin;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void LoadPlugins(TMainWindow& window, TVariabile& variabile,
                 const std::vector<fs::path>& pluginDirectories)
{
    variabile.Plugins.clear();
    for (const fs::path& library : PluginCandidates(pluginDirectories))
        if (std::optional<TPlugin> plugin = ReadPlugin(library))
            variabile.Plugins.push_back(std::move(*plugin));
    variabile.PluginCount = static_cast<uint8_t>(variabile.Plugins.size());
    window.SetItems("lstTools", {});
    for (const TPlugin& plugin : variabile.Plugins)
        window.AddItem("lstTools", plugin.DisplayName);
}

void RunPlugin(const TPlugin& plugin, const MorvaneApplication& application)
{
    // The file may have been replaced since start-up; the loader would wait on a FIFO.
    std::error_code error;
    if (!fs::is_regular_file(plugin.LibraryPath, error))
        throw platform::EDLLLoadError(plugin.LibraryPath + ": not a regular file");
    platform::TDynamicLibrary library(plugin.LibraryPath);
    auto run = library.Function<MorvaneExecFunction>("D_EXEC");
    if (!run)
        throw platform::Exception("no D_EXEC in " + plugin.LibraryPath);
    run(&application, application.Language);
}

} // namespace mv::app

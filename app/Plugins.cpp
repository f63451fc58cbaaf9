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

std::vector<fs::path> PluginCandidates(const fs::path& pluginDirectory)
{
    std::vector<fs::path> candidates;
    std::error_code error;
    for (fs::directory_iterator it(pluginDirectory, error), end; !error && it != end;
         it.increment(error))
        if (EndsWithSo(it->path().filename().string()))
            candidates.push_back(it->path());
    if (candidates.size() > MaxPlugins) {
        std::sort(candidates.begin(), candidates.end(), [](const fs::path& a, const fs::path& b) {
            return a.filename().string() < b.filename().string();
        });
        candidates.resize(MaxPlugins);
    }
    return candidates;
}

std::optional<TPlugin> ReadPlugin(const fs::path& library)
{
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

void LoadPlugins(TMainWindow& window, TVariabile& variabile, const fs::path& programDirectory)
{
    variabile.Plugins.clear();
    for (const fs::path& library : PluginCandidates(programDirectory / "Plugins"))
        if (std::optional<TPlugin> plugin = ReadPlugin(library))
            variabile.Plugins.push_back(std::move(*plugin));
    variabile.PluginCount = static_cast<uint8_t>(variabile.Plugins.size());
    window.SetItems("lstTools", {});
    for (const TPlugin& plugin : variabile.Plugins)
        window.AddItem("lstTools", plugin.DisplayName);
}

void RunPlugin(const TPlugin& plugin, const MorvaneApplication& application)
{
    platform::TDynamicLibrary library(plugin.LibraryPath);
    auto run = library.Function<MorvaneExecFunction>("D_EXEC");
    if (!run)
        throw platform::Exception("no D_EXEC in " + plugin.LibraryPath);
    run(&application, application.Language);
}

} // namespace mv::app

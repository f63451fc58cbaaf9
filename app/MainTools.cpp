// The Tools page: the description of the selected plug-in, and running it with the main window
// hidden.
#include "app/MainForm.h"
#include "app/Plugins.h"

namespace mv::app {

namespace {

// The selected entry of the table, nullptr when no line (or no entry behind it) is selected.
const TPlugin* SelectedPlugin(const TMainWindow& window, const TVariabile& variabile)
{
    const int index = window.ItemIndex("lstTools");
    if (index < 0 || index >= variabile.PluginCount ||
        static_cast<size_t>(index) >= variabile.Plugins.size())
        return nullptr;
    return &variabile.Plugins[static_cast<size_t>(index)];
}

} // namespace

void TMainForm::lstToolsClick()
{
    const TPlugin* plugin = SelectedPlugin(window_, variabile_);
    if (!plugin)
        return;
    window_.SetText("edtTools", variabile_.CurrentLanguage == 1 ? plugin->RomanianDescription
                                                                : plugin->EnglishDescription);
    window_.SetText("edtToolsExt", plugin->LibraryPath);
}

void TMainForm::lstToolsDblClick()
{
    const TPlugin* selected = SelectedPlugin(window_, variabile_);
    if (!selected)
        return;
    // The tool may run its own event loop; a copy stays valid whatever happens meanwhile.
    const TPlugin plugin = *selected;
    const std::string version = services_.ProgramVersion ? services_.ProgramVersion() : "";
    MorvaneApplication application{};
    application.StructSize = sizeof(MorvaneApplication);
    application.ProgramVersion = version.c_str();
    application.Language = variabile_.CurrentLanguage;
    application.ParentWindow =
        services_.ParentWindowHandle ? services_.ParentWindowHandle() : nullptr;
    application.WindowToolkit =
        application.ParentWindow ? services_.ParentWindowToolkit.c_str() : "";

    window_.SetWindowVisible(false);
    try {
        RunPlugin(plugin, application);
    } catch (...) {
        // The loader's own reason is not the user's business; the window comes back either way.
        window_.ShowMessage(TMessageKind::Error, PluginErrorText);
    }
    window_.SetWindowVisible(true);
}

void TMainForm::tabToolsShow()
{
    window_.SetText("edtTools", "");
    window_.SetText("edtToolsExt", "");
}

} // namespace mv::app

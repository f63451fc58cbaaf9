#include "app/Languages.h"
#include "app/MainControls.h"
#include "app/MainForm.h"
#include "app/OutputName.h"
#include "app/Settings.h"

namespace mv::app {

std::string StatusLineText(const std::string& version, int pluginCount)
{
    return "  Morvane v0.5 beta 3 ( " + version + " )  -  [ 6 algorithms, 4 modes, " +
           std::to_string(pluginCount) +
           (pluginCount == 1 ? " plugin ] loaded  -  BETA RELEASE"
                             : " plugins ] loaded  -  BETA RELEASE");
}

TMainForm::TMainForm(TMainWindow& window, TVariabile& variabile, TMainServices services)
    : window_(window), variabile_(variabile), services_(std::move(services)),
      jobHost_(window, variabile, services_.Terminate)
{
    window_.SetEvents(this);
}

TMainForm::~TMainForm()
{
    window_.SetEvents(nullptr);
}

std::filesystem::path TMainForm::SettingsFile() const
{
    return settingsFile_.empty() ? SettingsPath(services_.ProgramDirectory, services_.ConfigHome)
                                 : settingsFile_;
}

void TMainForm::FormCreate(const std::vector<std::string>& arguments)
{
    // The designed state the toolkit cannot know: the lists' entries and the decryption output,
    // which starts at the user's home directory.
    window_.SetItems("edtAlgorithm", AlgorithmItems());
    window_.SetItems("edtCipherMode", CipherModeItems());
    window_.SetItems("edtLanguage", LanguageItems());
    window_.SetText("edtDecOutput", services_.HomeDirectory);
    variabile_.DecOutputPath = services_.HomeDirectory;

    window_.SetItemIndex("edtAlgorithm", 0);
    window_.SetItemIndex("edtCipherMode", 0);
    window_.SetItemIndex("edtLanguage", 0);
    // The place is chosen once: the file read now is the file written at closing.
    settingsFile_ = SettingsPath(services_.ProgramDirectory, services_.ConfigHome);
    LoadSettings(window_, variabile_, settingsFile_);
    if (services_.AssociationPresent) {
        // The box shows whether the association is there, not what the file remembers (the
        // pieces may have been written, or removed, by another copy or by hand). Only a click
        // writes or removes anything.
        const bool present = services_.AssociationPresent();
        if (present != window_.Checked("chkAssociate")) {
            showingAssociation_ = true;
            window_.SetChecked("chkAssociate", present);
            showingAssociation_ = false;
        }
    }
    window_.Click("btnEncrypt");

    if (!arguments.empty()) {
        const std::string& container = arguments.front();
        window_.SetText("edtDecInput", container);
        window_.SetHint("edtDecInput", container);
        const std::string directory = DirectoryPart(container);
        window_.SetText("edtDecOutput", directory);
        window_.SetHint("edtDecOutput", directory);
        variabile_.DecOutputPath = directory;
        variabile_.DecInputFile = window_.Text("edtDecInput");
        window_.Click("btnDecrypt");
    }

    window_.SetText("edtTempPath", services_.TempDirectory ? services_.TempDirectory() : "");
    if (services_.LoadPlugins)
        services_.LoadPlugins(window_, variabile_);
    window_.SetText("DownBar",
                    StatusLineText(services_.ProgramVersion ? services_.ProgramVersion() : "",
                                   variabile_.PluginCount));
}

void TMainForm::FormClose()
{
    const std::filesystem::path file = SettingsFile();
    std::string reason;
    if (!SaveSettings(window_, file, &reason))
        window_.ShowMessage(TMessageKind::Error, SettingsNotSavedText(variabile_.CurrentLanguage,
                                                                      file.string(), reason));
}

void TMainForm::btnExitClick()
{
    window_.Close();
}

void TMainForm::btnStopClick()
{
    variabile_.StopRequested = true;
}

} // namespace mv::app

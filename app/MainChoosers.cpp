#include "app/MainForm.h"
#include "app/OutputName.h"

namespace mv::app {

namespace {

// clang-format off
constexpr const char* EncInputFilter =
    "All files (*.*)|*.*|Text files (*.txt)|*.TXT|Programs (*.exe)|*.EXE";
constexpr const char* EncOutputFilter = "Morvane files (*.mvx)|*.MVX|All files (*.*)|*.*";
constexpr const char* DecInputFilter = "Morvane files (*.mvx)|*.MVX|All files (*.*)|*.*";
constexpr const char* DecOutputPrompt = "Please select output path...";
constexpr const char* TempPathPrompt = "Please select temporary files path...";
// clang-format on

} // namespace

void TMainForm::btnEncInputClick()
{
    const std::optional<std::string> chosen = window_.OpenFileDialog(EncInputFilter);
    if (!chosen)
        return;
    window_.SetText("edtEncInput", *chosen);
    window_.SetHint("edtEncInput", *chosen);
    variabile_.EncInputFile = *chosen;
    // The proposed output; the change runs edtEncOutputChange.
    window_.SetText(
        "edtEncOutput",
        ChangeFileExtension(*chosen, OutputExtension(window_.Checked("chkEncSelfExtract"))));
    window_.SetHint("edtEncOutput", window_.Text("edtEncOutput"));
    variabile_.EncOutputFile = window_.Text("edtEncOutput");
}

void TMainForm::btnEncOutputClick()
{
    const std::optional<std::string> chosen = window_.SaveFileDialog(EncOutputFilter);
    if (!chosen)
        return;
    // Whatever filter was selected or extension typed, the output kind decides the extension.
    const std::string output =
        ChangeFileExtension(*chosen, OutputExtension(window_.Checked("chkEncSelfExtract")));
    window_.SetText("edtEncOutput", output);
    window_.SetHint("edtEncOutput", output);
    variabile_.EncOutputFile = output;
}

void TMainForm::edtEncOutputChange()
{
    variabile_.EncOutputFile = window_.Text("edtEncOutput");
}

void TMainForm::chkEncSelfExtractClick()
{
    const bool selfExtract = window_.Checked("chkEncSelfExtract");
    const std::string output = window_.Text("edtEncOutput");
    if (!output.empty())
        window_.SetText("edtEncOutput", ChangeFileExtension(output, OutputExtension(selfExtract)));
    variabile_.EncOutputFile = window_.Text("edtEncOutput");
    variabile_.SelfExtract = selfExtract;
}

void TMainForm::btnDecInputClick()
{
    const std::optional<std::string> chosen = window_.OpenFileDialog(DecInputFilter);
    if (!chosen)
        return;
    window_.SetText("edtDecInput", *chosen);
    window_.SetHint("edtDecInput", *chosen);
    const std::string directory = DirectoryPart(*chosen);
    window_.SetText("edtDecOutput", directory);
    window_.SetHint("edtDecOutput", directory);
    variabile_.DecOutputPath = directory;
    variabile_.DecInputFile = window_.Text("edtDecInput");
}

void TMainForm::btnDecOutputClick()
{
    const std::optional<std::string> chosen = window_.BrowseFolder(DecOutputPrompt);
    if (!chosen)
        return;
    window_.SetText("edtDecOutput", *chosen);
    variabile_.DecOutputPath = *chosen;
}

void TMainForm::btnTempPathClick()
{
    if (const std::optional<std::string> chosen = window_.BrowseFolder(TempPathPrompt))
        window_.SetText("edtTempPath", *chosen);
}

void TMainForm::FlatRadioButton1Click()
{
    window_.SetEnabled("edtTempPath", false);
    window_.SetEnabled("btnTempPath", false);
    window_.SetText("edtTempPath", services_.TempDirectory ? services_.TempDirectory() : "");
}

void TMainForm::FlatRadioButton2Click()
{
    window_.SetEnabled("edtTempPath", true);
    window_.SetEnabled("btnTempPath", true);
}

} // namespace mv::app

// The About page, the Help button and the places that open a web address.
#include "app/About.h"
#include "app/Languages.h"
#include "app/MainForm.h"
#include "platform/DesktopShell.h"

namespace mv::app {

std::string GetProgramVersion()
{
    return MORVANE_VERSION;
}

std::string VersionLine(const std::string& version)
{
    return "Morvane v0.5 beta 3 ( " + version + " )";
}

std::string UsedMemoryLine(const std::string& prefix, std::optional<uint64_t> bytes)
{
    if (!bytes)
        return MemoryFailureText;
    return prefix + std::to_string(*bytes / 1024) + " KBytes";
}

std::string UpdateAddress(uint8_t language)
{
    return language == 1 ? ProductAddress : ProductEnglishAddress;
}

void TMainForm::tabAboutShow()
{
    window_.SetText(
        "lblUsedMemory",
        UsedMemoryLine(variabile_.Text(TText::UsedMemoryText),
                       services_.ResidentBytes ? services_.ResidentBytes() : std::nullopt));
    window_.SetText("lblVersion",
                    VersionLine(services_.ProgramVersion ? services_.ProgramVersion() : ""));
}

void TMainForm::btnHelpClick()
{
    const std::filesystem::path help = services_.ProgramDirectory / "Help" / "Morvane.html";
    std::error_code error;
    if (!std::filesystem::is_regular_file(help, error)) {
        window_.ShowMessage(TMessageKind::Plain, variabile_.Text(TText::MsgNoHelpFile));
        return;
    }
    // Without a program to open it the user still learns where the manual is.
    const std::filesystem::path manual = std::filesystem::absolute(help, error);
    const auto notOpened = [this, manual] {
        window_.ShowMessage(TMessageKind::Information,
                            HelpNotOpenedText(variabile_.CurrentLanguage, manual.string()));
    };
    if (services_.OpenAddress)
        services_.OpenAddress(platform::FileUrl(manual), notOpened);
    else
        notOpened();
}

void TMainForm::btnURLClick()
{
    if (services_.OpenAddress)
        services_.OpenAddress(UpdateAddress(variabile_.CurrentLanguage), {});
}

void TMainForm::Image2Click()
{
    if (services_.OpenAddress)
        services_.OpenAddress(ProductAddress, {});
}

void TMainForm::Image1DblClick()
{
    if (services_.OpenAddress)
        services_.OpenAddress(VendorAddress, {});
}

} // namespace mv::app

#include "app/MainControls.h"

#include <array>

namespace mv::app {

namespace {

using K = TControlKind;

// clang-format off
constexpr std::array Controls = {
    // The six pages, in page order.
    TControlSpec{"tabEncrypt", K::Page, NoPage, nullptr, true, false},
    TControlSpec{"tabDecrypt", K::Page, NoPage, nullptr, true, false},
    TControlSpec{"tabTools", K::Page, NoPage, nullptr, true, false},
    TControlSpec{"tabOptions", K::Page, NoPage, nullptr, true, false},
    TControlSpec{"tabAbout", K::Page, NoPage, nullptr, true, false},
    TControlSpec{"tabStatus", K::Page, NoPage, nullptr, true, false},
    // Top row, left column, title band, password group, status line.
    TControlSpec{"Image2", K::Image, NoPage, nullptr, true, false},
    TControlSpec{"btnOptions", K::Button, NoPage, nullptr, true, false},
    TControlSpec{"btnHelp", K::Button, NoPage, nullptr, true, false},
    TControlSpec{"btnAbout", K::Button, NoPage, nullptr, true, false},
    TControlSpec{"btnExit", K::Button, NoPage, nullptr, true, false},
    TControlSpec{"btnEncrypt", K::Button, NoPage, nullptr, true, false},
    TControlSpec{"btnDecrypt", K::Button, NoPage, nullptr, true, false},
    TControlSpec{"btnTools", K::Button, NoPage, nullptr, true, false},
    TControlSpec{"btnStatus", K::Button, NoPage, nullptr, true, false},
    TControlSpec{"Image1", K::Image, NoPage, nullptr, true, false},
    TControlSpec{"lblDesignedFor", K::Label, NoPage, DesignedForText, true, false},
    TControlSpec{"lblTopCaption", K::Label, NoPage, nullptr, true, false},
    TControlSpec{"GroupBox1", K::GroupBox, NoPage, nullptr, true, false},
    TControlSpec{"edtPassword", K::PasswordEdit, NoPage, "", true, false},
    TControlSpec{"btnStart", K::Button, NoPage, nullptr, true, false},
    TControlSpec{"DownBar", K::Label, NoPage, "", true, false},
    // Encrypt page.
    TControlSpec{"Label4", K::Label, PageEncrypt, nullptr, true, false},
    TControlSpec{"Label2", K::Label, PageEncrypt, nullptr, true, false},
    TControlSpec{"edtEncInput", K::ReadOnlyEdit, PageEncrypt, "", true, false},
    TControlSpec{"btnEncInput", K::Button, PageEncrypt, nullptr, true, false},
    TControlSpec{"Label3", K::Label, PageEncrypt, nullptr, true, false},
    TControlSpec{"edtEncOutput", K::Edit, PageEncrypt, "", true, false},
    TControlSpec{"btnEncOutput", K::Button, PageEncrypt, nullptr, true, false},
    TControlSpec{"GroupBox2", K::GroupBox, PageEncrypt, nullptr, true, false},
    TControlSpec{"chkEncCompress", K::CheckBox, PageEncrypt, nullptr, true, false},
    TControlSpec{"chkEncWipeInput", K::CheckBox, PageEncrypt, nullptr, true, false},
    TControlSpec{"chkEncTestOutput", K::CheckBox, PageEncrypt, nullptr, true, false},
    TControlSpec{"chkIncludePass", K::CheckBox, PageEncrypt, nullptr, true, false},
    TControlSpec{"chkIncludeCRC", K::CheckBox, PageEncrypt, nullptr, true, false},
    TControlSpec{"chkEncSelfExtract", K::CheckBox, PageEncrypt, nullptr, true, false},
    // Decrypt page.
    TControlSpec{"Label9", K::Label, PageDecrypt, nullptr, true, false},
    TControlSpec{"Label10", K::Label, PageDecrypt, nullptr, true, false},
    TControlSpec{"edtDecInput", K::ReadOnlyEdit, PageDecrypt, "", true, false},
    TControlSpec{"btnDecInput", K::Button, PageDecrypt, nullptr, true, false},
    TControlSpec{"Label11", K::Label, PageDecrypt, nullptr, true, false},
    TControlSpec{"edtDecOutput", K::ReadOnlyEdit, PageDecrypt, "", true, false},
    TControlSpec{"btnDecOutput", K::Button, PageDecrypt, nullptr, true, false},
    TControlSpec{"GroupBox6", K::GroupBox, PageDecrypt, nullptr, true, false},
    TControlSpec{"chkDecWipeInput", K::CheckBox, PageDecrypt, nullptr, true, false},
    TControlSpec{"chkDecTestOutput", K::CheckBox, PageDecrypt, nullptr, true, false},
    // Tools page.
    TControlSpec{"GroupBox3", K::GroupBox, PageTools, nullptr, true, false},
    TControlSpec{"edtTools", K::Memo, PageTools, "", true, false},
    TControlSpec{"lstTools", K::ListBox, PageTools, nullptr, true, false},
    TControlSpec{"edtToolsExt", K::Label, PageTools, "", true, false},
    // Options page.
    TControlSpec{"GroupBox4", K::GroupBox, PageOptions, nullptr, true, false},
    TControlSpec{"Label1", K::Label, PageOptions, nullptr, true, false},
    TControlSpec{"edtAlgorithm", K::ComboBox, PageOptions, nullptr, true, false},
    TControlSpec{"Label12", K::Label, PageOptions, nullptr, true, false},
    TControlSpec{"edtCipherMode", K::ComboBox, PageOptions, nullptr, true, false},
    TControlSpec{"GroupBox5", K::GroupBox, PageOptions, nullptr, true, false},
    TControlSpec{"Label7", K::Label, PageOptions, nullptr, true, false},
    TControlSpec{"edtLanguage", K::ComboBox, PageOptions, nullptr, true, false},
    TControlSpec{"chkAssociate", K::CheckBox, PageOptions, nullptr, true, false},
    TControlSpec{"chkShowHint", K::CheckBox, PageOptions, nullptr, true, false},
    TControlSpec{"chk3PassWipe", K::CheckBox, PageOptions, nullptr, true, false},
    TControlSpec{"btnUpdate", K::Button, PageOptions, nullptr, true, false},
    TControlSpec{"FlatRadioButton1", K::RadioButton, PageOptions, nullptr, true, true},
    TControlSpec{"FlatRadioButton2", K::RadioButton, PageOptions, nullptr, true, false},
    TControlSpec{"edtTempPath", K::ReadOnlyEdit, PageOptions, "", false, false},
    TControlSpec{"btnTempPath", K::Button, PageOptions, nullptr, false, false},
    // About page.
    TControlSpec{"lblVersion", K::Label, PageAbout, nullptr, true, false},
    TControlSpec{"Label5", K::Label, PageAbout, nullptr, true, false},
    TControlSpec{"btnURL", K::Button, PageAbout, nullptr, true, false},
    TControlSpec{"lblCoding", K::Label, PageAbout, nullptr, true, false},
    TControlSpec{"lblUsedMemory", K::Label, PageAbout, nullptr, true, false},
    TControlSpec{"lblDisclaimer", K::Label, PageAbout, nullptr, true, false},
    // Status page.
    TControlSpec{"lblTask", K::Label, PageStatus, "Task : Nothing to do", true, false},
    TControlSpec{"ProgressBar1", K::ProgressBar, PageStatus, nullptr, true, false},
    TControlSpec{"lblElapsed", K::Label, PageStatus, nullptr, true, false},
    TControlSpec{"lblRemaining", K::Label, PageStatus, nullptr, true, false},
    TControlSpec{"lblSpeed", K::Label, PageStatus, nullptr, true, false},
    TControlSpec{"lblRate", K::Label, PageStatus, nullptr, true, false},
    TControlSpec{"btnStop", K::Button, PageStatus, nullptr, false, false},
    TControlSpec{"lstJob", K::ListBox, PageStatus, nullptr, true, false},
};
// clang-format on

} // namespace

std::span<const TControlSpec> MainControls()
{
    return Controls;
}

const TControlSpec* FindControl(std::string_view name)
{
    for (const TControlSpec& spec : Controls)
        if (name == spec.Name)
            return &spec;
    return nullptr;
}

const char* PageName(int index)
{
    return index >= 0 && index < PageCount ? Controls[static_cast<size_t>(index)].Name : "";
}

const std::vector<std::string>& AlgorithmItems()
{
    static const std::vector<std::string> items = {
        "Twofish (max key size : 256 bits)", "AES (Rijndael) (max key size : 256 bits)",
        "Rc2 (max key size : 1024 bits)",    "Gost (max key size : 256 bits)",
        "Cast128 (max key size : 128 bits)", "Blowfish (max key size : 448 bits)"};
    return items;
}

const std::vector<std::string>& CipherModeItems()
{
    static const std::vector<std::string> items = {
        "Cipher Block Chaining ( CBC )", "Cipher Feedback Old ( CFB 8 bit )",
        "Cipher Feedback ( CFB )", "Output Feedback ( OFB )"};
    return items;
}

const std::vector<std::string>& LanguageItems()
{
    static const std::vector<std::string> items = {"English", "Romana"};
    return items;
}

} // namespace mv::app

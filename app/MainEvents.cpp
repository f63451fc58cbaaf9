#include "app/MainForm.h"

#include <map>
#include <string_view>

namespace mv::app {

namespace {

using THandler = void (TMainForm::*)();

const std::map<std::string_view, THandler>& ClickHandlers()
{
    static const std::map<std::string_view, THandler> handlers = {
        {"btnEncrypt", &TMainForm::btnEncryptClick},
        {"btnDecrypt", &TMainForm::btnDecryptClick},
        {"btnTools", &TMainForm::btnToolsClick},
        {"btnOptions", &TMainForm::btnOptionsClick},
        {"btnAbout", &TMainForm::btnAboutClick},
        {"btnStatus", &TMainForm::btnStatusClick},
        {"btnExit", &TMainForm::btnExitClick},
        {"btnStart", &TMainForm::btnStartClick},
        {"btnStop", &TMainForm::btnStopClick},
        {"chkEncCompress", &TMainForm::chkEncCompressClick},
        {"chkEncWipeInput", &TMainForm::chkEncWipeInputClick},
        {"chkIncludePass", &TMainForm::chkIncludePassClick},
        {"chkIncludeCRC", &TMainForm::chkIncludeCRCClick},
        {"chkDecWipeInput", &TMainForm::chkDecWipeInputClick},
        {"chk3PassWipe", &TMainForm::chk3PassWipeClick},
        {"chkShowHint", &TMainForm::chkShowHintClick},
        {"chkAssociate", &TMainForm::chkAssociateClick},
        {"chkEncSelfExtract", &TMainForm::chkEncSelfExtractClick},
        {"btnEncInput", &TMainForm::btnEncInputClick},
        {"btnEncOutput", &TMainForm::btnEncOutputClick},
        {"btnDecInput", &TMainForm::btnDecInputClick},
        {"btnDecOutput", &TMainForm::btnDecOutputClick},
        {"btnTempPath", &TMainForm::btnTempPathClick},
        {"FlatRadioButton1", &TMainForm::FlatRadioButton1Click},
        {"FlatRadioButton2", &TMainForm::FlatRadioButton2Click},
        {"lstTools", &TMainForm::lstToolsClick},
        {"btnHelp", &TMainForm::btnHelpClick},
        {"btnURL", &TMainForm::btnURLClick},
        {"btnUpdate", &TMainForm::btnURLClick},
    };
    return handlers;
}

const std::map<std::string_view, THandler>& DoubleClickHandlers()
{
    static const std::map<std::string_view, THandler> handlers = {
        {"lstTools", &TMainForm::lstToolsDblClick},
        {"Image2", &TMainForm::Image2Click},
        {"Image1", &TMainForm::Image1DblClick},
    };
    return handlers;
}

const std::map<std::string_view, THandler>& ShowHandlers()
{
    static const std::map<std::string_view, THandler> handlers = {
        {"tabTools", &TMainForm::tabToolsShow},
        {"tabAbout", &TMainForm::tabAboutShow},
    };
    return handlers;
}

const std::map<std::string_view, THandler>& ChangeHandlers()
{
    static const std::map<std::string_view, THandler> handlers = {
        {"edtAlgorithm", &TMainForm::FlatComboBox1Change},
        {"edtCipherMode", &TMainForm::edtCipherModeChange},
        {"edtLanguage", &TMainForm::edtLanguageChange},
        {"edtEncOutput", &TMainForm::edtEncOutputChange},
    };
    return handlers;
}

} // namespace

void TMainForm::OnClick(const std::string& control)
{
    if (auto it = ClickHandlers().find(control); it != ClickHandlers().end())
        (this->*it->second)();
}

void TMainForm::OnDoubleClick(const std::string& control)
{
    if (auto it = DoubleClickHandlers().find(control); it != DoubleClickHandlers().end())
        (this->*it->second)();
}

void TMainForm::OnChange(const std::string& control)
{
    if (auto it = ChangeHandlers().find(control); it != ChangeHandlers().end())
        (this->*it->second)();
}

void TMainForm::OnShow(const std::string& page)
{
    if (auto it = ShowHandlers().find(page); it != ShowHandlers().end())
        (this->*it->second)();
    if (services_.PageShown)
        services_.PageShown(page);
}

void TMainForm::OnClose()
{
    FormClose();
}

} // namespace mv::app

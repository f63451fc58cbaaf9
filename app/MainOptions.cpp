#include "app/Languages.h"
#include "app/MainForm.h"

namespace mv::app {

void TMainForm::chkEncCompressClick()
{
    variabile_.EncCompress = window_.Checked("chkEncCompress");
}

void TMainForm::chkEncWipeInputClick()
{
    variabile_.EncWipeInput = window_.Checked("chkEncWipeInput");
}

void TMainForm::chkIncludePassClick()
{
    variabile_.IncludePass = window_.Checked("chkIncludePass");
}

void TMainForm::chkIncludeCRCClick()
{
    variabile_.IncludeCRC = window_.Checked("chkIncludeCRC");
}

void TMainForm::chkDecWipeInputClick()
{
    variabile_.DecWipeInput = window_.Checked("chkDecWipeInput");
}

void TMainForm::chk3PassWipeClick()
{
    variabile_.SecureWipe = window_.Checked("chk3PassWipe");
}

void TMainForm::chkShowHintClick()
{
    window_.SetShowHints(window_.Checked("chkShowHint"));
}

void TMainForm::chkAssociateClick()
{
    if (showingAssociation_ || !services_.Associate)
        return;
    // A piece that cannot be written ends the writing there; what was written stays, the box
    // stays checked, and the reason goes to the user.
    try {
        services_.Associate(window_.Checked("chkAssociate"));
    } catch (const std::exception& error) {
        window_.ShowMessage(TMessageKind::Error, error.what());
    }
}

void TMainForm::FlatComboBox1Change()
{
    variabile_.AlgorithmIndex = static_cast<uint8_t>(window_.ItemIndex("edtAlgorithm"));
}

void TMainForm::edtCipherModeChange()
{
    variabile_.CipherModeIndex = static_cast<uint8_t>(window_.ItemIndex("edtCipherMode"));
}

void TMainForm::edtLanguageChange()
{
    // The language routines leave the title alone; the page shown takes its new name here.
    if (window_.ItemIndex("edtLanguage") == 0) {
        ApplyEnglishTexts(window_, variabile_);
        window_.SetText("lblTopCaption", "Options");
    } else {
        ApplyRomanianTexts(window_, variabile_);
        window_.SetText("lblTopCaption", "Optiuni");
    }
}

} // namespace mv::app

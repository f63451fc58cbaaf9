#include "app/MainControls.h"
#include "app/MainForm.h"

namespace mv::app {

void TMainForm::SelectPage(int index, const std::string& title)
{
    window_.SetPageIndex(index);
    window_.SetText("lblTopCaption", title);
    // Start works on the Encrypt and Decrypt pages only.
    window_.SetEnabled("btnStart", index == PageEncrypt || index == PageDecrypt);
}

void TMainForm::btnEncryptClick()
{
    SelectPage(PageEncrypt, variabile_.Text(TText::EncryptTitle));
    window_.SetText("btnStart", variabile_.Text(TText::EncryptStartCaption));
}

void TMainForm::btnDecryptClick()
{
    SelectPage(PageDecrypt, variabile_.Text(TText::DecryptTitle));
    window_.SetText("btnStart", variabile_.Text(TText::DecryptStartCaption));
}

void TMainForm::btnToolsClick()
{
    SelectPage(PageTools, variabile_.Text(TText::ToolsTitle));
}

void TMainForm::btnOptionsClick()
{
    SelectPage(PageOptions, variabile_.Text(TText::OptionsTitle));
}

void TMainForm::btnAboutClick()
{
    SelectPage(PageAbout, variabile_.Text(TText::AboutTitle));
}

void TMainForm::btnStatusClick()
{
    SelectPage(PageStatus, StatusTitle);
}

} // namespace mv::app

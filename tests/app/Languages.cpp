// Both languages: the text table, captions, hints and zero texts as quoted, and what a switch
// resets.
#include "tests/support/AppFixture.h"

#include "app/Languages.h"
#include "app/MainControls.h"

#include <map>

namespace mv::test {
namespace {

using app::TText;

struct TQuoted
{
    const char* Control;
    const char* English;
    const char* Romanian;
};

// clang-format off
const char* const EnglishTexts[28] = {
    "Used memory : ", "Encrypt", "Decrypt", "Tools", "Options", "About", "Encrypt !",
    "Decrypt !", "Please select a file to encrypt !", "Please select output file !",
    "Input and output must not be the same !", "Please enter password !", "Confirm",
    "Please reenter your password : ", "Password retyped incorectly !",
    "Please select a file to decrypt !", "Please select output path !",
    "Help file not found! Try to reinstall Morvane.", "Output file already exists - Overwrite?",
    "Input file doesn't exist !", "Unable to open input file", "Invalid input file type !",
    "Invalid password !", "Elapsed time : ", "Remaining time : ", "Encryption speed : ",
    "Decryption speed : ", "Compressed to : "};
const char* const RomanianTexts[28] = {
    "Memorie folosita : ", "Criptare", "Decriptare", "Unelte", "Optiuni", "Despre",
    "Cripteaza !", "Decripteaza !", "Selectati fisierul de criptat !",
    "Selectati fisierul de iesire !",
    "Fisierul de intrare trebuie sa fie diferit de cel de iesire !", "Nu ati introdus parola !",
    "Confirmare", "Reintroduceti parola : ", "Parola retiparita incorect !",
    "Selectati fisierul de decriptat !", "Selectati directorul de iesire",
    "Fisierul help nu este gasit. Incercati sa reinstalati Morvane!",
    "Fisierul de iesire exista - Suprascrieti?", "Fisierul de intrare selectat nu exista !",
    "Eroare la deschiderea fisierului de intrare !", "Fisierul de decriptat nu este valid !",
    "Parola incorecta !", "Au trecut : ", "Timp ramas : ", "Viteza de criptare : ",
    "Viteza de decriptare : ", "Compresat la : "};

const TQuoted Captions[] = {
    {"btnOptions", "Options", "Optiuni"},
    {"btnExit", "Exit", "Iesire"},
    {"btnStatus", "Status >>", "Stare >>"},
    {"btnTempPath", "Browse...", "Deschide..."},
    {"btnDecOutput", "Browse...", "Deschide..."},
    {"Label4", "Select a file to encrypt, output file, enter password and press \"Encrypt !\"",
     "Selecteaza fisierul de criptat, fisierul de iesire si apasa \"Cripteaza !\""},
    {"Label9", "Select a file to decrypt, output path, enter password and press \"Decrypt !\"",
     "Selecteaza fisierul de decriptat, directorul de iesire si apasa \"Decripteaza !\""},
    {"GroupBox6", "  Quick options  ", "  Optiuni rapide  "},
    {"chkEncCompress", "  Compress file before encrypting", "  Comprima fisierul de criptat"},
    {"chkIncludePass", "  Include password check (insecure)", "  Include verificare parola"},
    {"chkEncSelfExtract", "  Build self-decrypt output files (exe)",
     "  Creeaza fisiere auto-decriptabile (exe)"},
    {"chkDecTestOutput", "  Test output file", "  Testeaza fisier intrare"},
    {"GroupBox5", "  Program  ", "  Program  "},
    // The platform's words follow the platform.
    {"FlatRadioButton1", "System temp path", "Temp sistem"},
    {"chkAssociate", "  Associate *.mvx files with Morvane", "  Deschide fisierele *.mvx cu Morvane"},
    {"chk3PassWipe", "  3 pass wiping (more secure, slower)", "  Stergere in 3 pasi (sigura)"},
    {"lblVersion", "Morvane v0.5 beta 3 ", "Morvane v0.5 beta 3"},
    {"lblUsedMemory", "Used memory : 0 KBytes", "Memorie folosita : 0 KBytes"},
    {"GroupBox1", "  Password  ", "  Parola  "},
    {"btnStart", "Encrypt !", "Cripteaza !"},
    {"btnStop", "Stop", "Stop"},
};

const TQuoted Hints[] = {
    {"btnTools", "Some useful plug-ins added to Morvane", "Programele utile adaugate la Morvane."},
    {"btnExit", "Leave Morvane. Have a good day !", "Iesire din Morvane. Va dorim o zi buna!"},
    {"btnStart", "Start encryption/decryption !", "Porneste criptarea/decriptarea !"},
    {"edtCipherMode", "Select encryption mode. For maximal performance use cmCBC.",
     "Selectati modul de criptare dorit.\r\n"
     "Pentru a obtine o viteza maxima de criptare folositi cmCBC."},
    {"chkShowHint", "Some useful hints for new users of this program.",
     "Cateva mesaje ajutatoare in lucrul cu Morvane.\r\nDupa ce va obisnuiti cu programul, "
     "s-ar putea sa devina deranjante si le puteti dezactiva."},
    {"chk3PassWipe", "If you select this, wiped files cannot be recovered!",
     "Stergerea fisierelor se realizeaza folosind un algoritm foarte sigur.\r\n"
     "FISIERELE STERSE NU MAI POT FI RECUPERATE!"},
};

const TQuoted ZeroTexts[] = {
    {"lblElapsed", "Elapsed time : 0 s", "Au trecut : 0 s"},
    {"lblRemaining", "Remaining time : 0 s", "Timp ramas : 0 s"},
    {"lblSpeed", "Encryption speed : 0 KB/s", "Viteza de criptare : 0 KB/s"},
    {"lblRate", "Compressed to : 100 %", "Compresat la : 100 %"},
};
// clang-format on

class Languages : public TAppFixture
{
protected:
    void ExpectLanguage(bool english)
    {
        EXPECT_EQ(variabile.CurrentLanguage, english ? 0 : 1);
        for (size_t i = 0; i < 28; ++i)
            EXPECT_EQ(variabile.Texts[i], english ? EnglishTexts[i] : RomanianTexts[i])
                << "entry " << i;
        for (const TQuoted& q : Captions)
            EXPECT_EQ(window.Text(q.Control), english ? q.English : q.Romanian) << q.Control;
        for (const TQuoted& q : Hints)
            EXPECT_EQ(window.Hint(q.Control), english ? q.English : q.Romanian) << q.Control;
        for (const TQuoted& q : ZeroTexts)
            EXPECT_EQ(window.Text(q.Control), english ? q.English : q.Romanian) << q.Control;
        for (const char* control : {"btnURL", "Label5", "lblCoding", "lblDisclaimer"})
            EXPECT_FALSE(window.Text(control).empty()) << control;
        EXPECT_EQ(window.Text("btnURL").rfind(english ? "Visit " : "Vizitati ", 0), 0u);
    }

    // Every text and hint of every control that carries them.
    std::map<std::string, std::string> Snapshot()
    {
        std::map<std::string, std::string> all;
        for (const app::TControlSpec& spec : app::MainControls()) {
            all[std::string(spec.Name) + ".hint"] = window.Hint(spec.Name);
            if (spec.Kind != app::TControlKind::Page && spec.Kind != app::TControlKind::Image &&
                spec.Kind != app::TControlKind::ComboBox &&
                spec.Kind != app::TControlKind::ListBox &&
                spec.Kind != app::TControlKind::ProgressBar)
                all[spec.Name] = window.Text(spec.Name);
        }
        return all;
    }

    void SelectLanguage(int index)
    {
        ASSERT_TRUE(window.UserClick("btnOptions"));
        ASSERT_TRUE(window.UserSelect("edtLanguage", index));
    }
};

TEST_F(Languages, EnglishAtStartThenRomanianThenEnglishAgain)
{
    Create();
    ExpectLanguage(true);
    const auto english = Snapshot();
    SelectLanguage(1);
    ExpectLanguage(false);
    const auto romanian = Snapshot();
    // Every caption and hint of the tables changed but the few that read the same.
    int same = 0;
    for (const auto& [key, text] : english)
        if (!text.empty() && romanian.at(key) == text)
            ++same;
    EXPECT_LE(same, 8) << "GroupBox5, btnStop, the fixed texts and the window's own fields";
    SelectLanguage(0);
    ExpectLanguage(true);
    auto again = Snapshot();
    // The title is the page's (Encrypt at start, Options now); everything else is restored.
    auto before = english;
    before.erase("lblTopCaption");
    again.erase("lblTopCaption");
    EXPECT_EQ(again, before);
}

TEST_F(Languages, NoTextNamesAnotherSystem)
{
    Create();
    // The caption under the system picture names the system of this build, in both languages.
    const std::string designedFor = std::string("Designed for ") + MORVANE_SYSTEM_NAME;
    EXPECT_EQ(window.Text("lblDesignedFor"), designedFor);
    EXPECT_GT(std::string(MORVANE_SYSTEM_NAME).size(), 0u);
    for (int language : {1, 0}) {
        SelectLanguage(language);
        EXPECT_EQ(window.Text("lblDesignedFor"), designedFor);
        for (const auto& [key, text] : Snapshot())
            EXPECT_EQ(text.find("Windows"), std::string::npos) << key << ": " << text;
    }
}

TEST_F(Languages, TitleOfTheOptionsPageFollowsTheSwitch)
{
    Create();
    SelectLanguage(1);
    EXPECT_EQ(window.Text("lblTopCaption"), "Optiuni");
    SelectLanguage(0);
    EXPECT_EQ(window.Text("lblTopCaption"), "Options");
}

TEST_F(Languages, StartCaptionAfterASwitchFromTheDecryptPage)
{
    Create();
    ASSERT_TRUE(window.UserClick("btnDecrypt"));
    EXPECT_EQ(window.Text("btnStart"), "Decrypt !");
    SelectLanguage(1);
    EXPECT_EQ(window.Text("btnStart"), "Cripteaza !");
    ASSERT_TRUE(window.UserClick("btnDecrypt"));
    EXPECT_EQ(window.Text("btnStart"), "Decripteaza !");
    EXPECT_EQ(window.Text("lblTopCaption"), "Decriptare");
}

TEST_F(Languages, StatusLabelsAreResetBySwitching)
{
    Create();
    // As a job leaves them.
    window.SetText("lblElapsed", "Elapsed time : 7 s");
    window.SetText("lblRemaining", "Remaining time : 2 s");
    window.SetText("lblSpeed", "Encryption speed : 12.3 MB/s");
    window.SetText("lblRate", "Compressed to : 25 %");
    window.SetText("lblUsedMemory", "Used memory : 4882 KBytes");
    SelectLanguage(1);
    for (const TQuoted& q : ZeroTexts)
        EXPECT_EQ(window.Text(q.Control), q.Romanian) << q.Control;
    EXPECT_EQ(window.Text("lblUsedMemory"), "Memorie folosita : 0 KBytes");
}

TEST_F(Languages, JobTextsFollowTheLanguage)
{
    Create();
    SelectLanguage(1);
    const engine::TJobTexts& texts = form->JobHost().Texts();
    EXPECT_EQ(texts.InputMissing, "Fisierul de intrare selectat nu exista !");
    EXPECT_EQ(texts.OverwriteQuestion, "Fisierul de iesire exista - Suprascrieti?");
    EXPECT_EQ(texts.UnableToOpenInput, "Eroare la deschiderea fisierului de intrare !");
    EXPECT_EQ(texts.InvalidFileType, "Fisierul de decriptat nu este valid !");
    EXPECT_EQ(texts.SameInputOutput,
              "Fisierul de intrare trebuie sa fie diferit de cel de iesire !");
    EXPECT_EQ(texts.InvalidPassword, "Parola incorecta !");
    EXPECT_EQ(texts.ElapsedTime, "Au trecut : ");
    EXPECT_EQ(texts.RemainingTime, "Timp ramas : ");
    EXPECT_EQ(texts.EncryptionSpeed, "Viteza de criptare : ");
    EXPECT_EQ(texts.DecryptionSpeed, "Viteza de decriptare : ");
    EXPECT_EQ(texts.CompressedTo, "Compresat la : ");
    SelectLanguage(0);
    EXPECT_EQ(form->JobHost().Texts().InvalidPassword, "Invalid password !");
}

TEST_F(Languages, RoutinesWorkOnAnyWindowWithoutTheForm)
{
    app::THeadlessWindow bare;
    app::TVariabile v;
    app::ApplyRomanianTexts(bare, v);
    EXPECT_EQ(v.CurrentLanguage, 1);
    EXPECT_EQ(bare.Text("chkIncludeCRC"), "  Include CRC");
    EXPECT_EQ(bare.Hint("edtPassword"), "Introduceti parola dorita in acest camp.");
    app::ApplyEnglishTexts(bare, v);
    EXPECT_EQ(bare.Text("chkIncludeCRC"), "  Include CRC (insecure)");
    EXPECT_EQ(bare.Hint("Image1").rfind("Double-click on this logo to open ", 0), 0u);
    EXPECT_EQ(v.Text(TText::ConfirmPrompt), "Please reenter your password : ");
}

} // namespace
} // namespace mv::test

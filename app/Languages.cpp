#include "app/Languages.h"

#include "engine/JobHost.h"

#include <string>

namespace mv::app {

namespace {

// One row per control (or group of controls sharing a text): English, then Romanian.
struct TRow
{
    std::initializer_list<const char*> Controls;
    std::string English;
    std::string Romanian;
};

const std::string Crlf = "\r\n";

// A decryption that nothing in the container confirmed (no CRC-32, no compressed body): told in
// the window with or without a wipe.
const std::string NotConfirmedEnglish =
    "The decrypted file could not be confirmed: the container holds no CRC-32 and no checked "
    "compressed body, so a wrong password or a damaged container would go unnoticed.";
const std::string NotConfirmedRomanian =
    "Fisierul decriptat nu a putut fi confirmat: containerul nu contine CRC32 si nici un corp "
    "comprimat verificat, asa ca o parola gresita sau un container deteriorat ar trece "
    "neobservate.";

// clang-format off
const TTexts EnglishTexts = {
    "Used memory : ", "Encrypt", "Decrypt", "Tools", "Options", "About", "Encrypt !", "Decrypt !",
    "Please select a file to encrypt !", "Please select output file !",
    "Input and output must not be the same !", "Please enter password !", "Confirm",
    "Please reenter your password : ", "Password retyped incorectly !",
    "Please select a file to decrypt !", "Please select output path !",
    "Help file not found! Try to reinstall Morvane.", "Output file already exists - Overwrite?",
    "Input file doesn't exist !", "Unable to open input file", "Invalid input file type !",
    "Invalid password !", "Elapsed time : ", "Remaining time : ", "Encryption speed : ",
    "Decryption speed : ", "Compressed to : ",
    engine::TJobTexts{}.TestingSpeed, engine::TJobTexts{}.TestFailed, NotConfirmedEnglish,
    engine::TJobTexts{}.NotConfirmedKept};

const TTexts RomanianTexts = {
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
    "Viteza de decriptare : ", "Compresat la : ",
    "Viteza de testare : ",
    "Testul fisierului de iesire a ESUAT: octetii recititi de pe disc nu sunt cei scrisi. "
    "Fisierul de iesire a fost sters, iar fisierul de intrare a fost pastrat. Fisier de iesire: ",
    NotConfirmedRomanian,
    NotConfirmedRomanian + " Containerul a fost pastrat (nu a fost sters): "};

const TRow Captions[] = {
    {{"btnOptions"}, "Options", "Optiuni"},
    {{"btnHelp"}, "Help", "Ajutor"},
    {{"btnAbout"}, "About", "Despre"},
    {{"btnExit"}, "Exit", "Iesire"},
    {{"btnEncrypt"}, "Encrypt", "Cripteaza"},
    {{"btnDecrypt"}, "Decrypt", "Decripteaza"},
    {{"btnTools"}, "Tools", "Unelte"},
    {{"btnStatus"}, "Status >>", "Stare >>"},
    {{"Label2"}, "Input file", "Fisier de criptat"},
    {{"Label3"}, "Output file", "Fisier iesire"},
    {{"btnEncInput", "btnEncOutput", "btnDecInput", "btnDecOutput", "btnTempPath"},
     "Browse...", "Deschide..."},
    {{"Label4"}, "Select a file to encrypt, output file, enter password and press \"Encrypt !\"",
     "Selecteaza fisierul de criptat, fisierul de iesire si apasa \"Cripteaza !\""},
    {{"GroupBox2", "GroupBox6"}, "  Quick options  ", "  Optiuni rapide  "},
    {{"chkEncCompress"}, "  Compress file before encrypting", "  Comprima fisierul de criptat"},
    {{"chkEncWipeInput"}, "  Wipe input file", "  Sterge fisierul de intrare"},
    {{"chkEncTestOutput"}, "  Test output file", "  Testeaza fisierul de iesire"},
    {{"chkIncludePass"}, "  Include password check (insecure)", "  Include verificare parola"},
    {{"chkIncludeCRC"}, "  Include CRC (insecure)", "  Include CRC"},
    {{"chkEncSelfExtract"}, "  Build self-decrypt output files (exe)",
     "  Creeaza fisiere auto-decriptabile (exe)"},
    {{"Label9"}, "Select a file to decrypt, output path, enter password and press \"Decrypt !\"",
     "Selecteaza fisierul de decriptat, directorul de iesire si apasa \"Decripteaza !\""},
    {{"Label10"}, "File to decrypt", "Fisier de decriptat"},
    {{"Label11"}, "Output path", "Director de iesire"},
    {{"chkDecWipeInput"}, "  Wipe input file", "  Sterge fisier intrare"},
    {{"chkDecTestOutput"}, "  Test output file", "  Testeaza fisier intrare"},
    {{"GroupBox3"}, "  Tools  ", "  Unelte  "},
    {{"GroupBox4"}, "  Algorithm  ", "  Algoritm  "},
    {{"Label1"}, "Select algorithm", "Selecteaza algoritmul"},
    {{"Label12"}, "Cipher mode", "Mod de criptare"},
    {{"GroupBox5"}, "  Program  ", "  Program  "},
    {{"Label7"}, "Language", "Limba"},
    {{"btnUpdate"}, "Check for updates", "Verifica versiuni noi"},
    {{"FlatRadioButton1"}, "System temp path", "Temp sistem"},
    {{"FlatRadioButton2"}, "Select path", "Selecteaza director"},
    {{"chkAssociate"}, "  Associate *.mvx files with Morvane",
     "  Deschide fisierele *.mvx cu Morvane"},
    {{"chkShowHint"}, "  Show hints (for beginners)", "  Arata mesaje ajutatoare (hints)"},
    {{"chk3PassWipe"}, "  3 pass wiping (more secure, slower)", "  Stergere in 3 pasi (sigura)"},
    {{"lblVersion"}, "Morvane v0.5 beta 3 ", "Morvane v0.5 beta 3"},
    {{"lblUsedMemory"}, "Used memory : 0 KBytes", "Memorie folosita : 0 KBytes"},
    {{"btnURL"}, std::string("Visit ") + ProductAddress, std::string("Vizitati ") + ProductAddress},
    {{"btnStop"}, "Stop", "Stop"},
    {{"GroupBox1"}, "  Password  ", "  Parola  "},
    {{"btnStart"}, "Encrypt !", "Cripteaza !"},
    // The About page's rights notice, credit and disclaimer.
    {{"Label5"}, "(c) The Morvane developers. Free to use, without any warranty.",
     "(c) Dezvoltatorii Morvane. Gratuit, fara nicio garantie."},
    {{"lblCoding"}, "Written by the Morvane developers", "Scris de dezvoltatorii Morvane"},
    {{"lblDisclaimer"},
     "A forgotten password cannot be recovered, and a wiped file cannot be restored. The "
     "password check and the CRC-32 stored in a container only tell a wrong password or a "
     "damaged file; they do not protect the contents. Keep copies of what matters.",
     "O parola uitata nu poate fi recuperata, iar un fisier sters nu mai poate fi refacut. "
     "Verificarea parolei si CRC-ul din container arata doar o parola gresita sau un fisier "
     "deteriorat; ele nu protejeaza continutul. Pastrati copii ale fisierelor importante."},
};

const TRow Hints[] = {
    {{"btnEncrypt"}, "Use this tab to encrypt your files.",
     "Foloseste acest tab pentru a encripta fisiere."},
    {{"btnDecrypt"}, "Use this tab to decrypt your files.",
     "Foloseste acest tab pentru a decripta fisiere."},
    {{"btnTools"}, "Some useful plug-ins added to Morvane", "Programele utile adaugate la Morvane."},
    {{"btnOptions"}, "Set some options for Morvane.", "Optiuni legate de functionarea programului."},
    {{"btnHelp"}, "Help is not present in this beta-release",
     "Ajutorul nu a fost implementat in aceasta versiune de test."},
    {{"btnAbout"}, "Stuff about Morvane, license and other things.",
     "Despre Morvane, licenta si alte lucruri."},
    {{"btnExit"}, "Leave Morvane. Have a good day !", "Iesire din Morvane. Va dorim o zi buna!"},
    {{"Image1"}, std::string("Double-click on this logo to open ") + VendorAddress,
     std::string("Dublu-click pe acest logo pentru a deschide ") + VendorAddress},
    {{"Image2"}, std::string("Double-click on this logo to open ") + ProductAddress,
     std::string("Dublu-click pe acest logo pentru a deschide ") + ProductAddress},
    {{"btnStart"}, "Start encryption/decryption !", "Porneste criptarea/decriptarea !"},
    {{"edtPassword"}, "Enter desired password in this field.",
     "Introduceti parola dorita in acest camp."},
    {{"edtAlgorithm"}, "Select what encryption algorithm to use.",
     "Selectati algoritmul de criptare dorit."},
    {{"edtCipherMode"}, "Select encryption mode. For maximal performance use cmCBC.",
     "Selectati modul de criptare dorit." + Crlf +
         "Pentru a obtine o viteza maxima de criptare folositi cmCBC."},
    {{"chkAssociate"}, "Open MVX files by using Morvane by default.",
     "Selectati aceasta optiune pentru a folosi implicit Morvane la deschiderea fisierelor MVX."},
    {{"chkShowHint"}, "Some useful hints for new users of this program.",
     "Cateva mesaje ajutatoare in lucrul cu Morvane." + Crlf +
         "Dupa ce va obisnuiti cu programul, s-ar putea sa devina deranjante si le puteti "
         "dezactiva."},
    {{"chk3PassWipe"}, "If you select this, wiped files cannot be recovered!",
     "Stergerea fisierelor se realizeaza folosind un algoritm foarte sigur." + Crlf +
         "FISIERELE STERSE NU MAI POT FI RECUPERATE!"},
};

const TRow ZeroTexts[] = {
    {{"lblElapsed"}, "Elapsed time : 0 s", "Au trecut : 0 s"},
    {{"lblRemaining"}, "Remaining time : 0 s", "Timp ramas : 0 s"},
    {{"lblSpeed"}, "Encryption speed : 0 KB/s", "Viteza de criptare : 0 KB/s"},
    {{"lblRate"}, "Compressed to : 100 %", "Compresat la : 100 %"},
};
// clang-format on

void Apply(TMainWindow& window, TVariabile& variabile, uint8_t language)
{
    const bool english = language == 0;
    variabile.CurrentLanguage = language;
    variabile.Texts = english ? EnglishTexts : RomanianTexts;
    for (const TRow& row : Captions)
        for (const char* control : row.Controls)
            window.SetText(control, english ? row.English : row.Romanian);
    for (const TRow& row : Hints)
        for (const char* control : row.Controls)
            window.SetHint(control, english ? row.English : row.Romanian);
    for (const TRow& row : ZeroTexts)
        for (const char* control : row.Controls)
            window.SetText(control, english ? row.English : row.Romanian);
}

} // namespace

void ApplyEnglishTexts(TMainWindow& window, TVariabile& variabile)
{
    Apply(window, variabile, 0);
}

void ApplyRomanianTexts(TMainWindow& window, TVariabile& variabile)
{
    Apply(window, variabile, 1);
}

std::string SettingsNotSavedText(uint8_t language, const std::string& path,
                                 const std::string& reason)
{
    // The path on a line of its own, so that it reads (and wraps) as one piece.
    return (language == 1 ? "Optiunile nu au putut fi salvate.\n"
                          : "Unable to save the options.\n") +
           path + "\n" + reason;
}

std::string HelpNotOpenedText(uint8_t language, const std::string& path)
{
    return (language == 1 ? "Niciun program nu a putut deschide fisierul help. Deschideti-l "
                            "intr-un browser:\n"
                          : "No program could open the help file. Open it in a browser:\n") +
           path;
}

void ApplyLanguage(TMainWindow& window, TVariabile& variabile, int language)
{
    if (language == 0)
        ApplyEnglishTexts(window, variabile);
    else
        ApplyRomanianTexts(window, variabile);
}

} // namespace mv::app

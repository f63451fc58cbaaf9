// TMainForm: the main window's logic. It holds every handler of the window and works only
// through the window operations (app/MainWindow.h), so the whole behaviour runs and is tested
// without a toolkit; the Qt window builds the widgets and forwards their signals here.
//
// The handlers live in files by concern: MainCreate.cpp (creation, closing, status line, Stop,
// Exit), MainNavigation.cpp, MainOptions.cpp, MainStart.cpp, MainChoosers.cpp, MainEvents.cpp
// (the events by control name), MainTools.cpp (the Tools page), MainAbout.cpp (the About page,
// help and links).
#pragma once

#include "app/JobTable.h"
#include "app/MainJobHost.h"
#include "app/MainWindow.h"
#include "app/Variabile.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mv::app {

// What the window's logic needs from outside itself, injectable so that tests never touch the
// user's home directory nor write beside the real program file.
struct TMainServices
{
    TJobTable Jobs;
    // The program file's directory: Plugins/, Help/ and a portable copy's Morvane.ini.
    std::filesystem::path ProgramDirectory;
    // The user's configuration home ($XDG_CONFIG_HOME): Morvane/Morvane.ini below it unless a
    // portable copy keeps the file beside the program (app/Settings.h). Empty: beside the program.
    std::filesystem::path ConfigHome;
    // The user's home directory ending in "/": the decryption output at start.
    std::string HomeDirectory;
    // The system's temporary directory ending in "/".
    std::function<std::string()> TempDirectory;
    // The program's version text ("0.5.1.70").
    std::function<std::string()> ProgramVersion;
    // Fills the plug-in table and lstTools and sets PluginCount (app/Plugins.h); nothing when
    // empty.
    std::function<void(TMainWindow&, TVariabile&)> LoadPlugins;
    // chkAssociate's effect: write (true) or remove (false) the file association; nothing when
    // empty. A failure to write raises a platform::Exception, which the handler shows.
    std::function<void(bool)> Associate;
    // Whether any piece of the association is there for this user; chkAssociate shows it at
    // start, whatever the settings file says. Nothing is checked when empty.
    std::function<bool()> AssociationPresent;
    // Runs when a page becomes visible, after the page's own handler (tabToolsShow,
    // tabAboutShow); nothing when empty.
    std::function<void(const std::string& page)> PageShown;
    // Asks the desktop to open an address: a web address or the file: address of a document.
    // failed, when given, runs once no program could open it (no opener, or the opener said it
    // failed), possibly later from the event loop; the web addresses pass none. Nothing is opened
    // when empty.
    std::function<void(const std::string& address, std::function<void()> failed)> OpenAddress;
    // The resident set size of the process in bytes, nothing when unknown (the About page).
    std::function<std::optional<uint64_t>()> ResidentBytes;
    // The handle a tool plug-in's dialogs take as their parent, and the toolkit it belongs to
    // (the Qt window: its QWidget* and "Qt6Widgets", plugins/MorvanePlugin.h); no parent when
    // empty.
    std::function<void*()> ParentWindowHandle;
    std::string ParentWindowToolkit;
    // Ends the program after an internal error was shown; a test passes one that throws.
    std::function<void(const std::string&)> Terminate;
};

// The real program's services: the directory of /proc/self/exe, $HOME, the XDG configuration
// home, the system's temporary directory, the compiled-in version, the engine's jobs, the plug-ins
// beside the program and in the user's data home, the file association under the user's XDG
// homes, the resident set from /proc and xdg-open for addresses (the Qt window replaces
// OpenAddress with its own and fills the parent).
TMainServices SystemServices();

// The status line: "  Morvane v0.5 beta 3 ( <version> )  -  [ 6 algorithms, 4 modes, <count>"
// with the singular ending for exactly one plug-in and the plural one otherwise.
std::string StatusLineText(const std::string& version, int pluginCount);

class TMainForm : public TWindowEvents
{
public:
    TMainForm(TMainWindow& window, TVariabile& variabile, TMainServices services);
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    // ---- Creation and closing ------------------------------------------------------------------
    // arguments: the command line after the program's name; the first is a container to decrypt.
    void FormCreate(const std::vector<std::string>& arguments);
    void FormClose();
    void btnExitClick();
    void btnStopClick();

    // ---- Navigation ----------------------------------------------------------------------------
    void btnEncryptClick();
    void btnDecryptClick();
    void btnToolsClick();
    void btnOptionsClick();
    void btnAboutClick();
    void btnStatusClick();

    // ---- Options -------------------------------------------------------------------------------
    void chkEncCompressClick();
    void chkEncWipeInputClick();
    void chkIncludePassClick();
    void chkIncludeCRCClick();
    void chkDecWipeInputClick();
    void chk3PassWipeClick();
    void chkShowHintClick();
    void chkAssociateClick();
    void FlatComboBox1Change();
    void edtCipherModeChange();
    void edtLanguageChange();

    // ---- Start ---------------------------------------------------------------------------------
    void btnStartClick();

    // ---- Choosers and the temporary directory --------------------------------------------------
    void btnEncInputClick();
    void btnEncOutputClick();
    void edtEncOutputChange();
    void chkEncSelfExtractClick();
    void btnDecInputClick();
    void btnDecOutputClick();
    void btnTempPathClick();
    void FlatRadioButton1Click();
    void FlatRadioButton2Click();

    // ---- Tools page ----------------------------------------------------------------------------
    void lstToolsClick();
    void lstToolsDblClick();
    void tabToolsShow();

    // ---- About page, help and links ------------------------------------------------------------
    void tabAboutShow();
    void btnHelpClick();
    // Also the Options page's btnUpdate.
    void btnURLClick();
    void Image2Click();
    void Image1DblClick();

    // ---- TWindowEvents -------------------------------------------------------------------------
    void OnClick(const std::string& control) override;
    void OnDoubleClick(const std::string& control) override;
    void OnChange(const std::string& control) override;
    void OnShow(const std::string& page) override;
    void OnClose() override;

    // The host the jobs talk to.
    TMainJobHost& JobHost() { return jobHost_; }
    // The outcome of the last job the Start button ran, if any.
    const std::optional<engine::TJobResult>& LastJobResult() const { return lastJobResult_; }
    // The settings file this run reads and writes, chosen once at creation.
    std::filesystem::path SettingsFile() const;

private:
    void SelectPage(int index, const std::string& title);
    // A failed check of the Start button: the message, then the focus.
    void Refuse(TText message, const char* focus);
    void RunJob(const TJobEntry& job, const std::string& input, const std::string& output);
    void StartEncryption();
    void StartDecryption();

    TMainWindow& window_;
    TVariabile& variabile_;
    TMainServices services_;
    TMainJobHost jobHost_;
    std::optional<engine::TJobResult> lastJobResult_;
    std::filesystem::path settingsFile_;
    // Set while chkAssociate is put to the association's real state, which runs no handler.
    bool showingAssociation_ = false;
};

} // namespace mv::app

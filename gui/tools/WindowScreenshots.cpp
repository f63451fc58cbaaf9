// Renders the window as a user sees it to PNG files, for looking at: every page in both
// languages, the Status page during a job, the password dialog, a message box of each kind, the
// confirmation box and the waiting window. tools/screenshots runs it.
//
//   window_screenshots <directory>
#include "app/Languages.h"
#include "app/MainForm.h"
#include "app/PasswordQuery.h"
#include "gui/QtWindow.h"
#include "gui/WaitWindow.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <functional>

namespace {

using namespace mv;

QString outputDirectory;

void Save(QWidget* widget, const QString& name)
{
    const QString path = outputDirectory + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!widget->grab().save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

// Grabs the next modal dialog once it is painted, then closes it.
void GrabModal(const QString& name)
{
    QTimer::singleShot(150, [name] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            Save(modal, name);
            modal->close();
        }
    });
}

app::TMainServices Services(const std::filesystem::path& directory)
{
    app::TMainServices services;
    services.ProgramDirectory = directory;
    services.HomeDirectory = "/home/user/";
    services.TempDirectory = [] { return std::string("/tmp/"); };
    services.ProgramVersion = [] { return std::string(MORVANE_VERSION); };
    services.LoadPlugins = [](app::TMainWindow& window, app::TVariabile& variabile) {
        variabile.PluginCount = 2;
        window.SetItems("lstTools", {"File checksum", "Password generator"});
    };
    services.ResidentBytes = [] { return std::optional<uint64_t>(24u * 1024 * 1024); };
    return services;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_screenshots <directory>\n");
        return 2;
    }
    outputDirectory = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outputDirectory);
    const std::filesystem::path settings =
        std::filesystem::temp_directory_path() / "morvane-screenshots";
    std::filesystem::create_directories(settings);

    gui::TQtWindow window;
    app::TVariabile variabile;
    app::TMainForm form(window, variabile, Services(settings));
    form.FormCreate({});
    window.show();
    window.SetText("edtEncInput", "/home/user/Documents/quarterly report 2024.odt");
    window.SetText("edtEncOutput", "/home/user/Documents/quarterly report 2024.mvx");
    window.SetText("edtDecInput", "/home/user/Documents/archive.mvx");
    window.SetText("edtPassword", "secret");
    window.SetChecked("chkIncludeCRC", true);
    window.SetChecked("chkIncludePass", true);
    window.AddItem("lstJob", "Encryption OK >> /home/user/Documents/notes.txt");
    window.AddItem("lstJob", "Decryption FAILED >> /home/user/Downloads/other.mvx");
    window.SetItemIndex("lstTools", 0);
    window.SetText("edtTools", "Computes the CRC-32, MD5 and SHA-1 checksums of a file.");
    window.SetText("edtToolsExt", "/opt/morvane/lib/morvane/Plugins/FileChecksum.so");

    const char* buttons[] = {"btnEncrypt", "btnDecrypt", "btnTools",
                             "btnOptions", "btnAbout",   "btnStatus"};
    for (int language : {0, 1}) {
        app::ApplyLanguage(window, variabile, language);
        window.SetItemIndex("edtLanguage", language);
        for (const char* button : buttons) {
            window.Click(button);
            QCoreApplication::processEvents();
            Save(&window, QStringLiteral("%1-%2").arg(language ? "ro" : "en").arg(button + 3));
        }
    }
    app::ApplyLanguage(window, variabile, 0);
    window.SetItemIndex("edtLanguage", 0);

    // The Status page in the middle of a job.
    window.Click("btnStatus");
    window.SetText("lblTask", "Task : Encrypting /home/user/Documents/quarterly report 2024.odt");
    window.SetPosition("ProgressBar1", 42);
    window.SetText("lblElapsed", "Elapsed time : 3 s");
    window.SetText("lblRemaining", "Remaining time : 4 s");
    window.SetText("lblSpeed", "Encryption speed : 118.3 MB/s");
    window.SetText("lblRate", "Compressed to : 100 %");
    window.SetEnabled("btnStop", true);
    for (const char* name : {"btnOptions", "btnHelp", "btnAbout", "btnExit", "btnEncrypt",
                             "btnDecrypt", "btnTools", "btnStart"})
        window.SetEnabled(name, false);
    QCoreApplication::processEvents();
    Save(&window, QStringLiteral("en-status-running"));

    window.ShowWaitWindow("  Calculating CRC32 for file  ",
                          "/home/user/Documents/quarterly report 2024.odt");
    QCoreApplication::processEvents();
    Save(&window.WaitWindow(), QStringLiteral("wait-window"));
    window.HideWaitWindow();

    std::string value;
    GrabModal(QStringLiteral("password-dialog"));
    app::TPasswordDialog dialog{"Confirm", "Please reenter your password : ", "", {}};
    dialog.Layout = app::PasswordDialogLayout(app::AverageCharSize(window));
    window.RunPasswordDialog(dialog);
    GrabModal(QStringLiteral("message-plain"));
    window.ShowMessage(app::TMessageKind::Plain, "Please select a file to encrypt !");
    GrabModal(QStringLiteral("message-error"));
    window.ShowMessage(app::TMessageKind::Error, "Invalid password !");
    GrabModal(QStringLiteral("message-information"));
    window.ShowMessage(app::TMessageKind::Information,
                       "Self-decrypting output files cannot be written by this version yet.");
    GrabModal(QStringLiteral("message-confirm"));
    window.Confirm("Output file already exists - Overwrite?");
    // The two messages that name a file: a settings save that failed, a manual nothing opened.
    GrabModal(QStringLiteral("message-settings-not-saved"));
    window.ShowMessage(app::TMessageKind::Error,
                       app::SettingsNotSavedText(0, "/home/user/.config/Morvane/Morvane.ini",
                                                 "No space left on device"));
    GrabModal(QStringLiteral("message-help-not-opened"));
    window.ShowMessage(app::TMessageKind::Information,
                       app::HelpNotOpenedText(1, "/usr/lib/morvane/Help/Morvane.html"));
    std::filesystem::remove_all(settings);
    return 0;
}

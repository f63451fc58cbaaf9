// The sample tools' dialogs, run through D_EXEC as the program runs them, on Qt's offscreen
// platform: the parent and language the application object names, the password generator's
// options and its copy to the clipboard, the checksum tool's figures for a chosen file.
#include "platform/DynamicLibrary.h"
#include "plugins/MorvanePlugin.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>

#include <fstream>
#include <functional>

namespace mv::test {
namespace {

namespace fs = std::filesystem;

const fs::path SamplePlugins = MORVANE_SAMPLE_PLUGIN_DIR;

QApplication& Application()
{
    static int argc = 1;
    static char name[] = "app_SampleToolDialogs_tests";
    static char* argv[] = {name, nullptr};
    // The file dialog keeps its history in the user's settings: a home of the test's own.
    static TTempDir home;
    ::setenv("HOME", home.Path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", home.Path().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication application(argc, argv);
    return application;
}

template <class T> T* Find(QWidget* dialog, const QString& text = {})
{
    for (T* widget : dialog->findChildren<T*>(Qt::FindDirectChildrenOnly)) {
        if constexpr (std::is_base_of_v<QAbstractButton, T>) {
            if (!text.isEmpty() && widget->text() != text)
                continue;
        }
        return widget;
    }
    return nullptr;
}

// Runs the tool's D_EXEC; steps run one after the other, each once the modal dialog it expects is
// on top (step returns false to be tried again after the next events). The last step closes it.
void RunTool(const char* library, unsigned char language, QWidget* parent,
             std::vector<std::function<bool(QWidget*)>> steps)
{
    platform::TDynamicLibrary tool(SamplePlugins / library);
    auto run = tool.Function<MorvaneExecFunction>("D_EXEC");
    ASSERT_NE(run, nullptr);
    size_t next = 0;
    QTimer driver;
    // A step that never comes true must fail the test, not leave the modal dialogs waiting for
    // ever: past the deadline every open dialog is closed.
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (clock.elapsed() > 20000) {
            if (modal)
                static_cast<QDialog*>(modal)->reject();
            return;
        }
        if (modal && next < steps.size() && steps[next](modal))
            ++next;
    });
    driver.start(10);
    MorvaneApplication application{sizeof(MorvaneApplication), "0.5.1.70", language, parent,
                                   MORVANE_TOOLKIT_QT6_WIDGETS};
    run(&application, language);
    EXPECT_EQ(next, steps.size()) << "every step ran before the dialog closed";
}

TEST(SampleToolDialogs, PasswordGenerator)
{
    if (MORVANE_SAMPLE_PLUGIN_COUNT == 0)
        GTEST_SKIP() << "built without Qt 6 Widgets";
    Application();
    QWidget parent;
    QString copied;
    RunTool("PasswordGenerator.so", MORVANE_LANGUAGE_ROMANIAN, &parent, {[&](QWidget* dialog) {
                EXPECT_EQ(dialog->windowTitle(), "Generator de parole");
                EXPECT_EQ(dialog->parentWidget(), &parent);
                auto* password = Find<QLineEdit>(dialog);
                EXPECT_EQ(password->text().size(), 20) << "a password at once";
                Find<QSpinBox>(dialog)->setValue(8);
                EXPECT_EQ(password->text().size(), 8);
                for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
                    box->setChecked(false);
                EXPECT_EQ(password->text(), "");
                EXPECT_FALSE(Find<QPushButton>(dialog, "Copiaza")->isEnabled());
                Find<QCheckBox>(dialog, "Cifre (0-9)")->setChecked(true);
                EXPECT_EQ(password->text().size(), 8);
                EXPECT_TRUE(password->text().contains(QRegularExpression("^[0-9]{8}$")));
                Find<QPushButton>(dialog, "Copiaza")->click();
                copied = password->text();
                EXPECT_EQ(QGuiApplication::clipboard()->text(), copied);
                Find<QPushButton>(dialog, "Inchide")->click();
                return true;
            }});
    EXPECT_EQ(copied.size(), 8);
}

TEST(SampleToolDialogs, FileChecksum)
{
    if (MORVANE_SAMPLE_PLUGIN_COUNT == 0)
        GTEST_SKIP() << "built without Qt 6 Widgets";
    Application();
    TTempDir dir;
    std::ofstream(dir / "nine.txt", std::ios::binary) << "123456789";
    const QString file = QString::fromStdString((dir / "nine.txt").string());
    RunTool("FileChecksum.so", MORVANE_LANGUAGE_ENGLISH, nullptr,
            {[&](QWidget* dialog) {
                 EXPECT_EQ(dialog->windowTitle(), "File checksums");
                 // The chooser is modal within the click; the next step answers it.
                 QTimer::singleShot(0,
                                    [dialog] { Find<QPushButton>(dialog, "Choose...")->click(); });
                 return true;
             },
             [&](QWidget* chooser) {
                 auto* fileDialog = qobject_cast<QFileDialog*>(chooser);
                 if (!fileDialog)
                     return false;
                 // Typed into the name field, as a user would: the dialog's directory listing
                 // fills in the background, and a selection made through it may not take.
                 auto* name = fileDialog->findChild<QLineEdit*>("fileNameEdit");
                 if (!name)
                     return false;
                 name->setText(file);
                 static_cast<QDialog*>(fileDialog)->accept();
                 return true;
             },
             [&](QWidget* dialog) {
                 const auto fields = dialog->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
                 if (fields.size() < 4 || fields[1]->text().isEmpty())
                     return false;
                 EXPECT_EQ(fields[0]->text(), file);
                 EXPECT_EQ(fields[1]->text(), "cbf43926");
                 EXPECT_EQ(fields[2]->text(), "f7c3bc1d808e04732adf679965ccc34ca7ae3441");
                 fields[3]->setText("CBF43926");
                 bool matched = false;
                 for (QLabel* label : dialog->findChildren<QLabel*>())
                     matched = matched || label->text() == "The value matches.";
                 EXPECT_TRUE(matched);
                 Find<QPushButton>(dialog, "Close")->click();
                 return true;
             }});
}

} // namespace
} // namespace mv::test

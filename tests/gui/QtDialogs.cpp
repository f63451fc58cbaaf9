// The dialogs of the real window: the password confirmation built from the logic's layout, the
// message boxes, the file and folder choosers, the waiting window.
#include "app/PasswordQuery.h"
#include "gui/Choosers.h"
#include "gui/WaitWindow.h"
#include "tests/gui/support/GuiFixture.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <fstream>

namespace mv::test {
namespace {

class QtDialogs : public ::testing::Test
{
protected:
    gui::TQtWindow window;
    TModalAnswers answers;
    void TearDown() override { EXPECT_EQ(answers.Pending(), 0u); }

    app::TPasswordDialog Dialog(const std::string& value = "")
    {
        // The average cell of 6 x 13 pixels: client 270 x 102, OK 57 pixels from the left.
        return {"Confirm", "Please reenter your password : ", value,
                app::PasswordDialogLayout({6, 13})};
    }
};

TEST_F(QtDialogs, PasswordDialogIsBuiltFromTheLayout)
{
    const app::TPasswordDialog dialog = Dialog("old");
    answers.Queue([&](QWidget* shown) {
        EXPECT_EQ(shown->objectName(), QStringLiteral("PasswordDialog"));
        EXPECT_EQ(shown->windowTitle(), QStringLiteral("Confirm"));
        EXPECT_EQ(shown->size(), QSize(270, 102));
        auto* ok = shown->findChild<QPushButton*>(QStringLiteral("OK"));
        auto* cancel = shown->findChild<QPushButton*>(QStringLiteral("Cancel"));
        auto* edit = shown->findChild<QLineEdit*>(QStringLiteral("Password"));
        auto* prompt = shown->findChild<QLabel*>(QStringLiteral("Prompt"));
        ASSERT_TRUE(ok && cancel && edit && prompt);
        EXPECT_EQ(ok->geometry(), QRect(57, 67, 75, 23));
        EXPECT_EQ(cancel->geometry(), QRect(138, 67, 75, 23));
        EXPECT_EQ(edit->geometry().topLeft(), QPoint(12, 31));
        EXPECT_EQ(edit->width(), 246);
        EXPECT_EQ(prompt->pos(), QPoint(12, 13));
        EXPECT_EQ(prompt->text(), QStringLiteral("Please reenter your password : "));
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        EXPECT_EQ(edit->maxLength(), 255);
        EXPECT_EQ(edit->selectedText(), QStringLiteral("old")) << "the value, all selected";
        EXPECT_TRUE(ok->isDefault());
        QTest::keyClicks(edit, QStringLiteral("new"));
        QTest::keyClick(edit, Qt::Key_Enter);
    });
    EXPECT_EQ(window.RunPasswordDialog(dialog), std::optional<std::string>("new"));
}

TEST_F(QtDialogs, PasswordDialogAnswers)
{
    struct TCase
    {
        const char* What;
        std::function<void(QWidget*)> Act;
        std::optional<std::string> Expected;
    };
    auto edit = [](QWidget* dialog) { return dialog->findChild<QLineEdit*>("Password"); };
    const TCase cases[] = {
        {"Enter",
         [&](QWidget* d) {
             QTest::keyClicks(edit(d), "abc");
             QTest::keyClick(edit(d), Qt::Key_Return);
         },
         "abc"},
        {"OK, empty", [](QWidget* d) { d->findChild<QPushButton*>("OK")->click(); }, ""},
        {"Escape",
         [&](QWidget* d) {
             QTest::keyClicks(edit(d), "abc");
             QTest::keyClick(edit(d), Qt::Key_Escape);
         },
         std::nullopt},
        {"Cancel", [](QWidget* d) { d->findChild<QPushButton*>("Cancel")->click(); }, std::nullopt},
        {"closed", [](QWidget* d) { d->close(); }, std::nullopt},
        {"300 typed",
         [&](QWidget* d) {
             QTest::keyClicks(edit(d), QString(300, 'x'));
             QTest::keyClick(edit(d), Qt::Key_Return);
         },
         std::string(255, 'x')},
    };
    for (const TCase& c : cases) {
        answers.Queue(c.Act);
        EXPECT_EQ(window.RunPasswordDialog(Dialog()), c.Expected) << c.What;
    }
    // Through the logic's query: the cell is measured in the window's font.
    const app::TCharSize cell = app::AverageCharSize(window);
    EXPECT_GT(cell.X, 0);
    EXPECT_EQ(cell.Y, QFontMetrics(window.font()).height());
    std::string value = "kept";
    answers.CancelDialog();
    EXPECT_FALSE(app::PasswordQuery(window, "Confirm", "Prompt", value));
    EXPECT_EQ(value, "kept");
}

TEST_F(QtDialogs, MessageBoxesOfEachKindAreTitledMorvane)
{
    const std::pair<engine::TMessageKind, QMessageBox::Icon> kinds[] = {
        {engine::TMessageKind::Error, QMessageBox::Critical},
        {engine::TMessageKind::Information, QMessageBox::Information},
        {engine::TMessageKind::Plain, QMessageBox::NoIcon},
    };
    for (const auto& [kind, icon] : kinds) {
        answers.Queue([icon = icon](QWidget* shown) {
            auto* box = qobject_cast<QMessageBox*>(shown);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->icon(), icon);
            EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
            EXPECT_EQ(box->textFormat(), Qt::PlainText);
            box->button(QMessageBox::Ok)->click();
        });
        window.ShowMessage(kind, "<b>text</b>");
    }
    ASSERT_EQ(answers.Boxes.size(), 3u);
    for (const auto& [title, text] : answers.Boxes) {
        EXPECT_EQ(title, "Morvane");
        EXPECT_EQ(text, "<b>text</b>");
    }
}

TEST_F(QtDialogs, ConfirmationAnswers)
{
    const std::pair<QMessageBox::StandardButton, engine::TAnswer> cases[] = {
        {QMessageBox::Yes, engine::TAnswer::Yes},
        {QMessageBox::No, engine::TAnswer::No},
        {QMessageBox::Cancel, engine::TAnswer::Cancel},
    };
    for (const auto& [button, answer] : cases) {
        answers.Queue([button = button](QWidget* shown) {
            qobject_cast<QMessageBox*>(shown)->button(button)->click();
        });
        EXPECT_EQ(window.Confirm("Overwrite?"), answer);
    }
    answers.Queue([](QWidget* shown) { QTest::keyClick(shown, Qt::Key_Escape); });
    EXPECT_EQ(window.Confirm("Overwrite?"), engine::TAnswer::Cancel);
    EXPECT_EQ(answers.Boxes.back(), (std::pair<std::string, std::string>{"Morvane", "Overwrite?"}));
}

TEST(QtChoosers, FiltersShowAsWrittenAndFindEveryFile)
{
    const std::pair<const char*, QStringList> cases[] = {
        {"All files (*.*)|*.*|Text files (*.txt)|*.TXT|Programs (*.exe)|*.EXE",
         {"All files (*.*) (*)", "Text files (*.txt) (*.txt *.TXT)",
          "Programs (*.exe) (*.exe *.EXE)"}},
        {"Morvane files (*.mvx)|*.MVX|All files (*.*)|*.*",
         {"Morvane files (*.mvx) (*.mvx *.MVX)", "All files (*.*) (*)"}},
        {"", {}},
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_EQ(gui::NameFilters(filter), expected) << filter;
}

TEST(QtChoosers, FolderPathsCarryNoClosingSeparatorButTheRoot)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/home/u/out", "/home/u/out"}, {"/home/u/out/", "/home/u/out"}, {"/", "/"}};
    for (const auto& [chosen, expected] : cases)
        EXPECT_EQ(gui::FolderPath(chosen), expected) << chosen;
}

TEST_F(QtDialogs, ChoosersRunWithTheirFiltersAndPrompts)
{
    TTempDir directory;
    const std::string file = (directory / "a.txt").string();
    std::ofstream(file) << "a";
    answers.Queue([&](QWidget* shown) {
        auto* dialog = qobject_cast<QFileDialog*>(shown);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        // The user sees the descriptions as written, the first one selected.
        EXPECT_EQ(dialog->selectedNameFilter().toStdString(), "All files (*.*)");
        EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
        dialog->selectFile(QString::fromStdString(file));
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
    });
    EXPECT_EQ(window.OpenFileDialog("All files (*.*)|*.*|Text files (*.txt)|*.TXT"), file);

    answers.Queue([](QWidget* shown) {
        auto* dialog = qobject_cast<QFileDialog*>(shown);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_TRUE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(window.SaveFileDialog("Morvane files (*.mvx)|*.MVX"), std::nullopt);

    answers.Queue([&](QWidget* shown) {
        auto* dialog = qobject_cast<QFileDialog*>(shown);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Please select output path..."));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
        dialog->setDirectory(QString::fromStdString(directory.Path().string()));
        dialog->selectFile(QString::fromStdString(directory.Path().string()));
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
    });
    EXPECT_EQ(window.BrowseFolder("Please select output path..."), directory.Path().string());
}

TEST_F(QtDialogs, WaitingWindowNamesTheFile)
{
    gui::TWaitWindow& wait = window.WaitWindow();
    EXPECT_FALSE(wait.isVisible()) << "created hidden";
    window.ShowWaitWindow("  Calculating CRC32 for file  ", "/data/a file.bin");
    EXPECT_TRUE(wait.isVisible());
    EXPECT_FALSE(wait.isModal());
    EXPECT_EQ(wait.windowTitle(), QStringLiteral("Please wait..."));
    EXPECT_EQ(wait.size(), QSize(575, 58));
    EXPECT_EQ(wait.Caption(), QStringLiteral("  Calculating CRC32 for file  "));
    EXPECT_EQ(wait.FileName(), QStringLiteral("/data/a file.bin"));
    window.HideWaitWindow();
    EXPECT_FALSE(wait.isVisible());
}

} // namespace
} // namespace mv::test

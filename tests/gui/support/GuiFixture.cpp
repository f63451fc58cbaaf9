#include "tests/gui/support/GuiFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTest>

namespace mv::test {

TModalAnswers::TModalAnswers()
{
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
}

TModalAnswers::~TModalAnswers()
{
    timer_.stop();
}

void TModalAnswers::Queue(std::function<void(QWidget*)> action)
{
    actions_.push_back(std::move(action));
}

void TModalAnswers::Poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    // A dialog answered once is closing; the next one is a new object.
    if (!modal || modal->property("mvAnswered").toBool())
        return;
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (actions_.empty()) {
        // A box nobody expected fails the test instead of leaving it waiting forever.
        if (box) {
            modal->setProperty("mvAnswered", true);
            ADD_FAILURE() << "unexpected message box: " << box->text().toStdString();
            box->done(QMessageBox::Cancel);
        }
        return;
    }
    modal->setProperty("mvAnswered", true);
    if (box)
        Boxes.emplace_back(box->windowTitle().toStdString(), box->text().toStdString());
    std::function<void(QWidget*)> action = std::move(actions_.front());
    actions_.pop_front();
    action(modal);
}

void TModalAnswers::AcceptPassword(const std::string& text)
{
    Queue([text](QWidget* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("Password"));
        ASSERT_NE(edit, nullptr) << "not the password dialog";
        QTest::keyClicks(edit, QString::fromStdString(text));
        QTest::keyClick(edit, Qt::Key_Return);
    });
}

void TModalAnswers::CancelDialog()
{
    Queue([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
}

void TModalAnswers::PressOk()
{
    Queue([](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr) << "not a message box";
        box->button(QMessageBox::Ok)->click();
    });
}

void TModalAnswers::ChooseFile(const std::string& path)
{
    Queue([path](QWidget* dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(chooser, nullptr) << "not a file dialog";
        chooser->selectFile(QString::fromStdString(path));
        // accept() is the dialog's protected slot: as the dialog's own OK button calls it.
        QMetaObject::invokeMethod(chooser, "accept", Qt::DirectConnection);
    });
}

app::TMainServices TGuiFixture::Services(bool realJobs)
{
    app::TMainServices services;
    if (realJobs) {
        services.Jobs = app::DefaultJobTable();
    } else {
        auto recorder = [this](const char* name) {
            return [this, name](engine::TJobHost&, const engine::TJobOptions&,
                                const std::filesystem::path&, const std::filesystem::path&) {
                jobsRun.push_back(name);
                return engine::TJobResult{};
            };
        };
        services.Jobs.EncryptFile = recorder("EncryptFile");
        services.Jobs.EncryptCompressedFile = recorder("EncryptCompressedFile");
        services.Jobs.EncryptToSelfExtractor = recorder("EncryptToSelfExtractor");
        services.Jobs.EncryptCompressedToSelfExtractor =
            recorder("EncryptCompressedToSelfExtractor");
        services.Jobs.DecryptFile = recorder("DecryptFile");
    }
    services.ProgramDirectory = programDir.Path();
    services.HomeDirectory = Home();
    services.TempDirectory = [this] { return workDir.Path().string() + "/"; };
    services.ProgramVersion = [] { return std::string("0.5.1.70"); };
    services.Terminate = [](const std::string& text) { throw std::runtime_error(text); };
    return services;
}

void TGuiFixture::Create(bool realJobs, const std::vector<std::string>& arguments)
{
    form = std::make_unique<app::TMainForm>(*window, variabile, Services(realJobs));
    form->FormCreate(arguments);
    window->show();
    QCoreApplication::processEvents();
}

void TGuiFixture::TearDown()
{
    form.reset();
    window.reset();
    EXPECT_EQ(answers.Pending(), 0u) << "a dialog the test expected did not open";
}

void TGuiFixture::MouseClick(const std::string& control)
{
    QWidget* widget = W(control);
    ASSERT_NE(widget, nullptr) << control;
    // A check box or radio button takes the click on its indicator and caption, at its left.
    const bool box = qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget);
    const QPoint at = box ? QPoint(6, widget->height() / 2) : widget->rect().center();
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
}

void TGuiFixture::Type(const std::string& control, const std::string& text)
{
    QWidget* widget = W(control);
    ASSERT_NE(widget, nullptr) << control;
    QTest::keyClicks(widget, QString::fromStdString(text));
}

} // namespace mv::test

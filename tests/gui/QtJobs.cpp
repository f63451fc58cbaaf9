// Whole jobs through the real widgets: the user's clicks and keys, the modal dialogs answered from
// a timer while they run, the engine's jobs behind the Start button; Stop pressed while a long
// job runs; files dropped on the window.
#include "app/MainJobHost.h"
#include "gui/WaitWindow.h"
#include "tests/gui/support/GuiFixture.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <fstream>
#include <random>

namespace mv::test {
namespace {

std::string Bytes(size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random() & 0xFF);
    return bytes;
}

void Write(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class QtJobs : public TGuiFixture
{
protected:
    std::string LastJobLine() const
    {
        const std::vector<std::string> lines = window->Items("lstJob");
        return lines.empty() ? std::string() : lines.back();
    }
    // True when the window accepted the drag.
    bool Drop(const std::filesystem::path& path)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path.string()))});
        // As a drag arrives: it enters the window first, then drops.
        QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(window.get(), &enter);
        QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(window.get(), &drop);
        return enter.isAccepted();
    }
};

TEST_F(QtJobs, EncryptsAndDecryptsThroughTheWidgets)
{
    Create(true);
    const std::filesystem::path plain = workDir / "report.txt";
    const std::string content = Bytes(300000, 1) + "the end";
    Write(plain, content);

    answers.ChooseFile(plain.string());
    MouseClick("btnEncInput");
    const std::string container = (workDir / "report.mvx").string();
    EXPECT_EQ(window->Text("edtEncOutput"), container);
    MouseClick("chkIncludeCRC");
    MouseClick("chkIncludePass");
    ASSERT_TRUE(variabile.IncludeCRC && variabile.IncludePass);
    Type("edtPassword", "correct horse");
    answers.AcceptPassword("correct horse");
    MouseClick("btnStart");

    EXPECT_EQ(LastJobLine(), "Encryption OK >> " + plain.string());
    ASSERT_TRUE(std::filesystem::exists(container));
    EXPECT_EQ(window->PageIndex(), app::PageStatus);
    EXPECT_FALSE(window->Enabled("btnStart"));
    EXPECT_TRUE(window->Enabled("btnEncrypt")) << "navigation back after the job";
    EXPECT_FALSE(window->WaitWindow().isVisible());
    EXPECT_TRUE(window->isEnabled()) << "enabled again after the CRC-32 pass";

    std::filesystem::remove(plain);
    MouseClick("btnDecrypt");
    answers.ChooseFile(container);
    MouseClick("btnDecInput");
    EXPECT_EQ(window->Text("edtDecOutput"), workDir.Path().string() + "/");
    EXPECT_EQ(window->Text("edtPassword"), "") << "the job gave the password up";
    Type("edtPassword", "correct horse");
    MouseClick("btnStart"); // no second password when decrypting
    EXPECT_EQ(LastJobLine(), "Decryption OK >> " + container);
    EXPECT_TRUE(Read(plain) == content) << "the restored file differs";
    EXPECT_TRUE(answers.Boxes.empty());
}

TEST_F(QtJobs, AnUnconfirmedDecryptionKeepsTheContainerAndSaysWhy)
{
    // The first-run options: neither check value nor CRC-32, so a mistyped password cannot be
    // told from the right one, and the container is all that is left of the file.
    Create(true);
    const std::filesystem::path plain = workDir / "notes.txt";
    const std::string content = Bytes(5000, 3);
    Write(plain, content);
    answers.ChooseFile(plain.string());
    MouseClick("btnEncInput");
    Type("edtPassword", "right");
    answers.AcceptPassword("right");
    MouseClick("btnStart");
    const std::filesystem::path container = workDir / "notes.mvx";
    ASSERT_TRUE(std::filesystem::exists(container)) << LastJobLine();
    std::filesystem::remove(plain);

    MouseClick("btnDecrypt");
    answers.ChooseFile(container.string());
    MouseClick("btnDecInput");
    MouseClick("chkDecWipeInput");
    Type("edtPassword", "wrnog");
    answers.PressOk();
    MouseClick("btnStart");
    EXPECT_TRUE(std::filesystem::exists(container)) << "the container was wiped";
    ASSERT_EQ(answers.Boxes.size(), 1u);
    EXPECT_EQ(answers.Boxes[0].first, "Morvane");
    EXPECT_NE(answers.Boxes[0].second.find("could not be confirmed"), std::string::npos)
        << answers.Boxes[0].second;
    EXPECT_NE(answers.Boxes[0].second.find(container.string()), std::string::npos);
}

TEST_F(QtJobs, AMistypedConfirmationIsRefusedWithAMessage)
{
    Create(true);
    const std::filesystem::path plain = workDir / "a.txt";
    Write(plain, "abc");
    answers.ChooseFile(plain.string());
    MouseClick("btnEncInput");
    Type("edtPassword", "one");
    answers.AcceptPassword("two");
    answers.PressOk();
    MouseClick("btnStart");
    ASSERT_EQ(answers.Boxes.size(), 1u);
    EXPECT_EQ(answers.Boxes[0],
              (std::pair<std::string, std::string>{"Morvane", "Password retyped incorectly !"}));
    EXPECT_FALSE(std::filesystem::exists(workDir / "a.mvx"));
    EXPECT_TRUE(window->Items("lstJob").empty());
}

TEST_F(QtJobs, StopPressedDuringALongJobEndsIt)
{
    Create(true);
    const std::filesystem::path big = workDir / "big.bin";
    Write(big, Bytes(24u << 20, 2));
    answers.ChooseFile(big.string());
    MouseClick("btnEncInput");
    Type("edtPassword", "pw");
    answers.AcceptPassword("pw");

    // Runs from the job's own event processing, as a user's clicks would arrive.
    bool pressed = false;
    bool navigationLocked = false;
    int progressAtStop = 0;
    QTimer user;
    user.setInterval(0);
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (pressed || !window->Enabled("btnStop") || window->Position("ProgressBar1") < 5)
            return;
        navigationLocked = !window->Enabled("btnEncrypt") && !window->Enabled("btnExit");
        progressAtStop = window->Position("ProgressBar1");
        window->close(); // the window manager's close while the job runs: ignored
        MouseClick("btnStop");
        pressed = true;
    });
    user.start();
    MouseClick("btnStart");
    user.stop();

    ASSERT_TRUE(pressed) << "the job ended before Stop could be pressed";
    EXPECT_TRUE(navigationLocked);
    EXPECT_LT(progressAtStop, 100);
    EXPECT_EQ(LastJobLine(), "Encryption STOPPED >> " + big.string());
    EXPECT_FALSE(std::filesystem::exists(workDir / "big.mvx"));
    EXPECT_FALSE(window->Enabled("btnStop"));
    EXPECT_TRUE(window->Enabled("btnEncrypt"));
    EXPECT_EQ(window->Position("ProgressBar1"), 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible()) << "the close request during the job was ignored";
}

TEST_F(QtJobs, DroppedFilesSetTheInputsAsBrowseWould)
{
    Create();
    const std::filesystem::path plain = workDir / "notes.txt";
    const std::filesystem::path container = workDir / "archive.mvx";
    Write(plain, "x");
    Write(container, "y");
    MouseClick("btnOptions");

    EXPECT_TRUE(Drop(plain));
    EXPECT_EQ(window->PageIndex(), app::PageEncrypt);
    EXPECT_EQ(window->Text("edtEncInput"), plain.string());
    EXPECT_EQ(window->Hint("edtEncInput"), plain.string());
    EXPECT_EQ(window->Text("edtEncOutput"), (workDir / "notes.mvx").string());
    EXPECT_EQ(variabile.EncInputFile, plain.string());
    EXPECT_EQ(variabile.EncOutputFile, (workDir / "notes.mvx").string());

    EXPECT_TRUE(Drop(container));
    EXPECT_EQ(window->PageIndex(), app::PageDecrypt);
    EXPECT_EQ(window->Text("btnStart"), "Decrypt !");
    EXPECT_EQ(window->Text("edtDecInput"), container.string());
    EXPECT_EQ(window->Text("edtDecOutput"), workDir.Path().string() + "/");
    EXPECT_EQ(variabile.DecInputFile, container.string());
    EXPECT_EQ(variabile.DecOutputPath, workDir.Path().string() + "/");

    // While a job runs the navigation is locked, and a drop lands nowhere.
    app::SetControlsEnabled(*window, false);
    EXPECT_FALSE(Drop(workDir / "other.txt")) << "the drag is refused";
    EXPECT_FALSE(window->DropFile((workDir / "other.txt").string()));
    EXPECT_EQ(window->Text("edtEncInput"), plain.string());
    EXPECT_EQ(window->PageIndex(), app::PageDecrypt);
}

} // namespace
} // namespace mv::test

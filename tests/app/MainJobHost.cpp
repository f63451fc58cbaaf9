// The job host on the main window: what each display operation does to the window.
#include "tests/support/AppFixture.h"

#include "app/MainControls.h"
#include "app/MainJobHost.h"

namespace mv::test {
namespace {

using engine::TFocus;
using engine::TMessageKind;

const char* const NavigationButtons[] = {"btnOptions", "btnHelp",    "btnAbout", "btnExit",
                                         "btnEncrypt", "btnDecrypt", "btnTools"};

class JobHost : public TAppFixture
{
protected:
    void SetUp() override { Create(); }
    app::TMainJobHost& Host() { return form->JobHost(); }

    void ExpectNavigation(bool enabled)
    {
        for (const char* button : NavigationButtons)
            EXPECT_EQ(window.Enabled(button), enabled) << button;
    }
};

TEST_F(JobHost, SetControlsEnabledTouchesTheSevenButtonsOnly)
{
    app::SetControlsEnabled(window, false);
    ExpectNavigation(false);
    for (const char* other : {"btnStart", "btnStatus", "edtEncInput", "edtPassword",
                              "chkIncludeCRC", "btnEncInput", "edtAlgorithm"})
        EXPECT_TRUE(window.Enabled(other)) << other;
    app::SetControlsEnabled(window, true);
    ExpectNavigation(true);
}

TEST_F(JobHost, BeginDisplayShowsTheStatusPageAsAClickOnStatus)
{
    Host().BeginDisplay("Task : Encrypting /d/a.txt");
    ExpectNavigation(false);
    EXPECT_EQ(window.PageIndex(), app::PageStatus);
    EXPECT_EQ(window.Text("lblTopCaption"), "Status");
    EXPECT_FALSE(window.Enabled("btnStart"));
    EXPECT_TRUE(window.Enabled("btnStatus"));
    EXPECT_EQ(window.Text("lblTask"), "Task : Encrypting /d/a.txt");
    EXPECT_FALSE(window.Enabled("btnStop")) << "Stop waits for the loop";
}

TEST_F(JobHost, LoopAndUpdatesFillTheStatusPage)
{
    Host().BeginDisplay("Task : Encrypting /d/a.txt");
    Host().BeginLoop("Compressed to : 100 %");
    EXPECT_TRUE(window.Enabled("btnStop"));
    EXPECT_TRUE(window.Reachable("btnStop"));
    EXPECT_EQ(window.Text("lblRate"), "Compressed to : 100 %");

    engine::TStatusUpdate status;
    status.Progress = 42;
    status.ElapsedText = "Elapsed time : 3 s";
    status.RemainingText = "Remaining time : 4 s";
    status.SpeedText = "Encryption speed : 12.3 MB/s";
    Host().UpdateStatus(status);
    EXPECT_EQ(window.Position("ProgressBar1"), 42);
    EXPECT_EQ(window.Text("lblElapsed"), "Elapsed time : 3 s");
    EXPECT_EQ(window.Text("lblRemaining"), "Remaining time : 4 s");
    EXPECT_EQ(window.Text("lblSpeed"), "Encryption speed : 12.3 MB/s");
    EXPECT_EQ(window.Text("lblRate"), "Compressed to : 100 %") << "an empty rate leaves it";
    status.RateText = "Compressed to : 25 %";
    Host().UpdateStatus(status);
    EXPECT_EQ(window.Text("lblRate"), "Compressed to : 25 %");
    Host().EndLoop();
    EXPECT_FALSE(window.Enabled("btnStop"));
}

TEST_F(JobHost, EndDisplaysAddTheirLinesNewestLast)
{
    struct
    {
        const char* Kind;
        std::string Line;
        bool FocusList;
    } const ends[] = {
        {"finished", "Encryption OK >> /d/a", false},
        {"stopped", "Decryption STOPPED >> /d/b.mvx", false},
        {"refused", "Decryption FAILED >> /d/c.mvx", false},
        {"finished", "Decryption OK >> /d/d.mvx", true},
    };
    std::vector<std::string> lines;
    for (const auto& end : ends) {
        Host().BeginDisplay("Task : Decrypting x");
        Host().BeginLoop("");
        engine::TStatusUpdate status;
        status.Progress = 70;
        status.ElapsedText = "Elapsed time : 9 s";
        Host().UpdateStatus(status);
        window.SetFocus("btnStart");
        const std::string kind = end.Kind;
        if (kind == "finished") {
            Host().EndLoop();
            Host().FinishedDisplay(end.Line, end.FocusList);
        } else if (kind == "stopped") {
            Host().StoppedDisplay(end.Line);
        } else {
            Host().RefusedDisplay(end.Line);
        }
        lines.push_back(end.Line);
        EXPECT_EQ(window.Items("lstJob"), lines) << end.Kind;
        EXPECT_EQ(window.Text("lblTask"), "Task : Nothing to do") << end.Kind;
        EXPECT_EQ(window.Position("ProgressBar1"), 0) << end.Kind;
        EXPECT_EQ(window.Text("lblElapsed"), "Elapsed time : 9 s") << "figures stay";
        EXPECT_FALSE(window.Enabled("btnStop")) << end.Kind;
        ExpectNavigation(true);
        EXPECT_EQ(window.PageIndex(), app::PageStatus) << "the Status page stays";
        EXPECT_FALSE(window.Enabled("btnStart"));
        EXPECT_EQ(window.FocusedControl(), end.FocusList ? "lstJob" : "btnStart") << end.Kind;
        if (kind == "finished") {
            EXPECT_EQ(window.ItemIndex("lstJob"), static_cast<int>(lines.size()) - 1);
        }
    }
}

TEST_F(JobHost, MessagesKeepTheirKindAndMoveTheFocus)
{
    const struct
    {
        TMessageKind Kind;
        TFocus Focus;
        const char* Control;
    } cases[] = {{TMessageKind::Error, TFocus::EncInput, "edtEncInput"},
                 {TMessageKind::Information, TFocus::EncOutput, "edtEncOutput"},
                 {TMessageKind::Plain, TFocus::DecInput, "edtDecInput"},
                 {TMessageKind::Error, TFocus::DecOutput, "edtDecOutput"},
                 {TMessageKind::Error, TFocus::None, "btnHelp"}};
    for (const auto& c : cases) {
        window.ClearMessages();
        window.SetFocus("btnHelp");
        Host().ShowMessage(c.Kind, "text", c.Focus);
        ASSERT_EQ(window.Messages().size(), 1u);
        EXPECT_EQ(window.Messages()[0].Kind, c.Kind);
        EXPECT_EQ(window.FocusedControl(), c.Control);
    }
    window.QueueConfirm(engine::TAnswer::Cancel);
    EXPECT_EQ(Host().Confirm("Output file already exists - Overwrite?"), engine::TAnswer::Cancel);
    EXPECT_EQ(window.Confirmations().back(), "Output file already exists - Overwrite?");
}

TEST_F(JobHost, WaitingWindowDisablesTheMainWindow)
{
    Host().BeginWait("  Calculating CRC32 for file  ", "/d/a.txt");
    EXPECT_FALSE(window.WindowEnabled());
    EXPECT_TRUE(window.WaitWindowShown());
    EXPECT_EQ(window.WaitCaption(), "  Calculating CRC32 for file  ");
    EXPECT_EQ(window.WaitFileName(), "/d/a.txt");
    EXPECT_FALSE(window.UserClick("btnStop"));
    Host().EndWait();
    EXPECT_TRUE(window.WindowEnabled());
    EXPECT_FALSE(window.WaitWindowShown());
}

TEST_F(JobHost, StopReachesTheJobThroughMessageProcessing)
{
    Host().BeginDisplay("Task : Encrypting /d/a");
    Host().ClearStopRequest();
    Host().BeginLoop("");
    window.OnProcessMessages([this](int round) {
        if (round == 3)
            window.UserClick("btnStop");
    });
    int steps = 0;
    while (!Host().StopRequested() && steps < 10) {
        ++steps;
        Host().ProcessMessages();
    }
    EXPECT_EQ(steps, 3);
    EXPECT_TRUE(variabile.StopRequested);
    Host().ClearStopRequest();
    EXPECT_FALSE(variabile.StopRequested);
}

TEST_F(JobHost, PasswordFieldAndTexts)
{
    window.UserType("edtPassword", "s3cret");
    EXPECT_EQ(Host().Password(), "s3cret");
    Host().ClearPassword();
    EXPECT_EQ(window.Text("edtPassword"), "");
    EXPECT_EQ(Host().Texts().OverwriteQuestion, "Output file already exists - Overwrite?");
    EXPECT_EQ(Host().Texts().ElapsedTime, "Elapsed time : ");
}

// The test's texts follow the language like the others: a switch reaches the next message.
TEST_F(JobHost, TestTextsFollowTheLanguage)
{
    struct TCase
    {
        int Language;
        const char* Speed;
        const char* FailedStart;
        const char* KeptEnd;
    };
    const TCase cases[] = {
        {0, "Testing speed : ", "Test of the output file FAILED: ",
         " The container was kept (not wiped): "},
        {1, "Viteza de testare : ", "Testul fisierului de iesire a ESUAT: ",
         " Containerul a fost pastrat (nu a fost sters): "},
    };
    for (const TCase& c : cases) {
        window.UserClick("btnOptions");
        window.UserSelect("edtLanguage", c.Language);
        const engine::TJobTexts& texts = Host().Texts();
        EXPECT_EQ(texts.TestingSpeed, c.Speed);
        EXPECT_EQ(texts.TestFailed.rfind(c.FailedStart, 0), 0u) << texts.TestFailed;
        const std::string kept = c.KeptEnd;
        ASSERT_GT(texts.NotConfirmedKept.size(), kept.size());
        EXPECT_EQ(texts.NotConfirmedKept.substr(texts.NotConfirmedKept.size() - kept.size()), kept);
        EXPECT_EQ(texts.NotConfirmedKept.rfind(variabile.Text(app::TText::MsgNotConfirmed), 0), 0u);
    }
}

TEST_F(JobHost, InternalErrorShowsItsMessageThenEnds)
{
    EXPECT_THROW(Host().InternalError("Internal error : Invalid ciphermode !"), ETerminated);
    ASSERT_EQ(window.Messages().size(), 1u);
    EXPECT_EQ(window.Messages()[0].Kind, TMessageKind::Error);
    EXPECT_EQ(window.Messages()[0].Text, "Internal error : Invalid ciphermode !");
}

} // namespace
} // namespace mv::test

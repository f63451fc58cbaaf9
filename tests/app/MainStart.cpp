// The Start button: its checks in their fixed order, the message and focus of each, the password
// confirmation, and the dispatch to the five jobs.
#include "tests/support/AppFixture.h"

#include "app/JobTable.h"

#include <optional>

namespace mv::test {
namespace {

using app::THeadlessWindow;
using engine::TMessageKind;

struct TStartCase
{
    const char* Name;
    int Page; // 0 Encrypt, 1 Decrypt
    std::string Input;
    std::string Output;
    std::string Password;
    std::optional<std::string> Retyped; // the confirmation's answer; nothing is Cancel
    bool Asks;                          // the confirmation dialog is shown
    const char* Message;                // the one message shown, nullptr for none
    const char* Focus;                  // where the focus goes after it
    const char* Job;                    // the job run, nullptr for none
};

class StartButton : public TAppFixture, public ::testing::WithParamInterface<TStartCase>
{
};

// Fills the page's two fields the way the choosers and the command line keep them: the text and
// the global together.
void FillPage(THeadlessWindow& window, app::TVariabile& variabile, const TStartCase& c)
{
    if (c.Page == 0) {
        window.SetText("edtEncInput", c.Input);
        variabile.EncInputFile = c.Input;
        window.SetText("edtEncOutput", c.Output); // runs edtEncOutputChange
    } else {
        window.SetText("edtDecInput", c.Input);
        variabile.DecInputFile = c.Input;
        window.SetText("edtDecOutput", c.Output);
        variabile.DecOutputPath = c.Output;
    }
}

TEST_P(StartButton, ChecksInOrderThenDispatches)
{
    const TStartCase& c = GetParam();
    Create();
    ASSERT_TRUE(window.UserClick(c.Page == 0 ? "btnEncrypt" : "btnDecrypt"));
    FillPage(window, variabile, c);
    window.UserType("edtPassword", c.Password);
    window.QueuePasswordAnswer(c.Retyped);
    window.SetFocus("btnStart");

    ASSERT_TRUE(window.UserClick("btnStart"));

    if (c.Message) {
        ASSERT_EQ(window.Messages().size(), 1u);
        EXPECT_EQ(window.Messages()[0].Text, c.Message);
        EXPECT_EQ(window.Messages()[0].Kind, TMessageKind::Plain);
    } else {
        EXPECT_TRUE(window.Messages().empty()) << window.Messages()[0].Text;
    }
    EXPECT_EQ(window.FocusedControl(), c.Focus);
    if (c.Job) {
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].Job, c.Job);
        EXPECT_EQ(calls[0].Input, c.Input);
        EXPECT_EQ(calls[0].Output, c.Output);
    } else {
        EXPECT_TRUE(calls.empty());
    }
    EXPECT_EQ(window.PasswordDialogs().size(), c.Asks ? 1u : 0u);
}

// clang-format off
const TStartCase StartCases[] = {
    // Encryption branch.
    {"EveryFieldEmptyShowsOnlyTheFirst", 0, "", "", "", "x", false,
     "Please select a file to encrypt !", "edtEncInput", nullptr},
    {"NoInput", 0, "", "/o/a.mvx", "pw", "pw", false,
     "Please select a file to encrypt !", "edtEncInput", nullptr},
    {"NoOutput", 0, "/i/a.txt", "", "pw", "pw", false,
     "Please select output file !", "edtEncOutput", nullptr},
    {"SameInputOutput", 0, "/d/a.mvx", "/d/a.mvx", "pw", "pw", false,
     "Input and output must not be the same !", "edtEncOutput", nullptr},
    {"SameBeforeNoPassword", 0, "/d/a", "/d/a", "", "pw", false,
     "Input and output must not be the same !", "edtEncOutput", nullptr},
    {"CaseDifferentPathsAccepted", 0, "/d/a.txt", "/d/A.TXT", "pw", "pw", true,
     nullptr, "btnStart", "EncryptFile"},
    {"NoPassword", 0, "/d/a.txt", "/d/a.mvx", "", "pw", false,
     "Please enter password !", "edtPassword", nullptr},
    {"CancelShowsNothing", 0, "/d/a.txt", "/d/a.mvx", "pw", std::nullopt, true,
     nullptr, "btnStart", nullptr},
    {"Mismatch", 0, "/d/a.txt", "/d/a.mvx", "pw", "pW", true,
     "Password retyped incorectly !", "edtPassword", nullptr},
    {"EmptyConfirmationIsAMismatch", 0, "/d/a.txt", "/d/a.mvx", "pw", "", true,
     "Password retyped incorectly !", "edtPassword", nullptr},
    {"Encrypts", 0, "/d/a.txt", "/d/a.mvx", "secret", "secret", true,
     nullptr, "btnStart", "EncryptFile"},
    // Decryption branch.
    {"DecEveryFieldEmpty", 1, "", "", "", std::nullopt, false,
     "Please select a file to decrypt !", "edtDecInput", nullptr},
    {"DecNoOutput", 1, "/d/a.mvx", "", "pw", std::nullopt, false,
     "Please select output path !", "edtDecOutput", nullptr},
    {"DecNoPassword", 1, "/d/a.mvx", "/d/", "", std::nullopt, false,
     "Please enter password !", "edtPassword", nullptr},
    {"DecryptsWithoutAskingTwice", 1, "/d/a.mvx", "/d/", "pw", std::nullopt, false,
     nullptr, "btnStart", "DecryptFile"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, StartButton, ::testing::ValuesIn(StartCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// The four encryption jobs by the two output options.
struct TDispatchCase
{
    bool SelfExtract;
    bool Compress;
    const char* Job;
};

class StartDispatch : public TAppFixture, public ::testing::WithParamInterface<TDispatchCase>
{
};

TEST_P(StartDispatch, OutputOptionsChooseTheJob)
{
    const TDispatchCase& c = GetParam();
    Create();
    window.SetChecked("chkEncSelfExtract", c.SelfExtract);
    window.SetChecked("chkEncCompress", c.Compress);
    window.QueueChooserAnswer("/d/report.txt");
    ASSERT_TRUE(window.UserClick("btnEncInput"));
    window.UserType("edtPassword", "pw");
    window.QueuePasswordAnswer("pw");
    ASSERT_TRUE(window.UserClick("btnStart"));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Job, c.Job);
    EXPECT_EQ(calls[0].Input, "/d/report.txt");
    EXPECT_EQ(calls[0].Output, c.SelfExtract ? "/d/report.exe" : "/d/report.mvx");
    EXPECT_EQ(calls[0].Options.SelfExtract, c.SelfExtract);
    EXPECT_EQ(calls[0].Options.EncCompress, c.Compress);
}

INSTANTIATE_TEST_SUITE_P(Table, StartDispatch,
                         ::testing::Values(TDispatchCase{true, true,
                                                         "EncryptCompressedToSelfExtractor"},
                                           TDispatchCase{true, false, "EncryptToSelfExtractor"},
                                           TDispatchCase{false, true, "EncryptCompressedFile"},
                                           TDispatchCase{false, false, "EncryptFile"}),
                         // Named after the job: CTest runs each case by its name.
                         [](const auto& info) { return std::string(info.param.Job); });

class StartButtonMore : public TAppFixture
{
};

TEST_F(StartButtonMore, ConfirmationUsesTheLanguageAndAnEmptyValue)
{
    Create();
    window.SetItemIndex("edtLanguage", 1);
    form->edtLanguageChange();
    form->btnEncryptClick();
    window.SetText("edtEncInput", "/d/a");
    window.SetText("edtEncOutput", "/d/a.mvx");
    window.SetText("edtPassword", "pw");
    ASSERT_TRUE(window.UserClick("btnStart"));
    ASSERT_EQ(window.PasswordDialogs().size(), 1u);
    EXPECT_EQ(window.PasswordDialogs()[0].Caption, "Confirmare");
    EXPECT_EQ(window.PasswordDialogs()[0].Prompt, "Reintroduceti parola : ");
    EXPECT_EQ(window.PasswordDialogs()[0].Value, "");
    EXPECT_TRUE(window.Messages().empty());
}

TEST_F(StartButtonMore, RomanianMessageForMissingInput)
{
    Create();
    window.SetItemIndex("edtLanguage", 1);
    form->edtLanguageChange();
    form->btnEncryptClick();
    ASSERT_TRUE(window.UserClick("btnStart"));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Selectati fisierul de criptat !"});
}

TEST_F(StartButtonMore, TypedOutputReachesTheJob)
{
    Create();
    window.QueueChooserAnswer("/d/a.txt");
    window.UserClick("btnEncInput");
    ASSERT_TRUE(window.UserType("edtEncOutput", "/elsewhere/b.bin"));
    window.UserType("edtPassword", "pw");
    window.QueuePasswordAnswer("pw");
    window.UserClick("btnStart");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Output, "/elsewhere/b.bin");
}

TEST_F(StartButtonMore, JobsReadTheOptionGlobals)
{
    Create();
    window.SetChecked("chkIncludePass", true);
    window.SetChecked("chkIncludeCRC", true);
    window.SetChecked("chkEncWipeInput", true);
    window.SetChecked("chk3PassWipe", true);
    window.SetItemIndex("edtAlgorithm", 4);
    window.SetItemIndex("edtCipherMode", 3);
    form->FlatComboBox1Change();
    form->edtCipherModeChange();
    window.SetText("edtEncInput", "/d/a");
    variabile.EncInputFile = "/d/a";
    window.SetText("edtEncOutput", "/d/a.mvx");
    window.SetText("edtPassword", "pw");
    window.QueuePasswordAnswer("pw");
    form->btnStartClick();
    ASSERT_EQ(calls.size(), 1u);
    const engine::TJobOptions& o = calls[0].Options;
    EXPECT_TRUE(o.IncludePass && o.IncludeCRC && o.EncWipeInput && o.SecureWipe);
    EXPECT_FALSE(o.DecWipeInput || o.EncCompress || o.SelfExtract);
    EXPECT_EQ(o.AlgorithmIndex, 4);
    EXPECT_EQ(o.CipherModeIndex, 3);
}

TEST_F(StartButtonMore, TestOutputBoxesFeedTheJobs)
{
    Create();
    // Each page's box reaches its own job kind only.
    window.SetChecked("chkEncTestOutput", true);
    window.SetText("edtEncInput", "/d/a");
    variabile.EncInputFile = "/d/a";
    window.SetText("edtEncOutput", "/d/a.mvx");
    window.SetText("edtPassword", "pw");
    window.QueuePasswordAnswer("pw");
    form->btnStartClick();
    window.SetChecked("chkEncTestOutput", false);
    window.SetChecked("chkDecTestOutput", true);
    window.UserClick("btnDecrypt");
    window.SetText("edtDecInput", "/d/a.mvx");
    variabile.DecInputFile = "/d/a.mvx";
    window.SetText("edtDecOutput", "/d/");
    variabile.DecOutputPath = "/d/";
    window.SetText("edtPassword", "pw");
    form->btnStartClick();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].Job, "EncryptFile");
    EXPECT_TRUE(calls[0].Options.EncTestOutput);
    EXPECT_FALSE(calls[0].Options.DecTestOutput);
    EXPECT_EQ(calls[1].Job, "DecryptFile");
    EXPECT_FALSE(calls[1].Options.EncTestOutput);
    EXPECT_TRUE(calls[1].Options.DecTestOutput);
}

TEST_F(StartButtonMore, PendingOutputKindsSayTheyAreNotAvailable)
{
    app::TMainServices services = Services();
    services.Jobs.EncryptCompressedFile = app::NotAvailableJob(app::TextCompressedNotAvailable);
    CreateWith(std::move(services));
    window.SetChecked("chkEncCompress", true);
    window.SetText("edtEncInput", "/d/a");
    window.SetText("edtEncOutput", "/d/a.mvx");
    window.SetText("edtPassword", "pw");
    window.QueuePasswordAnswer("pw");
    form->btnStartClick();
    ASSERT_EQ(window.Messages().size(), 1u);
    EXPECT_EQ(window.Messages()[0].Kind, TMessageKind::Information);
    EXPECT_EQ(window.Messages()[0].Text, app::TextCompressedNotAvailable);
    ASSERT_TRUE(form->LastJobResult());
    EXPECT_EQ(form->LastJobResult()->Outcome, engine::TJobOutcome::Unsupported);
    EXPECT_TRUE(window.Items("lstJob").empty());
}

} // namespace
} // namespace mv::test

// Whole jobs driven through the main form and the headless window on real files, with the
// engine's jobs behind the Start button and every question answered by the test.
#include "tests/support/AppFixture.h"

#include "app/JobTable.h"
#include "app/MainControls.h"
#include "tests/support/TestSupport.h"

namespace mv::test {
namespace {

class RoundTrip : public TAppFixture
{
protected:
    TTempDir files;

    void SetUp() override
    {
        app::TMainServices services = Services();
        services.Jobs = app::DefaultJobTable(services.ProgramDirectory);
        CreateWith(std::move(services));
    }

    void Encrypt(const std::filesystem::path& input, const std::string& password)
    {
        window.UserClick("btnEncrypt");
        window.QueueChooserAnswer(input.string());
        ASSERT_TRUE(window.UserClick("btnEncInput"));
        window.UserType("edtPassword", password);
        window.QueuePasswordAnswer(password);
        ASSERT_TRUE(window.UserClick("btnStart"));
    }

    void Decrypt(const std::filesystem::path& container, const std::filesystem::path& directory,
                 const std::string& password)
    {
        ASSERT_TRUE(window.UserClick("btnDecrypt"));
        window.QueueChooserAnswer(container.string());
        ASSERT_TRUE(window.UserClick("btnDecInput"));
        window.QueueChooserAnswer(directory.string());
        ASSERT_TRUE(window.UserClick("btnDecOutput"));
        window.UserType("edtPassword", password);
        ASSERT_TRUE(window.UserClick("btnStart"));
    }
};

TEST_F(RoundTrip, EncryptAndDecryptThroughTheWindow)
{
    const std::vector<uint8_t> plain = PseudoRandomBytes(100000, 7);
    WriteBytes(files / "report.txt", plain);
    std::filesystem::create_directory(files / "restored");
    window.SetChecked("chkIncludePass", true);
    window.SetChecked("chkIncludeCRC", true);
    window.UserClick("btnOptions");
    window.UserSelect("edtAlgorithm", 1);
    window.UserSelect("edtCipherMode", 2);

    Encrypt(files / "report.txt", "correct horse");
    EXPECT_TRUE(window.Messages().empty()) << window.Messages()[0].Text;
    ASSERT_TRUE(std::filesystem::exists(files / "report.mvx"));
    EXPECT_EQ(window.Items("lstJob"),
              std::vector<std::string>{"Encryption OK >> " + (files / "report.txt").string()});
    EXPECT_EQ(window.PageIndex(), app::PageStatus);
    EXPECT_FALSE(window.Enabled("btnStart"));
    EXPECT_TRUE(window.Enabled("btnExit"));
    EXPECT_FALSE(window.Enabled("btnStop"));
    EXPECT_EQ(window.Text("lblTask"), "Task : Nothing to do");
    EXPECT_GT(window.ProcessMessagesRounds(), 0);
    EXPECT_TRUE(window.WindowEnabled());
    EXPECT_FALSE(window.WaitWindowShown());
    // The CRC-32 is taken in the job's own pass: no waiting window of a pass of its own.
    EXPECT_TRUE(window.WaitHistory().empty());

    Decrypt(files / "report.mvx", files / "restored", "correct horse");
    EXPECT_TRUE(window.Messages().empty()) << window.Messages()[0].Text;
    EXPECT_EQ(ReadBytes(files / "restored" / "report.txt"), plain);
    ASSERT_EQ(window.Items("lstJob").size(), 2u);
    EXPECT_EQ(window.Items("lstJob")[1], "Decryption OK >> " + (files / "report.mvx").string());
    EXPECT_EQ(window.FocusedControl(), "lstJob");
    EXPECT_EQ(window.ItemIndex("lstJob"), 1);
}

TEST_F(RoundTrip, WrongPasswordIsRefusedWithTheLanguagesMessage)
{
    WriteBytes(files / "a.bin", PseudoRandomBytes(5000, 1));
    window.SetChecked("chkIncludePass", true);
    Encrypt(files / "a.bin", "right");
    ASSERT_TRUE(std::filesystem::exists(files / "a.mvx"));
    std::filesystem::create_directory(files / "out");
    window.UserClick("btnOptions");
    window.UserSelect("edtLanguage", 1);
    Decrypt(files / "a.mvx", files / "out", "wrong");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Parola incorecta !"});
    EXPECT_TRUE(std::filesystem::is_empty(files / "out"));
    EXPECT_EQ(window.Items("lstJob").back().rfind("Decryption FAILED >> ", 0), 0u);
}

TEST_F(RoundTrip, OverwriteQuestionAnsweredNoKeepsTheOldOutput)
{
    WriteBytes(files / "a.bin", PseudoRandomBytes(3000, 2));
    WriteBytes(files / "a.mvx", {1, 2, 3});
    window.QueueConfirm(engine::TAnswer::No);
    Encrypt(files / "a.bin", "pw");
    ASSERT_EQ(window.Confirmations().size(), 1u);
    EXPECT_EQ(window.Confirmations()[0], "Output file already exists - Overwrite?");
    EXPECT_EQ(ReadBytes(files / "a.mvx"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_TRUE(window.Items("lstJob").empty());
}

TEST_F(RoundTrip, StopDuringAJobEndsItStopped)
{
    WriteBytes(files / "big.bin", PseudoRandomBytes(10 * 32767, 3));
    window.OnProcessMessages([this](int round) {
        if (round == 4) {
            EXPECT_TRUE(window.UserClick("btnStop"));
        }
    });
    Encrypt(files / "big.bin", "pw");
    ASSERT_FALSE(window.Items("lstJob").empty());
    EXPECT_EQ(window.Items("lstJob").back(),
              "Encryption STOPPED >> " + (files / "big.bin").string());
    EXPECT_FALSE(std::filesystem::exists(files / "big.mvx"));
    EXPECT_FALSE(window.Enabled("btnStop"));
    EXPECT_TRUE(window.Enabled("btnEncrypt"));
}

TEST_F(RoundTrip, CompressedContainerThroughTheWindow)
{
    std::string text;
    while (text.size() < 100000)
        text += "Compressed chunks of a plain text file, through the window. ";
    const std::vector<uint8_t> plain(text.begin(), text.end());
    WriteBytes(files / "notes.txt", plain);
    std::filesystem::create_directory(files / "restored");
    window.SetChecked("chkEncCompress", true);
    Encrypt(files / "notes.txt", "pw");
    EXPECT_TRUE(window.Messages().empty()) << window.Messages()[0].Text;
    ASSERT_TRUE(std::filesystem::exists(files / "notes.mvx"));
    EXPECT_LT(std::filesystem::file_size(files / "notes.mvx"), plain.size() / 4);

    Decrypt(files / "notes.mvx", files / "restored", "pw");
    EXPECT_TRUE(window.Messages().empty()) << window.Messages()[0].Text;
    EXPECT_EQ(ReadBytes(files / "restored" / "notes.txt"), plain);
}

// The self-decrypting output starts with the module found beside the program; without one, the
// job is refused before anything is written.
TEST_F(RoundTrip, SelfDecryptingOutputThroughTheWindow)
{
    WriteBytes(files / "a.bin", PseudoRandomBytes(5000, 4));
    window.SetChecked("chkEncSelfExtract", true);
    Encrypt(files / "a.bin", "pw");
    ASSERT_EQ(MessageTexts().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(files / "a.exe"));
    window.ClearMessages();

    const std::vector<uint8_t> module = PseudoRandomBytes(50000, 5);
    WriteBytes(programDir.Path() / "extractor.dat", module);
    Encrypt(files / "a.bin", "pw");
    EXPECT_TRUE(window.Messages().empty()) << window.Messages()[0].Text;
    const auto written = ReadBytes(files / "a.exe");
    ASSERT_EQ(written.size(), 50000u + 296 + 5000 + 16);
    EXPECT_TRUE(std::equal(module.begin(), module.end(), written.begin()));
    EXPECT_NE(std::filesystem::status(files / "a.exe").permissions() &
                  std::filesystem::perms::owner_exec,
              std::filesystem::perms::none);
}

} // namespace
} // namespace mv::test

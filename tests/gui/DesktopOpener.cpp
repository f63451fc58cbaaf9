// The window's opener for the manual: xdg-open as found on PATH (here a stand-in script that
// records its argument and ends with a chosen status), its failure reported once and only then,
// and the message box a user then sees.
#include "gui/DesktopOpener.h"
#include "tests/gui/support/GuiFixture.h"
#include "tests/support/Environment.h"

#include <QProcess>
#include <QTest>

#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace mv::test {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A directory for PATH holding an xdg-open that writes its argument to <dir>/argument and ends
// with status; no xdg-open at all when status is negative.
class TStandInOpener
{
public:
    explicit TStandInOpener(int status)
        : path_("PATH", status < 0 ? dir_.Path().string() : dir_.Path().string() + ":/usr/bin:/bin")
    {
        if (status < 0)
            return;
        const fs::path script = dir_ / "xdg-open";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << (dir_ / "argument").string()
                              << "'\nexit " << status << "\n";
        ::chmod(script.c_str(), 0755);
    }
    std::string Argument() const { return Read(dir_ / "argument"); }

private:
    TTempDir dir_;
    TEnvironmentVariable path_;
};

// Runs the opener and waits until its process object is gone, that is until everything it would
// report has been reported.
int OpenAndCountFailures(const std::string& address)
{
    int failures = 0;
    QProcess* opener = gui::OpenAddress(address, [&failures] { ++failures; });
    EXPECT_NE(opener, nullptr);
    if (!opener)
        return failures;
    bool gone = false;
    QObject::connect(opener, &QObject::destroyed, [&gone] { gone = true; });
    EXPECT_TRUE(QTest::qWaitFor([&gone] { return gone; }, 60'000)) << "the opener never ended";
    return failures;
}

TEST(DesktopOpener, OnlyAMissingOrFailingOpenerIsReported)
{
    const std::string address = "file:///usr/lib/morvane/Help/Morvane%20manual.html";
    const struct
    {
        const char* Name;
        int Status;
        int Failures;
    } cases[] = {
        {"opened", 0, 0},
        {"no program for the type", 3, 1},
        {"the program failed", 4, 1},
        {"no xdg-open", -1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TStandInOpener opener(c.Status);
        EXPECT_EQ(OpenAndCountFailures(address), c.Failures);
        if (c.Status >= 0) {
            EXPECT_EQ(opener.Argument(), address) << "the address as given, still encoded";
        }
    }
}

class HelpWithoutABrowser : public TGuiFixture
{
};

TEST_F(HelpWithoutABrowser, TheMessageBoxGivesTheManualsPath)
{
    fs::create_directories(programDir / "Help");
    std::ofstream(programDir / "Help" / "Morvane.html") << "<html></html>";
    TStandInOpener opener(3);
    app::TMainServices services = Services(false);
    services.OpenAddress = [](const std::string& address, std::function<void()> failed) {
        gui::OpenAddress(address, std::move(failed));
    };
    form = std::make_unique<app::TMainForm>(*window, variabile, std::move(services));
    form->FormCreate({});
    window->show();
    answers.PressOk();
    MouseClick("btnHelp");
    ASSERT_TRUE(QTest::qWaitFor([this] { return answers.Pending() == 0; }, 60'000));
    ASSERT_EQ(answers.Boxes.size(), 1u);
    EXPECT_EQ(answers.Boxes[0].first, "Morvane");
    EXPECT_EQ(answers.Boxes[0].second,
              "No program could open the help file. Open it in a browser:\n" +
                  (programDir.Path() / "Help" / "Morvane.html").string());
}

} // namespace
} // namespace mv::test

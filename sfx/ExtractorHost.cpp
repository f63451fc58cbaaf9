#include "sfx/ExtractorHost.h"

#include "cli/ExitStatus.h"
#include "cli/Password.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/ioctl.h>
#include <unistd.h>

namespace mv::sfx {

namespace {

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A fast cipher finishes a step far quicker than anyone reads a redrawn line.
constexpr int64_t RedrawIntervalMs = 100;

size_t TerminalWidth()
{
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col;
    return 80;
}

} // namespace

TExtractorHost::TExtractorHost(TSettings value)
    : settings(std::move(value)), progressShown(!settings.quiet && cli::StderrIsTerminal())
{
}

TExtractorHost::~TExtractorHost()
{
    ClearProgressLine();
}

void TExtractorHost::SetPassword(const cli::TSecretText& value)
{
    password.Assign(value.Text().data(), value.Text().size());
    passwordSet = true;
}

void TExtractorHost::Say(const std::string& text)
{
    ClearProgressLine();
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", settings.programName.c_str(), text.c_str());
}

void TExtractorHost::DrawLine(const std::string& line)
{
    if (!progressShown)
        return;
    const size_t width = TerminalWidth() - 1;
    std::fprintf(stderr, "\r%s\033[K", line.substr(0, width).c_str());
    std::fflush(stderr);
    lineDrawn = true;
}

void TExtractorHost::ClearProgressLine()
{
    if (!lineDrawn)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    lineDrawn = false;
}

void TExtractorHost::UpdateStatus(const engine::TStatusUpdate& status)
{
    if (!progressShown)
        return;
    const int64_t now = NowMs();
    if (status.Progress < 100 && lastDrawMs >= 0 && now - lastDrawMs < RedrawIntervalMs)
        return;
    lastDrawMs = now;
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d %%", status.Progress);
    DrawLine(percent + std::string("  ") + status.ElapsedText + "  " + status.RemainingText + "  " +
             status.SpeedText);
}

void TExtractorHost::FinishedDisplay(const std::string& jobLine, bool)
{
    ClearProgressLine();
    if (!settings.quiet) {
        std::printf("%s\n", jobLine.c_str());
        std::fflush(stdout);
    }
}

void TExtractorHost::StoppedDisplay(const std::string& jobLine)
{
    FinishedDisplay(jobLine, false);
}

void TExtractorHost::RefusedDisplay(const std::string& jobLine)
{
    FinishedDisplay(jobLine, false);
}

void TExtractorHost::ShowMessage(engine::TMessageKind, const std::string& text, engine::TFocus)
{
    // After an abandoned password prompt the job's refusal is a consequence, not news.
    if (!passwordAbandoned)
        Say(text);
}

engine::TAnswer TExtractorHost::Confirm(const std::string& text)
{
    ClearProgressLine();
    if (settings.force)
        return engine::TAnswer::Yes;
    if (!cli::TerminalAvailable()) {
        questionUnanswered = true;
        return engine::TAnswer::Cancel;
    }
    std::string answer;
    if (!cli::ReadAnswerLine(settings.programName + ": " + text + " [y/n/c] ", answer))
        return engine::TAnswer::Cancel;
    if (answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES")
        return engine::TAnswer::Yes;
    if (answer == "c" || answer == "C" || answer == "cancel")
        return engine::TAnswer::Cancel;
    return engine::TAnswer::No;
}

void TExtractorHost::BeginWait(const std::string& caption, const std::string& path)
{
    // The captions carry the window's margins ("  Calculating CRC32 for file  ").
    const size_t first = caption.find_first_not_of(' ');
    const size_t last = caption.find_last_not_of(' ');
    DrawLine((first == std::string::npos ? "" : caption.substr(first, last - first + 1)) + " " +
             path);
}

bool TExtractorHost::StopRequested()
{
    return cli::InterruptRequested() || passwordAbandoned;
}

std::string TExtractorHost::Password()
{
    if (!passwordSet) {
        ClearProgressLine();
        passwordSet = true;
        std::string error;
        if (!cli::ObtainPassword(settings.passwordFile, false, password, error)) {
            Say(error);
            passwordAbandoned = true;
            password.Wipe();
        }
    }
    return password.Text();
}

void TExtractorHost::InternalError(const std::string& text)
{
    Say(text);
    std::fflush(nullptr);
    std::_Exit(cli::ExitFailure);
}

} // namespace mv::sfx

#include "cli/TerminalHost.h"

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Password.h"
#include "cli/Printable.h"

#include "engine/Work.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/ioctl.h>
#include <unistd.h>

namespace mv::cli {

namespace {

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The figure of a label text, without its caption ("Encryption speed : 12.3 MB/s" -> "12.3 MB/s").
std::string Figure(const std::string& labelText)
{
    size_t colon = labelText.rfind(" : ");
    return colon == std::string::npos ? labelText : labelText.substr(colon + 3);
}

size_t TerminalWidth()
{
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col;
    return 80;
}

// Progress redraws are limited to a few a second: a fast cipher finishes a step every
// tenth of a millisecond, far quicker than anyone reads or a slow terminal draws.
constexpr int64_t RedrawIntervalMs = 100;

} // namespace

TTerminalHost::TTerminalHost(TSettings settings)
    : settings(std::move(settings)), progressShown(!this->settings.quiet && StderrIsTerminal())
{
}

TTerminalHost::~TTerminalHost()
{
    ClearProgressLine();
}

void TTerminalHost::SetPassword(const TSecretText& value)
{
    password.Assign(value.Text().data(), value.Text().size());
    passwordSet = true;
}

void TTerminalHost::BeginJob(const std::filesystem::path& input,
                             const std::filesystem::path& output,
                             std::optional<platform::TFileIdentity> confirmed)
{
    jobInput = input;
    jobOutput = output;
    confirmedOutput = confirmed;
    questionUnanswered = false;
}

void TTerminalHost::DrawLine(const std::string& line)
{
    if (!progressShown)
        return;
    size_t width = TerminalWidth() - 1;
    std::string shown = PrintableName(line);
    if (shown.size() > width)
        shown.resize(width);
    std::fprintf(stderr, "\r%s\033[K", shown.c_str());
    std::fflush(stderr);
    lineDrawn = true;
}

void TTerminalHost::ClearProgressLine()
{
    if (!lineDrawn)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    lineDrawn = false;
}

void TTerminalHost::BeginDisplay(const std::string&) {}

void TTerminalHost::BeginLoop(const std::string& rate)
{
    rateText = rate;
    lastDrawMs = -1;
}

void TTerminalHost::UpdateStatus(const engine::TStatusUpdate& status)
{
    if (!status.RateText.empty())
        rateText = status.RateText;
    if (!progressShown)
        return;
    int64_t now = NowMs();
    if (status.Progress < 100 && lastDrawMs >= 0 && now - lastDrawMs < RedrawIntervalMs)
        return;
    lastDrawMs = now;
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d %%", status.Progress);
    DrawLine(percent + std::string("  elapsed ") + std::to_string(status.ElapsedSeconds) +
             " s  remaining " + std::to_string(status.RemainingSeconds) + " s  " +
             Figure(status.SpeedText) + "  rate " + Figure(rateText));
}

void TTerminalHost::EndLoop()
{
    ClearProgressLine();
}

void TTerminalHost::FinishedDisplay(const std::string& jobLine, bool)
{
    ClearProgressLine();
    if (!settings.quiet) {
        std::FILE* lines = settings.jobLinesToStderr ? stderr : stdout;
        std::fprintf(lines, "%s\n", PrintableName(jobLine).c_str());
        std::fflush(lines);
    }
}

void TTerminalHost::StoppedDisplay(const std::string& jobLine)
{
    FinishedDisplay(jobLine, false);
}

void TTerminalHost::RefusedDisplay(const std::string& jobLine)
{
    FinishedDisplay(jobLine, false);
}

void TTerminalHost::ShowMessage(engine::TMessageKind, const std::string& text, engine::TFocus)
{
    ClearProgressLine();
    // After an abandoned password prompt the job's refusal ("Invalid password !") is a
    // consequence, not news: the reason was shown already.
    if (passwordAbandoned)
        return;
    // The job's texts are the window's, which shows the file beside them; here the line names it.
    const bool aboutOutput = text.rfind(engine::TextUnableToCreateOutput, 0) == 0;
    const std::filesystem::path& subject = aboutOutput && !jobOutput.empty() ? jobOutput : jobInput;
    ShowError(subject.empty() ? text : subject.string() + ": " + text);
}

engine::TAnswer TTerminalHost::AskOverwrite(const std::filesystem::path& output)
{
    ClearProgressLine();
    if (settings.force)
        return engine::TAnswer::Yes;
    if (!TerminalAvailable()) {
        questionUnanswered = true;
        return engine::TAnswer::Cancel;
    }
    std::string answer;
    const std::string question =
        "morvane-cli: " + output.string() + ": " + Texts().OverwriteQuestion + " [y/n/c] ";
    if (!ReadAnswerLine(PrintableName(question), answer))
        return engine::TAnswer::Cancel;
    if (answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES")
        return engine::TAnswer::Yes;
    if (answer == "c" || answer == "C" || answer == "cancel")
        return engine::TAnswer::Cancel;
    return engine::TAnswer::No;
}

engine::TAnswer TTerminalHost::Confirm(const std::string&)
{
    // The jobs ask one question: whether to replace their output. A Yes given before the job
    // holds for the file it was given for, not for another one put at the name since.
    if (confirmedOutput && platform::IdentityOfName(jobOutput) == confirmedOutput)
        return engine::TAnswer::Yes;
    return AskOverwrite(jobOutput.empty() ? jobInput : jobOutput);
}

void TTerminalHost::BeginWait(const std::string& caption, const std::string& path)
{
    // The captions carry the window's margins ("  Calculating CRC32 for file  ").
    size_t first = caption.find_first_not_of(' ');
    size_t last = caption.find_last_not_of(' ');
    std::string trimmed = first == std::string::npos ? "" : caption.substr(first, last - first + 1);
    DrawLine(trimmed + " " + path);
}

void TTerminalHost::EndWait()
{
    ClearProgressLine();
}

bool TTerminalHost::StopRequested()
{
    return InterruptRequested() || passwordAbandoned;
}

std::string TTerminalHost::Password()
{
    if (!passwordSet) {
        ClearProgressLine();
        std::string error;
        passwordSet = true;
        if (!ObtainPassword(settings.passwordFile, settings.confirmPassword, password, error)) {
            ShowError(error);
            passwordAbandoned = true;
            password.Wipe();
        }
    }
    return password.Text();
}

void TTerminalHost::InternalError(const std::string& text)
{
    ClearProgressLine();
    ShowError(text);
    std::fflush(nullptr);
    std::_Exit(ExitFailure);
}

} // namespace mv::cli

// The host a file job talks to: the status display, the message boxes, the waiting window of the
// CRC-32 and wipe passes, the message loop with the Stop button, and the password field. The jobs
// never see a widget; the main window, the terminal tool, the self-decrypting module and the tests
// each implement this interface their own way.
#pragma once

#include <cstdint>
#include <string>

namespace mv::engine {

// Kinds of message box; every box has the title "Morvane" and an OK button.
enum class TMessageKind
{
    Error,       // error icon
    Information, // information icon
    Plain        // no icon
};

// Answer to the Yes/No/Cancel confirmation box.
enum class TAnswer
{
    Yes,
    No,
    Cancel
};

// The control that gets the input focus after a message box (the app maps them to edtEncInput,
// edtEncOutput, edtDecInput, edtDecOutput; other hosts may ignore them).
enum class TFocus
{
    None,
    EncInput,
    EncOutput,
    DecInput,
    DecOutput
};

// The language-dependent texts the jobs show, English by default. The app fills them from the
// current language table; every other host may keep the defaults.
struct TJobTexts
{
    std::string InputMissing = "Input file doesn't exist !";
    std::string OverwriteQuestion = "Output file already exists - Overwrite?";
    std::string UnableToOpenInput = "Unable to open input file";
    std::string InvalidFileType = "Invalid input file type !";
    std::string SameInputOutput = "Input and output must not be the same !";
    std::string InvalidPassword = "Invalid password !";
    std::string CompressedTo = "Compressed to : ";
    std::string TestingSpeed = "Testing speed : ";
    // The test of the output found it different from what was written; the output's path
    // follows.
    std::string TestFailed = "Test of the output file FAILED: the bytes read back from the disk "
                             "are not the ones written. The output was removed and the input "
                             "file was kept. Output: ";
    // A decryption that nothing in the container could confirm, with a wipe asked; the
    // container's path follows.
    std::string NotConfirmedKept =
        "The decrypted file could not be confirmed: the container holds no CRC-32 and no "
        "checked compressed body, so a wrong password or a damaged container would go unnoticed. "
        "The container was kept (not wiped): ";
    std::string EncryptionSpeed = "Encryption speed : ";
    std::string DecryptionSpeed = "Decryption speed : ";
    std::string ElapsedTime = "Elapsed time : ";
    std::string RemainingTime = "Remaining time : ";
    // The user's decimal separator, used in the speed figure.
    char DecimalSeparator = '.';
};

// One refresh of the status page after a job step. The texts are complete label texts; the
// numbers are there for hosts that lay out their own line (the terminal's progress line).
struct TStatusUpdate
{
    int Progress = 0;             // ProgressBar1, 0..100
    int64_t ElapsedSeconds = 0;   // whole seconds since the loop began
    int64_t RemainingSeconds = 0; // estimate at the average rate so far
    std::string ElapsedText;      // lblElapsed, "Elapsed time : 3 s"
    std::string RemainingText;    // lblRemaining, "Remaining time : 3 s"
    std::string SpeedText;        // lblSpeed, "Encryption speed : 12.3 MB/s"
    std::string RateText;         // lblRate, "Compressed to : 25 %"; empty: unchanged
    int64_t ProcessedBytes = 0;
    int64_t TotalBytes = 0;
};

class TJobHost
{
public:
    virtual ~TJobHost() = default;

    // ---- Status display ------------------------------------------------------------------------
    // Begin display: SetControlsEnabled(false), the status page as a click on btnStatus shows it
    // (which disables btnStart), lblTask := taskText ("Task : Encrypting " + input path).
    virtual void BeginDisplay(const std::string& taskText) = 0;
    // Loop start: enable btnStop; lblRate := rateText unless it is empty. The job has cleared the
    // stop request just before.
    virtual void BeginLoop(const std::string& rateText) = 0;
    // After each step, before ProcessMessages.
    virtual void UpdateStatus(const TStatusUpdate& status) = 0;
    // Disable btnStop: the finished end does this before its clean-up.
    virtual void EndLoop() = 0;
    // Finished display: add jobLine to lstJob, lblTask := "Task : Nothing to do", progress 0,
    // SetControlsEnabled(true), focus lstJob when focusJobList (decrypt jobs), newest line
    // selected.
    virtual void FinishedDisplay(const std::string& jobLine, bool focusJobList) = 0;
    // Stopped display: add jobLine, idle task text, progress 0, disable btnStop,
    // SetControlsEnabled(true).
    virtual void StoppedDisplay(const std::string& jobLine) = 0;
    // Refused display (FAILED lines): add jobLine, idle task text, progress 0,
    // SetControlsEnabled(true). Also used when the display was never begun (a bad mark).
    virtual void RefusedDisplay(const std::string& jobLine) = 0;

    // ---- Message boxes -------------------------------------------------------------------------
    virtual void ShowMessage(TMessageKind kind, const std::string& text,
                             TFocus focus = TFocus::None) = 0;
    // Yes/No/Cancel box.
    virtual TAnswer Confirm(const std::string& text) = 0;

    // ---- Waiting window of the CRC-32 and wipe passes ------------------------------------------
    // Disable the main window, set formCRC's caption and file name, show it (not modally).
    virtual void BeginWait(const std::string& caption, const std::string& path) = 0;
    // Enable the main window and hide formCRC. Called on every path that called BeginWait.
    virtual void EndWait() = 0;

    // ---- Message loop and the Stop button ------------------------------------------------------
    // Let the platform process pending window messages (repaint, the Stop button's click).
    virtual void ProcessMessages() = 0;
    // StopRequested: set by a click on Stop, read by the job after each step.
    virtual bool StopRequested() = 0;
    // The job clears StopRequested when its step loop begins.
    virtual void ClearStopRequest() = 0;

    // ---- Password field (edtPassword) ----------------------------------------------------------
    // Read once per job, at key setup; the job wipes its copy after keying the cipher.
    virtual std::string Password() = 0;
    // Empty the field (after a finished or stopped job).
    virtual void ClearPassword() = 0;

    // ---- Texts, clock and internal errors ------------------------------------------------------
    // The language-dependent texts; the default gives the English ones.
    virtual const TJobTexts& Texts() const;
    // Whole seconds of a monotonic clock, for the elapsed time; a job across midnight or a clock
    // change stays right. A test host may script it.
    virtual int64_t MonotonicSecond();
    // A value that can never be valid (the program's own AlgorithmIndex or CipherModeIndex out of
    // range): show text and end the program at once. A test host throws instead, with an exception
    // not derived from platform::Exception (the jobs catch those to report them) so it reaches the
    // test.
    [[noreturn]] virtual void InternalError(const std::string& text) = 0;
};

} // namespace mv::engine

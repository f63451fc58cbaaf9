#include "app/MainControls.h"
#include "app/MainForm.h"
#include "app/PasswordQuery.h"
#include "cipher/BitOps.h"

namespace mv::app {

namespace {

// Overwrites a copy of the password before it is given up.
struct TWipedString
{
    std::string Value;
    ~TWipedString()
    {
        if (!Value.empty())
            cipher::SecureFill(Value.data(), Value.size(), 0);
    }
};

} // namespace

void TMainForm::Refuse(TText message, const char* focus)
{
    window_.ShowMessage(engine::TMessageKind::Plain, variabile_.Text(message));
    window_.SetFocus(focus);
}

void TMainForm::RunJob(const TJobEntry& job, const std::string& input, const std::string& output)
{
    if (!job) {
        window_.ShowMessage(engine::TMessageKind::Information, TextCompressedNotAvailable);
        return;
    }
    // The jobs read the option globals as they are at this moment, and "Test output file" as its
    // box stands.
    engine::TJobOptions options = variabile_.JobOptions();
    options.EncTestOutput = window_.Checked("chkEncTestOutput");
    options.DecTestOutput = window_.Checked("chkDecTestOutput");
    lastJobResult_ = job(jobHost_, options, input, output);
}

void TMainForm::btnStartClick()
{
    // Start is enabled on the Encrypt and Decrypt pages only; any page but the first decrypts.
    if (window_.PageIndex() == PageEncrypt)
        StartEncryption();
    else
        StartDecryption();
}

void TMainForm::StartEncryption()
{
    const std::string input = window_.Text("edtEncInput");
    const std::string output = window_.Text("edtEncOutput");
    if (input.empty())
        return Refuse(TText::MsgNoEncryptInput, "edtEncInput");
    if (output.empty())
        return Refuse(TText::MsgNoEncryptOutput, "edtEncOutput");
    // The strings only: the job itself recognises one file under two spellings.
    if (input == output)
        return Refuse(TText::MsgSameInputOutput, "edtEncOutput");
    TWipedString password{window_.Text("edtPassword")};
    if (password.Value.empty())
        return Refuse(TText::MsgNoPassword, "edtPassword");

    TWipedString retyped;
    if (!PasswordQuery(window_, variabile_.Text(TText::ConfirmCaption),
                       variabile_.Text(TText::ConfirmPrompt), retyped.Value))
        return;
    if (retyped.Value != password.Value)
        return Refuse(TText::MsgPasswordMismatch, "edtPassword");

    const TJobTable& jobs = services_.Jobs;
    const TJobEntry& job =
        variabile_.SelfExtract
            ? (variabile_.EncCompress ? jobs.EncryptCompressedToSelfExtractor
                                      : jobs.EncryptToSelfExtractor)
            : (variabile_.EncCompress ? jobs.EncryptCompressedFile : jobs.EncryptFile);
    RunJob(job, variabile_.EncInputFile, variabile_.EncOutputFile);
}

void TMainForm::StartDecryption()
{
    if (window_.Text("edtDecInput").empty())
        return Refuse(TText::MsgNoDecryptInput, "edtDecInput");
    if (window_.Text("edtDecOutput").empty())
        return Refuse(TText::MsgNoDecryptOutput, "edtDecOutput");
    if (window_.Text("edtPassword").empty())
        return Refuse(TText::MsgNoPassword, "edtPassword");
    // No confirmation: a wrong password is refused by the container's own checks.
    RunJob(services_.Jobs.DecryptFile, variabile_.DecInputFile, variabile_.DecOutputPath);
    // Restored, but nothing in the container could confirm it: the user is told so. With a wipe
    // asked, the job has already said that the container was kept.
    if (lastJobResult_ && lastJobResult_->Outcome == engine::TJobOutcome::Finished &&
        !lastJobResult_->Verified && !lastJobResult_->WipeSkipped)
        window_.ShowMessage(engine::TMessageKind::Information,
                            variabile_.Text(TText::MsgNotConfirmed));
}

} // namespace mv::app

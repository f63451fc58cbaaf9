// The file jobs: encrypting a file into a container, restoring a file from a container, the
// CRC-32 of a file and wiping a file. A job reports everything through its host (engine/JobHost.h)
// and returns an outcome value; it never throws to its caller.
//
// Files: a job opens its input once and refuses anything but a regular file; it writes its output
// where nothing can see it until it is complete (engine/JobFiles.h) and claims the final name in
// one step, never replacing a file the user did not confirm; a partial output that holds plain
// bytes is wiped before it is removed; an input that changed while it was read fails the job;
// and an input is wiped only after its output is complete and on the disk, and only if its name
// still holds the file that was read.
#pragma once

#include "engine/JobHost.h"
#include "engine/JobOptions.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace mv::engine {

// Fixed English texts (the same in every language).
inline constexpr const char* TextUnableToCreateOutput = "Unable to create output file";
inline constexpr const char* TextInvalidCrc = "Invalid CRC32 for output file !";
inline constexpr const char* TextNoCipher = "Internal error : No cipher to burn !";
inline constexpr const char* TextInvalidMode = "Internal error : Invalid ciphermode !";
inline constexpr const char* TextTaskEncrypting = "Task : Encrypting ";
inline constexpr const char* TextTaskDecrypting = "Task : Decrypting ";
inline constexpr const char* TextTaskIdle = "Task : Nothing to do";
inline constexpr const char* TextRate100 = "100 %";
inline constexpr const char* TextCrcCaption = "  Calculating CRC32 for file  ";
inline constexpr const char* TextWipeCaption = "  Wipping file  ";
inline constexpr const char* TextCompressedUnsupported =
    "Compressed containers cannot be decrypted by this version";
// A compressed body that cannot be read back; the reason follows ("chunk 2 of 3: ...").
inline constexpr const char* TextDamagedContainer = "The container is damaged: ";
// An input beyond what the chunk table of a compressed container can describe.
inline constexpr const char* TextTooLargeToCompress =
    "The file is too large for a compressed container: at most 536821760 bytes (16383 chunks "
    "of 32767 bytes) can be compressed; encrypt it without compression";
// Job list lines, each followed directly by the job's input path.
inline constexpr const char* LineEncryptOk = "Encryption OK >> ";
inline constexpr const char* LineEncryptStopped = "Encryption STOPPED >> ";
inline constexpr const char* LineEncryptFailed = "Encryption FAILED >> ";
inline constexpr const char* LineDecryptOk = "Decryption OK >> ";
inline constexpr const char* LineDecryptStopped = "Decryption STOPPED >> ";
inline constexpr const char* LineDecryptFailed = "Decryption FAILED >> ";
inline constexpr const char* LineDecryptCrcFailed = "Decryption FAILED : ";
// The finished output could not be claimed: its name now holds a file that is not the job's to
// replace. Output first, then the input.
std::string OutputTakenText(const std::filesystem::path& output,
                            const std::filesystem::path& input);

enum class TJobOutcome
{
    Finished,          // output complete under its final name
    Stopped,           // the user pressed Stop; partial output removed
    InputMissing,      // "Input file doesn't exist !"
    InputUnopenable,   // "Unable to open input file" (also: not a regular file; too large
                       // for a compressed container, TextTooLargeToCompress)
    SameFile,          // "Input and output must not be the same !" (same device and inode)
    OverwriteDeclined, // the answer to the overwrite question was not Yes
    OutputUncreatable, // "Unable to create output file"
    InvalidFileType,   // "Invalid input file type !": no mark, too short, unlisted cipher or
                       // mode, no usable stored name
    InvalidPassword,   // "Invalid password !"
    CrcMismatch,       // "Invalid CRC32 for output file !"; the output is kept
    Damaged,           // a compressed body that cannot be read back (TextDamagedContainer);
                       // any partial output wiped
    Unsupported,       // an output kind whose job this version does not have
    IoFailed,          // a read or write failed during the job; partial output removed
    InputChanged,      // the input changed while it was read; output removed, nothing wiped
    OutputTaken        // the output's name was taken by another file meanwhile (or the file there
                       // is not the one whose replacement was confirmed); nothing replaced,
                       // output removed, nothing wiped
};

struct TJobResult
{
    TJobOutcome Outcome = TJobOutcome::Finished;
    // The output's final path: the container for an encryption, the output directory joined with
    // the stored name for a decryption (empty when the job ended before it was known).
    std::filesystem::path OutputPath;
    // Decryption finished with a password check value or a CRC-32 that confirmed it; without
    // either, a wrong password cannot be told from the right one.
    bool Verified = false;
    // The job finished but the requested wipe of its input failed (an error box said so).
    bool WipeFailed = false;
    // The system's reason behind an InputUnopenable, OutputUncreatable or IoFailed outcome.
    std::string Detail;
};

// A result of outcome, for output, with the reason behind it.
TJobResult JobResult(TJobOutcome outcome, const std::filesystem::path& output = {},
                     std::string detail = {});

// A container as a byte range of a file: the whole file for the program, the part before the
// trailer for the self-decrypting module. End -1 means the end of the file.
struct TContainerRange
{
    int64_t Begin = 0;
    int64_t End = -1;
};

// Encrypts input into a plain container at output (the caller has checked that both are given
// and that the password was retyped). Input "/dev/stdin" reads standard input, a pipe to its
// end; output "/dev/stdout" writes to standard output straight through (a pipe into a pipe cannot
// carry a CRC-32 or a compressed body, whose header fields are known only at the end). Reads
// IncludePass, IncludeCRC, EncWipeInput, SecureWipe, AlgorithmIndex and CipherModeIndex.
TJobResult EncryptFile(TJobHost& host, const TJobOptions& options,
                       const std::filesystem::path& input, const std::filesystem::path& output);

// Restores the file of the container in range of input into outputDirectory, under the stored
// name's last element. Everything about the cipher comes from the header; reads DecWipeInput and
// SecureWipe. A compressed container goes to DecryptCompressedFile.
TJobResult DecryptFile(TJobHost& host, const TJobOptions& options,
                       const std::filesystem::path& input,
                       const std::filesystem::path& outputDirectory, TContainerRange range = {});

// DecryptFile with an output the user named instead of a directory: the stored name is not used
// (it is still checked). "/dev/stdout" writes to standard output.
TJobResult DecryptFileAs(TJobHost& host, const TJobOptions& options,
                         const std::filesystem::path& input, const std::filesystem::path& output,
                         TContainerRange range = {});

// Encrypts input into a compressed container at output: chunks of 32767 plain bytes, each one
// zlib stream at level 9, encrypted, then the chunk table. The password check value is always
// stored. Inputs of more than 16383 chunks are refused before anything is written. Reads
// IncludeCRC, EncWipeInput, SecureWipe, AlgorithmIndex and CipherModeIndex.
TJobResult EncryptCompressedFile(TJobHost& host, const TJobOptions& options,
                                 const std::filesystem::path& input,
                                 const std::filesystem::path& output);

// The compressed reader, called by DecryptFile after the mark was recognised; it reads the header
// again itself and the chunk table at the end of range. The check value is always checked. A
// table that does not fit the header and the container's length is refused as Damaged before
// anything is created; a chunk that does not inflate to its exact length ends the job as Damaged
// with the partial output wiped.
TJobResult DecryptCompressedFile(TJobHost& host, const TJobOptions& options,
                                 const std::filesystem::path& input,
                                 const std::filesystem::path& outputDirectory,
                                 TContainerRange range = {});

// CRC-32 (IEEE 802.3, as zlib's) of the whole file, with the waiting window naming it. A file that
// cannot be opened gives 0 and no message; a read error ends the sum early. When error is given,
// it receives the system's reason in those two cases and is emptied otherwise.
uint32_t FileCRC32(TJobHost& host, const std::filesystem::path& path, std::string* error = nullptr);
// The same over an open file, from its first byte to its end; the file is left at position 0.
uint32_t OpenFileCRC32(TJobHost& host, platform::TFileStream& file, std::string* error = nullptr);

// Destroys a file: renames it to "wiped.file" in its directory (never replacing a file of that
// name; on a failed rename it keeps its name), overwrites its data with 0x00 (and then 0x01 and
// 0x2A when secureWipe), forcing each pass to the disk, and deletes it. Refuses, touching
// nothing, anything but a regular file, a file with other names (hard links: they would lose
// their content), and, when expected is given, a file that is not the one recorded (identity,
// size, modification time). Only the data of a sparse file is overwritten, so no space is
// needed; a failed pass never deletes the file. The waiting window names the file and is closed
// on every path. Returns false, with the reason in error when given, when the file was refused or
// could not be opened, written or deleted.
bool WipeFile(TJobHost& host, const std::filesystem::path& path, bool secureWipe,
              std::string* error = nullptr, const platform::TFileSnapshot* expected = nullptr);

// The overwriting passes of WipeFile through an open file (an output that never had a name).
bool WipeOpenFile(TJobHost& host, platform::TFileStream& file, bool secureWipe,
                  std::string* error = nullptr);

} // namespace mv::engine

// The files of a running job: the input opened once as a regular file, a container read as a
// byte range of its file, and the output, invisible until it is complete and then claimed under
// its final name without replacing anything the user did not confirm.
#pragma once

#include "cipher/Sha1.h"
#include "engine/BackgroundIo.h"
#include "platform/Exception.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace mv::engine {

class TJobHost;

// The SHA-1 of a run of bytes (the input of an encryption, the output of a decryption).
using TDigest = std::array<uint8_t, 20>;

// ---- Standard streams
// ----------------------------------------------------------------------------

// "/dev/stdin" (and its other spellings) as a job's input means the process's standard input,
// whatever it is; "/dev/stdout" as an output means its standard output, written straight through
// and never replaced.
bool IsStandardInputPath(const std::filesystem::path& path);
bool IsStandardOutputPath(const std::filesystem::path& path);

// ---- The input ---------------------------------------------------------------------------------

// The input of a job, opened once: the CRC-32 pass, the body, the final check and the wipe all
// work on this open file and on what was recorded when it was opened, never on the name again.
class TJobInput
{
public:
    // Opens path without blocking (a FIFO would hold open() until a writer came, a device may
    // never answer) and refuses anything but a regular file; false with the reason, naming the
    // file, in error.
    bool Open(const std::filesystem::path& path, std::string& error);
    // Standard input that is a pipe or terminal: read once, front to back, its size unknown
    // (Size() is -1), nothing to check afterwards and nothing to wipe.
    bool IsStream() const { return stream; }

    platform::TFileStream& File() { return *file; }
    const std::filesystem::path& Path() const { return path; }
    // Identity, size and modification time at Open.
    const platform::TFileSnapshot& Snapshot() const { return snapshot; }
    int64_t Size() const { return snapshot.Size; }
    bool IsOpen() const { return file != nullptr; }

    // True when the file is still what was recorded at Open: same size and modification time,
    // no byte beyond the recorded size (a file of /proc reports 0 and reads more), and, when
    // bytesRead is not negative, exactly that many bytes were read.
    bool Unchanged(int64_t bytesRead = -1);
    void Close();

private:
    std::filesystem::path path;
    std::unique_ptr<platform::TFileStream> file;
    platform::TFileSnapshot snapshot;
    bool stream = false;
};

// Opens path for reading as TJobInput::Open does; nothing, with the reason in error, when it
// cannot be opened or is not a regular file.
std::unique_ptr<platform::TFileStream> OpenInputFile(const std::filesystem::path& path,
                                                     std::string& error);

// True when both paths lead to one file (device and inode), whatever their spelling, symlinks or
// hard links; false when either leads nowhere.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// The message of an input that changed while a job read it ("encrypted" or "decrypted").
std::string InputChangedText(const std::filesystem::path& input, const std::string& verb);

// The bytes begin..end of a file as a stream of their own: position 0 is begin, reads end at end.
// Reading moves the file's own position ahead of the stream's: go back to the file itself only
// after a Seek of the file.
class TRangeStream : public platform::TStream
{
public:
    TRangeStream(platform::TFileStream& file, int64_t begin, int64_t end);
    ~TRangeStream() override;
    TRangeStream(const TRangeStream&) = delete;
    TRangeStream& operator=(const TRangeStream&) = delete;

    // Reads of less than ReadRunSize bytes are served from one long read of the file: the cipher
    // reads in portions of 8192 bytes, and a system call per portion is a tenth of its time.
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, platform::TSeekOrigin origin) override;
    int64_t Size() override { return end - begin; }
    // Bytes delivered so far from position 0 (after seeks: the current position).
    int64_t Position() const { return position; }

private:
    static constexpr size_t ReadRunSize = 256 * 1024;

    platform::TFileStream& file;
    int64_t begin;
    int64_t end;
    int64_t position = 0;
    std::unique_ptr<uint8_t[]> ahead;
    size_t aheadBytes = 0;
    size_t aheadNext = 0;
};

// The bytes of another stream as they are read, counted and, when asked, summed into a CRC-32:
// the encryption's checksum comes from the very bytes it encrypts, in the same pass.
class TReadCounter : public platform::TStream
{
public:
    TReadCounter(platform::TStream& source, bool sumCrc32) : source(source), sum(sumCrc32) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, platform::TSeekOrigin origin) override;
    int64_t Size() override { return source.Size(); }

    int64_t Count() const { return count; }
    uint32_t Crc32() const { return crc32; }

private:
    platform::TStream& source;
    const bool sum;
    int64_t count = 0;
    uint32_t crc32 = 0;
};

// ---- The output --------------------------------------------------------------------------------

// What stands at an output's name before the job writes it.
enum class TOutputKind
{
    Absent,      // nothing: the finished output is claimed only if the name is still free
    Existing,    // a file (or a symlink not followed) that the finished output would replace
    Directory,   // refused
    PassThrough, // a character device, FIFO or socket: written straight through, never replaced
    Refused      // a block device: never written
};

struct TOutputTarget
{
    std::filesystem::path Path;
    TOutputKind Kind = TOutputKind::Absent;
    // The identity of the name itself (lstat) when it exists: the file that an overwrite
    // confirmed for it may replace, and nothing else.
    std::optional<platform::TFileIdentity> Existing;
    // What the name is, for messages ("a FIFO (named pipe)", "a directory").
    std::string What;
    // The path was named by the user: a device or FIFO behind a symlink is written through.
    bool FollowLinks = false;
    // Standard output: this descriptor is written (through a copy), the name is not opened.
    int Descriptor = -1;
};

// Looks at path. followLinks: the user named this path, so a symlink to a device or FIFO leads
// there (a regular file behind a symlink is replaced by the finished output as the link's name).
// Without it (a name stored in a container), a symlink is only a name to replace: nothing is
// ever written through a link planted beside the output.
TOutputTarget InspectOutput(const std::filesystem::path& path, bool followLinks);

// The overwrite question for an output whose name holds a file: false when the answer was not
// Yes. On Yes (or when there was nothing to ask), confirmed holds the identity of the file that
// may be replaced, if any.
bool ConfirmOverwrite(TJobHost& host, const TOutputTarget& target,
                      std::optional<platform::TFileIdentity>& confirmed);

// The finished output's name was taken while the job ran: a file appeared where there was none,
// or the file there is not the one whose replacement was confirmed. Nothing was replaced.
class ENameTaken : public platform::EStreamError
{
public:
    using platform::EStreamError::EStreamError;
};

// The output of a job. A regular output is written where nothing can see it (an unnamed
// O_TMPFILE file in the final name's directory; where the file system has none, a hidden name of
// mode 0600) and carries the final name only after Commit, which forces the data to the disk
// first: a job killed at any point, by any signal or a power cut, leaves no half-written file
// under any name, and an input is wiped only once its output is safe. A device or FIFO output is
// written straight through. A write failure is raised as platform::EStreamError naming the final
// file and the system's reason.
//
// The writes of a regular output are gathered into runs and written behind the job, on a thread
// of its own that also takes the CRC-32 and SHA-1 of the bytes, so the job's cipher never waits
// for the disk or the checksums (see TWriteBehind). A failed write is raised by the next Write
// (or whatever writes out), and from then on nothing gathered is written any more. Every member
// that looks at the file or at the checksums first waits for that thread. A device or FIFO is
// written on the job's thread, where a signal can interrupt a write that waits for good.
class TJobOutput : public platform::TStream
{
public:
    TJobOutput() = default;
    ~TJobOutput() override;
    TJobOutput(const TJobOutput&) = delete;
    TJobOutput& operator=(const TJobOutput&) = delete;

    // Opens the output for target. confirmed: the identity of the file whose replacement the
    // user confirmed (Commit replaces that file and nothing else); without it Commit never
    // replaces anything. finalMode: permissions of the finished file before the umask. False,
    // with the reason naming the file in error, when the output cannot be created.
    bool Create(const TOutputTarget& target, std::optional<platform::TFileIdentity> confirmed,
                std::string& error, unsigned finalMode = 0666);
    // The older form: a path that is absent or whose replacement was confirmed.
    bool Create(const std::filesystem::path& finalPath, std::string& error);

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, platform::TSeekOrigin origin) override;
    int64_t Size() override;

    // The output goes straight to a device or FIFO: no temporary file, no rename, no removal.
    bool IsPassThrough() const { return passThrough; }
    // Rewrites count bytes at offset of a regular output (a header whose fields are known only
    // at the end); not counted in BytesWritten or WrittenCrc32.
    void WriteAt(int64_t offset, const void* buffer, int64_t count);
    // Bytes written so far (the gathered ones included).
    int64_t BytesWritten() const { return bytesWritten; }
    // CRC-32 of every byte written so far.
    uint32_t WrittenCrc32();
    // From now on every byte written also goes into a SHA-1 (the test of a restored file
    // compares it with what is read back from the disk). Call before the first Write.
    void TakeDigest();
    // The SHA-1 of every byte written since TakeDigest; the sum ends here.
    TDigest WrittenDigest();
    // Writes out what was gathered, forces the file's data to the disk and drops its pages from
    // the cache, so what is read next comes from the device and not from memory. A pass-through
    // output cannot be read back: EStreamError.
    void DropCache();

    // Sync, then claim the final name (see Create). Raises ENameTaken when the name is not the
    // output's to take (the output then still exists, for Discard), EStreamError otherwise.
    void Commit();
    // Keeps the finished output beside the final name, under the final name followed by suffix
    // (and a number when that is taken too), replacing nothing; returns the name it got. For a
    // pass-through output nothing is done and the final path is returned.
    std::filesystem::path CommitBeside(const std::string& suffix);
    // Removes the output. wipeHost: it holds plain bytes, so they are overwritten first (through
    // the open file, with the host's waiting window). A pass-through output is only closed.
    void Discard(TJobHost* wipeHost = nullptr, bool secureWipe = false);

    const std::filesystem::path& FinalPath() const { return finalPath; }

private:
    [[noreturn]] void Rethrow(const platform::EStreamError& error) const;
    // Writes out what Write has gathered and waits until it is written; raises like Write.
    void Flush();
    // Forgets what was gathered and not written yet, overwriting it (it may hold plain bytes),
    // and ends the writing thread.
    void DropPending();
    // Adds one gathered run to the checksums and writes it: on the writing thread, or on the
    // job's for a device or FIFO.
    void WriteRun(const uint8_t* bytes, size_t count);
    TWriteBehind& Runs();
    // Puts the finished file under a hidden name beside the final one (a no-op for a named
    // temporary file).
    void NameHidden();
    void Claim();
    void SyncDirectory() const;

    std::unique_ptr<platform::TFileStream> file;
    // Writes are gathered into runs of WriteRunSize bytes: a job writes in portions of 8192 bytes
    // or less, and one system call per portion costs about a tenth of a fast cipher's time.
    static constexpr size_t WriteRunSize = BackgroundRunSize;
    // Made at the first Write; ended before file is closed.
    std::unique_ptr<TWriteBehind> runs;
    int64_t bytesWritten = 0;
    // Of the runs handed to WriteRun; WrittenCrc32 adds the bytes still gathered.
    uint32_t crc32 = 0;
    std::unique_ptr<cipher::TMV_sha1> digest;
    bool passThrough = false;
    bool unnamed = false; // an O_TMPFILE file, until NameHidden gives it temporaryPath
    unsigned finalMode = 0666;
    std::optional<platform::TFileIdentity> confirmed;
    std::filesystem::path finalPath;
    std::filesystem::path temporaryPath;
};

} // namespace mv::engine

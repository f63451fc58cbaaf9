#include "engine/JobFiles.h"

#include "cipher/BitOps.h"
#include "cipher/Sha1.h"

#include "engine/JobFrame.h"
#include "engine/JobHost.h"
#include "engine/Work.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <libdeflate.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace mv::engine {

using platform::EStreamError;
using platform::TFileMode;
using platform::TFileStream;
using platform::TSeekOrigin;

namespace {

// Opens path without blocking and keeps it only when it is a regular file.
int OpenRegularForReading(const std::filesystem::path& path, std::string& error)
{
    const int handle = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (handle < 0) {
        error = "Cannot open \"" + path.string() + "\": " + std::strerror(errno);
        return -1;
    }
    struct stat st
    {
    };
    if (::fstat(handle, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "\"" + path.string() + "\" is " + platform::FileKindText(st.st_mode) +
                ", not a regular file";
        ::close(handle);
        return -1;
    }
    // Reads of a regular file never block; the flag only mattered for the open.
    ::fcntl(handle, F_SETFL, ::fcntl(handle, F_GETFL) & ~O_NONBLOCK);
    return handle;
}

} // namespace

bool IsStandardInputPath(const std::filesystem::path& path)
{
    return path == "/dev/stdin" || path == "/dev/fd/0" || path == "/proc/self/fd/0";
}

bool IsStandardOutputPath(const std::filesystem::path& path)
{
    return path == "/dev/stdout" || path == "/dev/fd/1" || path == "/proc/self/fd/1";
}

bool TJobInput::Open(const std::filesystem::path& inputPath, std::string& error)
{
    path = inputPath;
    if (IsStandardInputPath(path)) {
        struct stat st
        {
        };
        const int handle = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
        if (handle < 0 || ::fstat(handle, &st) != 0) {
            error = "Cannot read standard input: " + std::string(std::strerror(errno));
            if (handle >= 0)
                ::close(handle);
            return false;
        }
        if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode) &&
            !S_ISSOCK(st.st_mode)) {
            ::close(handle);
            error = "standard input is " + platform::FileKindText(st.st_mode);
            return false;
        }
        file = std::make_unique<TFileStream>(handle, path);
        snapshot = *platform::SnapshotOfHandle(handle);
        // A file the shell opened is read like any file, from its first byte.
        stream = !S_ISREG(st.st_mode) || ::lseek(handle, 0, SEEK_SET) != 0;
        if (stream)
            snapshot.Size = -1;
        return true;
    }
    const int handle = OpenRegularForReading(path, error);
    if (handle < 0)
        return false;
    file = std::make_unique<TFileStream>(handle, path);
    const auto taken = platform::SnapshotOfHandle(handle);
    if (!taken) {
        error = "Cannot examine \"" + path.string() + "\": " + std::strerror(errno);
        file.reset();
        return false;
    }
    snapshot = *taken;
    return true;
}

bool TJobInput::Unchanged(int64_t bytesRead)
{
    if (stream)
        return true; // nothing to look at again: what was read is all there is
    if (!file)
        return false;
    const auto now = platform::SnapshotOfHandle(file->Handle());
    if (!now || !(*now == snapshot))
        return false;
    if (bytesRead >= 0 && bytesRead != snapshot.Size)
        return false;
    // A file whose reported size is not its length (a file of /proc, a file being appended to
    // by a writer that keeps its time): anything beyond the size is a change.
    uint8_t probe = 0;
    return ::pread(file->Handle(), &probe, 1, snapshot.Size) == 0;
}

void TJobInput::Close()
{
    if (file)
        file->Close();
    file.reset();
}

std::unique_ptr<TFileStream> OpenInputFile(const std::filesystem::path& path, std::string& error)
{
    const int handle = OpenRegularForReading(path, error);
    if (handle < 0)
        return nullptr;
    return std::make_unique<TFileStream>(handle, path);
}

std::string InputChangedText(const std::filesystem::path& input, const std::string& verb)
{
    return "\"" + input.string() + "\" changed while it was being " + verb +
           ": its output was removed and nothing was wiped";
}

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    const auto first = platform::IdentityOfPath(a);
    const auto second = platform::IdentityOfPath(b);
    return first && second && *first == *second;
}

// ---- TRangeStream -----------------------------------------------------------------------------

TRangeStream::TRangeStream(TFileStream& source, int64_t rangeBegin, int64_t rangeEnd)
    : file(source), begin(rangeBegin), end(rangeEnd)
{
    file.Seek(begin, TSeekOrigin::Begin);
}

TRangeStream::~TRangeStream()
{
    // The run read ahead may be plain bytes (an input being encrypted).
    if (ahead)
        cipher::SecureFill(ahead.get(), ReadRunSize, 0);
}

int64_t TRangeStream::Read(void* buffer, int64_t count)
{
    auto* out = static_cast<uint8_t*>(buffer);
    const int64_t wanted = std::min(count, std::max<int64_t>(0, end - begin - position));
    int64_t done = 0;
    while (done < wanted) {
        if (aheadNext == aheadBytes) {
            // Large reads go straight through; small ones are served from one long read.
            if (wanted - done >= static_cast<int64_t>(ReadRunSize)) {
                const int64_t n = file.Read(out + done, wanted - done);
                done += n;
                break;
            }
            if (!ahead)
                ahead = std::make_unique<uint8_t[]>(ReadRunSize);
            const int64_t run =
                std::min<int64_t>(static_cast<int64_t>(ReadRunSize), end - begin - position - done);
            aheadBytes = static_cast<size_t>(file.Read(ahead.get(), run));
            aheadNext = 0;
            if (aheadBytes == 0)
                break;
        }
        const size_t n = std::min(aheadBytes - aheadNext, static_cast<size_t>(wanted - done));
        std::memcpy(out + done, ahead.get() + aheadNext, n);
        aheadNext += n;
        done += static_cast<int64_t>(n);
    }
    position += done;
    return done;
}

int64_t TRangeStream::Write(const void*, int64_t)
{
    throw EStreamError("Cannot write to a container being read");
}

int64_t TRangeStream::Seek(int64_t offset, TSeekOrigin origin)
{
    const int64_t base = origin == TSeekOrigin::Begin     ? 0
                         : origin == TSeekOrigin::Current ? position
                                                          : end - begin;
    position = base + offset;
    aheadBytes = aheadNext = 0;
    file.Seek(begin + position, TSeekOrigin::Begin);
    return position;
}

// ---- TReadCounter -------------------------------------------------------------------------------

int64_t TReadCounter::Read(void* buffer, int64_t wanted)
{
    const int64_t n = source.Read(buffer, wanted);
    if (n > 0) {
        count += n;
        if (sum)
            crc32 = libdeflate_crc32(crc32, buffer, static_cast<size_t>(n));
    }
    return n;
}

int64_t TReadCounter::Write(const void*, int64_t)
{
    throw EStreamError("Cannot write to an input");
}

int64_t TReadCounter::Seek(int64_t, TSeekOrigin)
{
    throw EStreamError("Cannot seek in an input read front to back");
}

// ---- The output --------------------------------------------------------------------------------

namespace {

std::string Quoted(const std::filesystem::path& path)
{
    return "\"" + path.string() + "\"";
}

std::filesystem::path DirectoryOf(const std::filesystem::path& path)
{
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

std::filesystem::path HiddenNameBeside(const std::filesystem::path& finalPath)
{
    static std::mt19937_64 generator{std::random_device{}()};
    // A hidden name that still says what it will become; cut so it stays within NAME_MAX.
    std::string stem = finalPath.filename().string().substr(0, 200);
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%012llx.part",
                  static_cast<unsigned long long>(generator() & 0xFFFFFFFFFFFFull));
    return DirectoryOf(finalPath) / ("." + stem + suffix);
}

// Gives the unnamed file of handle the name to, only if to is free. False with errno set.
bool LinkUnnamed(int handle, const std::filesystem::path& to)
{
    // Linking by the descriptor itself needs CAP_DAC_READ_SEARCH; through /proc it needs nothing.
    if (::linkat(handle, "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", handle);
    return ::linkat(AT_FDCWD, procPath, AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

} // namespace

TOutputTarget InspectOutput(const std::filesystem::path& path, bool followLinks)
{
    TOutputTarget target;
    target.Path = path;
    target.FollowLinks = followLinks;
    if (IsStandardOutputPath(path)) {
        target.Kind = TOutputKind::PassThrough;
        target.Descriptor = STDOUT_FILENO;
        target.What = "standard output";
        return target;
    }
    struct stat name
    {
    };
    if (::lstat(path.c_str(), &name) != 0)
        return target; // Absent
    target.Existing = platform::TFileIdentity{static_cast<uint64_t>(name.st_dev),
                                              static_cast<uint64_t>(name.st_ino)};
    struct stat st = name;
    if (S_ISLNK(name.st_mode) && followLinks && ::stat(path.c_str(), &st) != 0)
        st = name; // a dangling link is only a name to replace
    target.What = platform::FileKindText(st.st_mode);
    if (S_ISDIR(st.st_mode))
        target.Kind = TOutputKind::Directory;
    else if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
        target.Kind = TOutputKind::PassThrough;
    else if (S_ISBLK(st.st_mode))
        target.Kind = TOutputKind::Refused;
    else
        target.Kind = TOutputKind::Existing;
    return target;
}

bool ConfirmOverwrite(TJobHost& host, const TOutputTarget& target,
                      std::optional<platform::TFileIdentity>& confirmed)
{
    confirmed.reset();
    if (target.Kind != TOutputKind::Existing)
        return true;
    if (host.Confirm(host.Texts().OverwriteQuestion) != TAnswer::Yes)
        return false;
    confirmed = target.Existing;
    return true;
}

bool TJobOutput::Create(const std::filesystem::path& path, std::string& error)
{
    TOutputTarget target = InspectOutput(path, false);
    return Create(target, target.Existing, error);
}

bool TJobOutput::Create(const TOutputTarget& target,
                        std::optional<platform::TFileIdentity> confirmedIdentity,
                        std::string& error, unsigned mode)
{
    finalPath = target.Path;
    finalMode = mode;
    confirmed = confirmedIdentity;
    switch (target.Kind) {
    case TOutputKind::Directory:
        error = Quoted(finalPath) + " is a directory";
        return false;
    case TOutputKind::Refused:
        error = Quoted(finalPath) + " is " + target.What + "; nothing is written onto a disk";
        return false;
    case TOutputKind::PassThrough: {
        if (target.Descriptor >= 0) {
            const int copy = ::fcntl(target.Descriptor, F_DUPFD_CLOEXEC, 3);
            if (copy < 0) {
                error = "Cannot write to " + target.What + ": " + std::strerror(errno);
                return false;
            }
            file = std::make_unique<TFileStream>(copy, finalPath);
            passThrough = true;
            return true;
        }
        // Written through, in order, and never replaced or removed: /dev/null stays /dev/null.
        // The one named by the user may be reached through a symlink; a stored name may not.
        const int flags = O_WRONLY | O_NOCTTY | O_CLOEXEC | (target.FollowLinks ? 0 : O_NOFOLLOW);
        const int handle = ::open(finalPath.c_str(), flags);
        if (handle < 0) {
            error = "Cannot open " + Quoted(finalPath) + " (" + target.What +
                    ") for writing: " + std::strerror(errno);
            return false;
        }
        struct stat st
        {
        };
        if (::fstat(handle, &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode) ||
            S_ISBLK(st.st_mode)) {
            // The name was swapped for a file between the look and the open.
            ::close(handle);
            error = Quoted(finalPath) + " changed while it was being opened";
            return false;
        }
        file = std::make_unique<TFileStream>(handle, finalPath);
        passThrough = true;
        return true;
    }
    case TOutputKind::Absent:
    case TOutputKind::Existing:
        break;
    }

    const std::filesystem::path directory = DirectoryOf(finalPath);
    // Mode 0600 while it is being written; the finished file gets finalMode less the umask.
    const int handle = ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (handle >= 0) {
        file = std::make_unique<TFileStream>(handle, finalPath);
        unnamed = true;
        return true;
    }
    // No O_TMPFILE on this file system (or kernel): a hidden name, never through a link.
    const int reason = errno;
    if (reason != EOPNOTSUPP && reason != EISDIR && reason != EINVAL) {
        error = "Cannot create a file in " + Quoted(directory) + ": " + std::strerror(reason);
        return false;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporaryPath = HiddenNameBeside(finalPath);
        const int named =
            ::open(temporaryPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (named >= 0) {
            file = std::make_unique<TFileStream>(named, finalPath);
            return true;
        }
        if (errno != EEXIST) {
            error = "Cannot create " + Quoted(temporaryPath) + ": " + std::strerror(errno);
            break;
        }
    }
    if (error.empty())
        error = "no free temporary name beside " + Quoted(finalPath);
    temporaryPath.clear();
    return false;
}

TJobOutput::~TJobOutput()
{
    DropPending();
    // Reached with an open file only when the job is left by an exception it does not handle (a
    // test host's internal error); the file then holds at most cipher bytes or a partial output.
    if (file) {
        file.reset();
        if (!temporaryPath.empty())
            platform::RemoveName(temporaryPath);
    }
}

void TJobOutput::Rethrow(const EStreamError& error) const
{
    std::string text = error.what();
    const std::string temporary = temporaryPath.string();
    if (!temporary.empty()) {
        if (const size_t at = text.find(temporary); at != std::string::npos)
            text.replace(at, temporary.size(), finalPath.string());
    }
    throw EStreamError(text);
}

void TJobOutput::Flush()
{
    if (!runs)
        return;
    try {
        runs->Flush();
    } catch (const EStreamError& e) {
        Rethrow(e);
    }
}

void TJobOutput::DropPending()
{
    if (runs)
        runs->Abandon();
}

TWriteBehind& TJobOutput::Runs()
{
    if (!runs) {
        // A device or FIFO may take a write only when its reader comes: that write stays on the
        // job's thread, where Stop and a signal can end it.
        runs = std::make_unique<TWriteBehind>(
            [this](const uint8_t* bytes, size_t count) { WriteRun(bytes, count); }, !passThrough,
            WriteRunSize);
    }
    return *runs;
}

void TJobOutput::WriteRun(const uint8_t* bytes, size_t count)
{
    crc32 = libdeflate_crc32(crc32, bytes, count);
    if (digest)
        digest->AddBytes(bytes, static_cast<int32_t>(count));
    file->Write(bytes, static_cast<int64_t>(count));
}

int64_t TJobOutput::Read(void* buffer, int64_t count)
{
    Flush();
    try {
        return file->Read(buffer, count);
    } catch (const EStreamError& e) {
        Rethrow(e);
    }
}

int64_t TJobOutput::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    try {
        Runs().Write(buffer, static_cast<size_t>(count));
    } catch (const EStreamError& e) {
        Rethrow(e);
    }
    bytesWritten += count;
    return count;
}

int64_t TJobOutput::Seek(int64_t offset, TSeekOrigin origin)
{
    Flush();
    if (passThrough)
        throw EStreamError("Cannot seek in " + Quoted(finalPath) + ": it is not a regular file");
    try {
        return file->Seek(offset, origin);
    } catch (const EStreamError& e) {
        Rethrow(e);
    }
}

int64_t TJobOutput::Size()
{
    if (passThrough)
        return bytesWritten;
    Flush();
    try {
        return file->Size();
    } catch (const EStreamError& e) {
        Rethrow(e);
    }
}

void TJobOutput::WriteAt(int64_t offset, const void* buffer, int64_t count)
{
    if (passThrough)
        throw EStreamError("Cannot rewrite part of " + Quoted(finalPath) +
                           ": it is not a regular file");
    Flush();
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(file->Handle(), bytes + done, static_cast<size_t>(count - done),
                                   offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw EStreamError("Cannot write \"" + finalPath.string() +
                               "\": " + std::strerror(n < 0 ? errno : ENOSPC));
        done += n;
    }
}

void TJobOutput::SyncDirectory() const
{
    // The new name must reach the disk too before an input is wiped.
    const int handle = ::open(DirectoryOf(finalPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle >= 0) {
        ::fsync(handle);
        ::close(handle);
    }
}

void TJobOutput::NameHidden()
{
    if (!unnamed)
        return;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::filesystem::path hidden = HiddenNameBeside(finalPath);
        if (LinkUnnamed(file->Handle(), hidden)) {
            temporaryPath = hidden;
            unnamed = false;
            return;
        }
        if (errno != EEXIST)
            break;
    }
    throw EStreamError("Cannot name the finished output beside " + Quoted(finalPath) + ": " +
                       std::strerror(errno));
}

void TJobOutput::Claim()
{
    const std::string taken = Quoted(finalPath) + " is not the file it was when the job began";
    if (!confirmed) {
        // Nothing was there when the job began (or nothing may be replaced): the name is taken
        // only while it is still free, in one step.
        if (unnamed) {
            if (LinkUnnamed(file->Handle(), finalPath)) {
                unnamed = false;
                return;
            }
            if (errno == EEXIST)
                throw ENameTaken(taken);
            // No way to link the unnamed file here: through a hidden name, as below.
            NameHidden();
        }
        std::string reason;
        if (platform::RenameNoReplace(temporaryPath, finalPath, &reason)) {
            temporaryPath.clear();
            return;
        }
        if (errno == EEXIST)
            throw ENameTaken(taken);
        throw EStreamError("Cannot rename " + Quoted(temporaryPath) + " to " + Quoted(finalPath) +
                           ": " + reason);
    }
    // The user confirmed replacing one file: swap the names in one step, then look at what came
    // out. Anything but the confirmed file is put back where it was.
    NameHidden();
    std::string reason;
    if (platform::ExchangeNames(temporaryPath, finalPath, &reason)) {
        if (platform::IdentityOfName(temporaryPath) == confirmed) {
            platform::RemoveName(temporaryPath);
            temporaryPath.clear();
            return;
        }
        platform::ExchangeNames(temporaryPath, finalPath);
        throw ENameTaken(taken);
    }
    if (errno == ENOENT) {
        // The confirmed file went away meanwhile: the name is taken only while still free.
        if (platform::RenameNoReplace(temporaryPath, finalPath, &reason)) {
            temporaryPath.clear();
            return;
        }
        if (errno == EEXIST)
            throw ENameTaken(taken);
    } else if (errno == EINVAL || errno == ENOSYS) {
        // No exchange on this file system: look, then replace.
        if (platform::IdentityOfName(finalPath) != confirmed)
            throw ENameTaken(taken);
        if (platform::RenameReplace(temporaryPath, finalPath, &reason)) {
            temporaryPath.clear();
            return;
        }
    }
    throw EStreamError("Cannot rename " + Quoted(temporaryPath) + " to " + Quoted(finalPath) +
                       ": " + reason);
}

void TJobOutput::Commit()
{
    Flush();
    DropPending();
    if (passThrough) {
        // A device or FIFO: what was written is there; nothing to sync or to name.
        try {
            file->Close();
        } catch (const EStreamError& e) {
            file.reset();
            Rethrow(e);
        }
        file.reset();
        return;
    }
    try {
        file->Sync();
        if (::fchmod(file->Handle(), finalMode & ~platform::ProcessUmask()) != 0)
            throw EStreamError("Cannot set the permissions of " + Quoted(finalPath) + ": " +
                               std::strerror(errno));
    } catch (const ENameTaken&) {
        throw;
    } catch (const EStreamError& e) {
        Rethrow(e);
    }
    Claim();
    file->Close();
    file.reset();
    SyncDirectory();
}

std::filesystem::path TJobOutput::CommitBeside(const std::string& suffix)
{
    if (passThrough) {
        Commit();
        return finalPath;
    }
    Flush();
    DropPending();
    file->Sync();
    ::fchmod(file->Handle(), finalMode & ~platform::ProcessUmask());
    NameHidden();
    const std::string base = finalPath.string() + suffix;
    for (int number = 0; number < 1000; ++number) {
        const std::filesystem::path beside =
            number == 0 ? std::filesystem::path(base)
                        : std::filesystem::path(base + "." + std::to_string(number));
        std::string reason;
        if (platform::RenameNoReplace(temporaryPath, beside, &reason)) {
            temporaryPath.clear();
            file->Close();
            file.reset();
            SyncDirectory();
            return beside;
        }
        if (errno != EEXIST)
            throw EStreamError("Cannot rename " + Quoted(temporaryPath) + " to " + Quoted(beside) +
                               ": " + reason);
    }
    throw EStreamError("No free name beside " + Quoted(finalPath));
}

uint32_t TJobOutput::WrittenCrc32()
{
    if (!runs)
        return crc32;
    runs->Wait();
    const std::span<const uint8_t> gathered = runs->Gathered();
    return gathered.empty() ? crc32 : libdeflate_crc32(crc32, gathered.data(), gathered.size());
}

void TJobOutput::TakeDigest()
{
    if (runs)
        runs->Wait();
    digest = std::make_unique<cipher::TMV_sha1>();
    digest->Start();
}

TDigest TJobOutput::WrittenDigest()
{
    TDigest sum{};
    if (!digest)
        return sum;
    if (runs) {
        runs->Wait();
        // The bytes still gathered are written later, when the sum has ended.
        const std::span<const uint8_t> gathered = runs->Gathered();
        if (!gathered.empty())
            digest->AddBytes(gathered.data(), static_cast<int32_t>(gathered.size()));
    }
    digest->Finish(sum.data());
    digest.reset();
    return sum;
}

void TJobOutput::DropCache()
{
    Flush();
    if (passThrough || !file)
        throw EStreamError("Cannot read back " + Quoted(finalPath) +
                           ": it is not a regular file, so its content cannot be tested");
    try {
        file->Sync();
    } catch (const EStreamError& e) {
        Rethrow(e);
    }
    // Clean pages only are dropped: the sync above made them all clean.
    ::posix_fadvise(file->Handle(), 0, 0, POSIX_FADV_DONTNEED);
}

void TJobOutput::Discard(TJobHost* wipeHost, bool secureWipe)
{
    // What was not written yet never reaches the disk.
    DropPending();
    if (!file)
        return;
    if (wipeHost && !passThrough) {
        // Through the open file: an unnamed output has no name to wipe by.
        TWaitWindow window(*wipeHost, TextWipeCaption, finalPath.string());
        WipeOpenFile(*wipeHost, *file, secureWipe);
    }
    try {
        file->Close();
    } catch (const EStreamError&) {
        // Removed next; a failed close changes nothing there.
    }
    file.reset();
    if (!temporaryPath.empty())
        platform::RemoveName(temporaryPath);
    temporaryPath.clear();
}

} // namespace mv::engine

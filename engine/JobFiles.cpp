#include "engine/JobFiles.h"

#include "cipher/BitOps.h"

#include "platform/Exception.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace mv::engine {

using platform::EStreamError;
using platform::TFileMode;
using platform::TFileStream;
using platform::TSeekOrigin;

std::unique_ptr<TFileStream> OpenInputFile(const std::filesystem::path& path, std::string& error)
{
    try {
        auto file = std::make_unique<TFileStream>(path, TFileMode::OpenRead);
        struct stat st
        {
        };
        if (::fstat(file->Handle(), &st) != 0 || !S_ISREG(st.st_mode)) {
            error = "\"" + path.string() + "\" is not a regular file";
            return nullptr;
        }
        return file;
    } catch (const EStreamError& e) {
        error = e.what();
        return nullptr;
    }
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

// ---- TJobOutput -------------------------------------------------------------------------------

namespace {

std::filesystem::path TemporaryNameBeside(const std::filesystem::path& finalPath)
{
    static std::mt19937_64 generator{std::random_device{}()};
    // A hidden name that still says what it will become; cut so it stays within NAME_MAX.
    std::string stem = finalPath.filename().string().substr(0, 200);
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%012llx.part",
                  static_cast<unsigned long long>(generator() & 0xFFFFFFFFFFFFull));
    return finalPath.parent_path() / ("." + stem + suffix);
}

} // namespace

bool TJobOutput::Create(const std::filesystem::path& path, std::string& error)
{
    finalPath = path;
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        error = "\"" + path.string() + "\" is a directory";
        return false;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporaryPath = TemporaryNameBeside(path);
        try {
            file = std::make_unique<TFileStream>(temporaryPath, TFileMode::CreateNew);
            return true;
        } catch (const EStreamError& e) {
            if (!platform::NameExists(temporaryPath)) {
                error = e.what();
                break;
            }
        }
    }
    if (error.empty())
        error = "no free temporary name beside \"" + path.string() + "\"";
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
        platform::RemoveName(temporaryPath);
    }
}

void TJobOutput::Rethrow(const EStreamError& error) const
{
    std::string text = error.what();
    const std::string temporary = temporaryPath.string();
    if (const size_t at = text.find(temporary); at != std::string::npos)
        text.replace(at, temporary.size(), finalPath.string());
    throw EStreamError(text);
}

void TJobOutput::Flush()
{
    if (pendingBytes == 0)
        return;
    const auto n = static_cast<int64_t>(pendingBytes);
    pendingBytes = 0;
    try {
        file->Write(pending.get(), n);
    } catch (const EStreamError& e) {
        Rethrow(e);
    }
}

void TJobOutput::DropPending()
{
    if (pending)
        cipher::SecureFill(pending.get(), WriteRunSize, 0);
    pendingBytes = 0;
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
    const auto n = static_cast<size_t>(count);
    if (pendingBytes + n > WriteRunSize)
        Flush();
    if (n < WriteRunSize) {
        if (!pending)
            pending = std::make_unique<uint8_t[]>(WriteRunSize);
        std::memcpy(pending.get() + pendingBytes, buffer, n);
        pendingBytes += n;
        return count;
    }
    try {
        return file->Write(buffer, count);
    } catch (const EStreamError& e) {
        Rethrow(e);
    }
}

int64_t TJobOutput::Seek(int64_t offset, TSeekOrigin origin)
{
    Flush();
    try {
        return file->Seek(offset, origin);
    } catch (const EStreamError& e) {
        Rethrow(e);
    }
}

int64_t TJobOutput::Size()
{
    Flush();
    try {
        return file->Size();
    } catch (const EStreamError& e) {
        Rethrow(e);
    }
}

void TJobOutput::Commit()
{
    Flush();
    DropPending();
    try {
        file->Sync();
        file->Close();
    } catch (const EStreamError& e) {
        Rethrow(e);
    }
    file.reset();
    std::string reason;
    if (!platform::RenameReplace(temporaryPath, finalPath, &reason))
        throw EStreamError("Cannot rename \"" + temporaryPath.string() + "\" to \"" +
                           finalPath.string() + "\": " + reason);
    temporaryPath.clear();
    // The new name must reach the disk too before an input is wiped.
    const std::filesystem::path directory =
        finalPath.has_parent_path() ? finalPath.parent_path() : std::filesystem::path(".");
    const int handle = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle >= 0) {
        ::fsync(handle);
        ::close(handle);
    }
}

void TJobOutput::CloseTemporary()
{
    // What was not written yet never reaches the disk: the caller removes or wipes the file.
    DropPending();
    if (!file)
        return;
    try {
        file->Close();
    } catch (const EStreamError&) {
        // The caller removes or wipes the file next; a failed close changes nothing there.
    }
    file.reset();
}

void TJobOutput::Discard()
{
    CloseTemporary();
    if (!temporaryPath.empty())
        platform::RemoveName(temporaryPath);
    temporaryPath.clear();
}

} // namespace mv::engine

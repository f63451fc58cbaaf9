// FileCRC32: the CRC-32 of a file while the waiting window names it.
#include "engine/JobFiles.h"
#include "engine/JobFrame.h"
#include "engine/Work.h"
#include "platform/FileStream.h"

#include <libdeflate.h>
#include <memory>

namespace mv::engine {

namespace {

// One read per round of message processing, as the waiting window has always been refreshed.
constexpr int64_t CrcReadSize = 65521;

} // namespace

uint32_t OpenFileCRC32(TJobHost& host, platform::TFileStream& file, std::string* error)
{
    TWaitWindow window(host, TextCrcCaption, file.Path().string());
    if (error)
        error->clear();
    auto buffer = std::make_unique<uint8_t[]>(CrcReadSize);
    uint32_t crc = 0; // libdeflate keeps the register complemented between calls
    try {
        file.Seek(0, platform::TSeekOrigin::Begin);
        for (;;) {
            host.ProcessMessages();
            const int64_t n = file.Read(buffer.get(), CrcReadSize);
            if (n == 0)
                break;
            crc = libdeflate_crc32(crc, buffer.get(), static_cast<size_t>(n));
        }
        file.Seek(0, platform::TSeekOrigin::Begin);
    } catch (const platform::EStreamError& e) {
        if (error)
            *error = e.what();
    }
    return crc;
}

uint32_t FileCRC32(TJobHost& host, const std::filesystem::path& path, std::string* error)
{
    std::string openError;
    // Opened as a job opens its input: a FIFO or device is refused instead of blocking.
    auto file = OpenInputFile(path, openError);
    if (!file) {
        TWaitWindow window(host, TextCrcCaption, path.string());
        if (error)
            *error = openError;
        return 0;
    }
    return OpenFileCRC32(host, *file, error);
}

} // namespace mv::engine

// FileCRC32: the CRC-32 of a file while the waiting window names it.
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

uint32_t FileCRC32(TJobHost& host, const std::filesystem::path& path, std::string* error)
{
    TWaitWindow window(host, TextCrcCaption, path.string());
    if (error)
        error->clear();
    std::unique_ptr<platform::TFileStream> file;
    try {
        file = std::make_unique<platform::TFileStream>(path, platform::TFileMode::OpenRead);
    } catch (const platform::EStreamError& e) {
        if (error)
            *error = e.what();
        return 0;
    }
    auto buffer = std::make_unique<uint8_t[]>(CrcReadSize);
    uint32_t crc = 0; // libdeflate keeps the register complemented between calls
    try {
        for (;;) {
            host.ProcessMessages();
            const int64_t n = file->Read(buffer.get(), CrcReadSize);
            if (n == 0)
                break;
            crc = libdeflate_crc32(crc, buffer.get(), static_cast<size_t>(n));
        }
    } catch (const platform::EStreamError& e) {
        if (error)
            *error = e.what();
    }
    return crc;
}

} // namespace mv::engine

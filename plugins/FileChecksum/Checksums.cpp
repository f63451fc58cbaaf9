#include "FileChecksum/Checksums.h"

#include "cipher/Sha1.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>
#include <zlib.h>

namespace mv::plugins {

std::optional<TChecksums> FileChecksums(const std::filesystem::path& file,
                                        const TChecksumProgress& progress, std::string* error)
{
    if (error)
        error->clear();
    std::ifstream in(file, std::ios::binary);
    std::error_code sizeError;
    const uintmax_t size = std::filesystem::file_size(file, sizeError);
    if (!in || sizeError) {
        if (error)
            *error = sizeError ? sizeError.message() : std::strerror(errno);
        return std::nullopt;
    }
    TChecksums checksums;
    cipher::TMV_sha1 sha1;
    sha1.Start();
    uLong crc = crc32(0L, Z_NULL, 0);
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<size_t>(in.gcount());
        if (got == 0)
            break;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(got));
        sha1.AddBytes(buffer.data(), static_cast<int32_t>(got));
        checksums.Size += got;
        // The digest object wipes its state when it goes.
        if (progress && !progress(checksums.Size, std::max<uint64_t>(size, checksums.Size)))
            return std::nullopt;
    }
    if (in.bad()) {
        if (error)
            *error = std::strerror(errno);
        return std::nullopt;
    }
    checksums.Crc32 = static_cast<uint32_t>(crc);
    sha1.Finish(checksums.Sha1.data());
    return checksums;
}

std::string Crc32Text(uint32_t crc)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08x", crc);
    return text;
}

std::string Sha1Text(const std::array<uint8_t, 20>& digest)
{
    static const char Hex[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : digest) {
        text += Hex[byte >> 4];
        text += Hex[byte & 15];
    }
    return text;
}

bool MatchesChecksum(const TChecksums& checksums, const std::string& expected)
{
    std::string text;
    for (char c : expected)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            text += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return !text.empty() &&
           (text == Crc32Text(checksums.Crc32) || text == Sha1Text(checksums.Sha1));
}

} // namespace mv::plugins

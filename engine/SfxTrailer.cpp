#include "engine/SfxTrailer.h"

#include "engine/ContainerHeader.h"
#include "platform/Exception.h"
#include "platform/FileStream.h"

namespace mv::engine {

namespace {

void StoreLe64(uint8_t* to, int64_t value)
{
    const auto bits = static_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        to[i] = static_cast<uint8_t>(bits >> (8 * i));
}

int64_t LoadLe64(const uint8_t* from)
{
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<uint64_t>(from[i]) << (8 * i);
    return static_cast<int64_t>(bits);
}

} // namespace

TSfxTrailerBytes EncodeSfxTrailer(int64_t payloadLength)
{
    TSfxTrailerBytes bytes{};
    StoreLe64(bytes.data(), payloadLength);
    StoreLe64(bytes.data() + 8, SfxMarker);
    return bytes;
}

std::optional<int64_t> DecodeSfxTrailer(std::span<const uint8_t, SfxTrailerSize> trailer)
{
    if (LoadLe64(trailer.data() + 8) != SfxMarker)
        return std::nullopt;
    return LoadLe64(trailer.data());
}

TSfxLocation LocateSfxContainer(int64_t fileSize, std::span<const uint8_t, SfxTrailerSize> trailer)
{
    TSfxLocation location;
    const std::optional<int64_t> payload =
        fileSize >= SfxTrailerSize ? DecodeSfxTrailer(trailer) : std::nullopt;
    if (!payload) {
        location.Fault = TSfxFault::NoTrailer;
        return location;
    }
    // The length comes from the file: compared against what is there, never added to blindly.
    const int64_t room = fileSize - SfxTrailerSize - HeaderSize;
    if (*payload < 0 || room < 0 || *payload > room) {
        location.Fault = TSfxFault::PayloadOutOfFile;
        return location;
    }
    location.Range.End = fileSize - SfxTrailerSize;
    location.Range.Begin = location.Range.End - *payload - HeaderSize;
    return location;
}

TSfxLocation LocateSfxContainer(const std::filesystem::path& file)
{
    platform::TFileStream stream(file, platform::TFileMode::OpenRead);
    const int64_t size = stream.Size();
    TSfxTrailerBytes trailer{};
    if (size >= SfxTrailerSize) {
        stream.Seek(size - SfxTrailerSize, platform::TSeekOrigin::Begin);
        if (stream.Read(trailer.data(), SfxTrailerSize) != SfxTrailerSize)
            throw platform::EStreamError("Cannot read the end of \"" + file.string() + "\"");
    }
    return LocateSfxContainer(size, trailer);
}

} // namespace mv::engine

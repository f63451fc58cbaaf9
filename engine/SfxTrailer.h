// The 16 bytes at the end of a self-decrypting file by which its SFX module finds the container
// inside its own file, and the container's byte range they lead to.
#pragma once

#include "engine/Work.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace mv::engine {

// The trailer: PayloadLength, then SfxMarker, each signed 64-bit little-endian. PayloadLength
// counts the bytes between the end of the container header and the trailer.
inline constexpr int32_t SfxTrailerSize = 16;
inline constexpr int64_t SfxMarker = 666555444;
using TSfxTrailerBytes = std::array<uint8_t, SfxTrailerSize>;

TSfxTrailerBytes EncodeSfxTrailer(int64_t payloadLength);
// PayloadLength when the last 8 bytes hold SfxMarker; nothing otherwise.
std::optional<int64_t> DecodeSfxTrailer(std::span<const uint8_t, SfxTrailerSize> trailer);

// Why a file holds no container that its trailer can lead to.
enum class TSfxFault
{
    None,
    NoTrailer,       // shorter than a trailer, or the last 8 bytes are not SfxMarker
    PayloadOutOfFile // PayloadLength negative, or header and payload do not fit before it
};

struct TSfxLocation
{
    TSfxFault Fault = TSfxFault::None;
    TContainerRange Range; // the container's bytes when Fault is None
};

// Where the container of a file of fileSize bytes ending in trailer lies.
TSfxLocation LocateSfxContainer(int64_t fileSize, std::span<const uint8_t, SfxTrailerSize> trailer);
// The same for a file on disk; raises platform::EStreamError when it cannot be opened or read.
TSfxLocation LocateSfxContainer(const std::filesystem::path& file);

} // namespace mv::engine

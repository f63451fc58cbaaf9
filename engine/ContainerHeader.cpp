#include "engine/ContainerHeader.h"

#include "cipher/BitOps.h"
#include "platform/FileStream.h"

#include <algorithm>

namespace mv::engine {

using cipher::LoadLE32;
using cipher::StoreLE32;

TContainerHeader CurrentHeader;

THeaderBytes TContainerHeader::Encode() const
{
    THeaderBytes bytes{};
    StoreLE32(&bytes[OffsetCrc32], Crc32);
    std::copy(Magic.begin(), Magic.end(), &bytes[OffsetMagic]);
    const size_t nameLength = std::min<size_t>(FileName.size(), MaxFileNameLength);
    bytes[OffsetFileName] = static_cast<uint8_t>(nameLength);
    std::copy_n(FileName.begin(), nameLength, &bytes[OffsetFileName + 1]);
    StoreLE32(&bytes[OffsetCipherId], static_cast<uint32_t>(CipherId));
    StoreLE32(&bytes[OffsetModeIndex], static_cast<uint32_t>(ModeIndex));
    StoreLE32(&bytes[OffsetChunkTableSize], static_cast<uint32_t>(ChunkTableSize));
    StoreLE32(&bytes[OffsetLastChunkSize], static_cast<uint32_t>(LastChunkSize));
    StoreLE32(&bytes[OffsetCheckValue], CheckValue1);
    StoreLE32(&bytes[OffsetCheckValue + 4], CheckValue2);
    bytes[OffsetHasPasswordCheck] = HasPasswordCheck ? 1 : 0;
    bytes[OffsetIsCompressed] = IsCompressed ? 1 : 0;
    bytes[OffsetHasCrc] = HasCrc ? 1 : 0;
    return bytes;
}

TContainerHeader TContainerHeader::Decode(std::span<const uint8_t, HeaderSize> bytes)
{
    TContainerHeader header;
    header.Crc32 = LoadLE32(&bytes[OffsetCrc32]);
    std::copy_n(&bytes[OffsetMagic], header.Magic.size(), header.Magic.begin());
    const uint8_t nameLength = bytes[OffsetFileName];
    header.FileName.assign(reinterpret_cast<const char*>(&bytes[OffsetFileName + 1]), nameLength);
    header.CipherId = static_cast<int32_t>(LoadLE32(&bytes[OffsetCipherId]));
    header.ModeIndex = static_cast<int32_t>(LoadLE32(&bytes[OffsetModeIndex]));
    header.ChunkTableSize = static_cast<int32_t>(LoadLE32(&bytes[OffsetChunkTableSize]));
    header.LastChunkSize = static_cast<int32_t>(LoadLE32(&bytes[OffsetLastChunkSize]));
    header.CheckValue1 = LoadLE32(&bytes[OffsetCheckValue]);
    header.CheckValue2 = LoadLE32(&bytes[OffsetCheckValue + 4]);
    header.HasPasswordCheck = bytes[OffsetHasPasswordCheck] != 0;
    header.IsCompressed = bytes[OffsetIsCompressed] != 0;
    header.HasCrc = bytes[OffsetHasCrc] != 0;
    return header;
}

std::array<uint8_t, 8> TContainerHeader::CheckBytes() const
{
    std::array<uint8_t, 8> bytes{};
    StoreLE32(&bytes[0], CheckValue1);
    StoreLE32(&bytes[4], CheckValue2);
    return bytes;
}

void TContainerHeader::SetCheckBytes(std::span<const uint8_t, 8> bytes)
{
    CheckValue1 = LoadLE32(&bytes[0]);
    CheckValue2 = LoadLE32(&bytes[4]);
}

namespace {

uint32_t generatorState = 0;

uint32_t Draw65535()
{
    generatorState = generatorState * 1664525u + 1013904223u;
    return static_cast<uint32_t>((static_cast<uint64_t>(generatorState) * 65535u) >> 32);
}

} // namespace

uint32_t NewCheckValue()
{
    const uint32_t low = Draw65535();
    const uint32_t high = Draw65535();
    return low | (high << 16);
}

bool HasKnownCipherAndMode(const TContainerHeader& header)
{
    static constexpr int32_t KnownIds[] = {1, 5, 6, 7, 8, 9};
    const bool knownId =
        std::find(std::begin(KnownIds), std::end(KnownIds), header.CipherId) != std::end(KnownIds);
    return knownId && header.ModeIndex >= 0 && header.ModeIndex <= 3;
}

std::optional<std::string> SafeFileName(std::string_view storedName)
{
    const size_t cut = storedName.find_last_of("/\\");
    std::string_view last = cut == std::string_view::npos ? storedName : storedName.substr(cut + 1);
    // A drive prefix ("C:name", a name relative to a drive's current directory) separates too.
    if (last.size() >= 2 && last[1] == ':' &&
        ((last[0] >= 'A' && last[0] <= 'Z') || (last[0] >= 'a' && last[0] <= 'z')))
        last.remove_prefix(2);
    const bool hasControl = std::any_of(last.begin(), last.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
    if (last.empty() || last == "." || last == ".." || hasControl)
        return std::nullopt;
    return std::string(last);
}

std::string StoredFileName(const std::filesystem::path& inputPath)
{
    std::string name = inputPath.filename().string();
    if (name.size() > MaxFileNameLength)
        name.resize(MaxFileNameLength);
    return name;
}

std::optional<TContainerHeader> ReadContainerHeader(const std::filesystem::path& path,
                                                    int64_t offset)
{
    platform::TFileStream file(path, platform::TFileMode::OpenRead);
    THeaderBytes bytes{};
    file.Seek(offset, platform::TSeekOrigin::Begin);
    if (file.Read(bytes.data(), HeaderSize) != HeaderSize)
        return std::nullopt;
    return TContainerHeader::Decode(bytes);
}

} // namespace mv::engine

// What a file holds, as the decrypt job would find it, read without a password and without
// writing anything: a container from its first byte, a container inside a self-decrypting file
// (found through the trailer), or neither; and for a container, whether the decrypt job would
// refuse it before it begins. info shows this; decrypt works out its outputs from it.
#pragma once

#include "engine/ContainerHeader.h"
#include "engine/Work.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace mv::cli {

enum class TProbeFault
{
    None,
    Missing,    // no such file
    NotRegular, // a directory, FIFO, device or socket: never opened for reading
    Unreadable  // cannot be opened or read; Reason says why
};

enum class TContainerKind
{
    None,          // neither: "Invalid input file type !"
    Container,     // a container from the file's first byte
    SelfDecrypting // a container before the trailer of a self-decrypting file
};

struct TContainerProbe
{
    TProbeFault Fault = TProbeFault::None;
    std::string Reason; // the system's reason of Unreadable
    TContainerKind Kind = TContainerKind::None;
    int64_t FileSize = 0;
    // The container's bytes in the file: Begin..End, End resolved (never -1).
    engine::TContainerRange Range;
    engine::TContainerHeader Header;
    // A header the decrypt job refuses as "Invalid input file type !" for its cipher or mode.
    // Empty when it would be accepted.
    std::string Refusal;
    // The stored name reduced to what decryption would create; empty when nothing usable is
    // left (the decrypt job refuses such a container too, but the name is what one inspects).
    std::string RestoredName;
    // A compressed body whose chunk fields cannot be right (the decrypt job refuses it as
    // damaged before it writes anything): the reason. Empty otherwise.
    std::string Damage;
};

TContainerProbe ProbeContainer(const std::filesystem::path& path);

} // namespace mv::cli

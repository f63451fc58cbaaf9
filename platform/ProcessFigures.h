// Figures of the running process: how much memory it holds in RAM (its resident set), for the
// About page.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace mv::platform {

// The resident set size of this process in bytes, from /proc/self/statm; nothing when the system
// does not tell.
std::optional<uint64_t> ResidentSetBytes();

// The resident set in bytes from the text of a statm file (its second field counts pages of
// pageSize bytes); nothing when the text does not hold two numbers.
std::optional<uint64_t> ResidentSetFromStatm(std::string_view statm, uint64_t pageSize);

} // namespace mv::platform

// The About page's two computed lines and the addresses the page and the pictures open.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mv::app {

// The program's version: the four numbers of the build's project version joined by full stops.
std::string GetProgramVersion();

// Shown instead of the memory line when the process's figure cannot be had.
inline constexpr const char* MemoryFailureText = "Unable to retrieve memory usage structure!";

// "Morvane v0.5 beta 3 ( <version> )", the same in both languages.
std::string VersionLine(const std::string& version);
// prefix + the whole KiB of bytes (the remainder dropped) + " KBytes"; the failure text when
// bytes is nothing.
std::string UsedMemoryLine(const std::string& prefix, std::optional<uint64_t> bytes);
// The address btnURL and btnUpdate open: the home page in Romanian (language 1), otherwise the
// English-language page.
std::string UpdateAddress(uint8_t language);

} // namespace mv::app

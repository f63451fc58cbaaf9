// Writing an INI file of sections and Key=Value lines in a given order. The file is written beside
// its final name and moved into place only when complete, so a failed save never leaves the
// settings half written or lost.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace mv::platform {

struct TIniSection
{
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Keys; // in the order written
};

// Replaces path with exactly these sections and keys. False, with the system's reason in error
// when given, when the file could not be written; the old file then stays as it was.
bool WriteIniFile(const std::filesystem::path& path, const std::vector<TIniSection>& sections,
                  std::string* error = nullptr);

} // namespace mv::platform

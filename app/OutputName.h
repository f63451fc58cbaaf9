// The path rules of the choosers: the encrypted output's extension and the directory part of a
// chosen container. Paths are the platform's, with "/" as separator.
#pragma once

#include <string>

namespace mv::app {

inline constexpr const char* ContainerExtension = ".mvx";
inline constexpr const char* SelfExtractorExtension = ".exe";

// ".exe" for self-decrypting output, ".mvx" otherwise.
const char* OutputExtension(bool selfExtract);

// Replaces the file name's part from its last "." with extension, or appends extension when the
// file name (what follows the last "/") has no "." after its first character. A dot in a
// directory name is not an extension ("/v1.2/data" gives "/v1.2/data.mvx"), nor is the leading
// dot of a hidden file ("/home/u/.profile" gives "/home/u/.profile.mvx").
std::string ChangeFileExtension(const std::string& path, const std::string& extension);

// Everything up to and including the last "/"; empty when the path has none.
std::string DirectoryPart(const std::string& path);

} // namespace mv::app

// Output names derived from input names, as the program's file choosers propose them.
#pragma once

#include <string>

namespace mv::cli {

inline constexpr const char* ContainerExtension = ".mvx";
inline constexpr const char* SelfExtractorExtension = ".exe";

// Replaces the file name's part from its last "." with extension, or appends extension when the
// file name (what follows the last "/") has no ".". The directory part is never touched.
std::string ChangeExtension(const std::string& path, const std::string& extension);

// The directory a container is restored into when none is given: the container's own.
std::string ContainerDirectory(const std::string& containerPath);

} // namespace mv::cli

// The desktop's open request for documents and web addresses. The Qt window asks through its
// own opener; this is the same request without a toolkit (xdg-open), for a program that has none,
// and the spelling of a local file as an address.
#pragma once

#include <filesystem>
#include <string>

namespace mv::platform {

// The file: address of an absolute path, every byte outside the unreserved characters and "/"
// percent-encoded ("/a b/#1.html" is "file:///a%20b/%231.html").
std::string FileUrl(const std::filesystem::path& path);

// Hands address to xdg-open in the background and returns at once; false when xdg-open is not
// installed or no process could be started. What xdg-open then finds (a browser or none) is not
// waited for: it may run as long as the browser does.
bool OpenWithDesktop(const std::string& address);

} // namespace mv::platform

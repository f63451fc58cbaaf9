#include "app/OutputName.h"

namespace mv::app {

const char* OutputExtension(bool selfExtract)
{
    return selfExtract ? SelfExtractorExtension : ContainerExtension;
}

std::string ChangeFileExtension(const std::string& path, const std::string& extension)
{
    const size_t nameStart = path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1;
    const size_t dot = path.rfind('.');
    // A leading dot names a hidden file on this platform, not an extension: ".profile" keeps its
    // name and gains the extension.
    if (dot == std::string::npos || dot <= nameStart)
        return path + extension;
    return path.substr(0, dot) + extension;
}

std::string DirectoryPart(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace mv::app

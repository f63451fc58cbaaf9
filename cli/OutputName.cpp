#include "cli/OutputName.h"

namespace mv::cli {

std::string ChangeExtension(const std::string& path, const std::string& extension)
{
    size_t nameStart = path.rfind('/');
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        return path + extension;
    return path.substr(0, dot) + extension;
}

std::string ContainerDirectory(const std::string& containerPath)
{
    size_t slash = containerPath.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return containerPath.substr(0, slash);
}

} // namespace mv::cli

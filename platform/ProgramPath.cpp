#include "platform/ProgramPath.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace mv::platform {

namespace {

std::string WithClosingSeparator(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::filesystem::path XdgHome(const char* variable, const char* belowHome)
{
    if (const char* value = std::getenv(variable);
        value && *value && std::filesystem::path(value).is_absolute())
        return value;
    return std::filesystem::path(HomeDirectory()) / belowHome;
}

} // namespace

std::filesystem::path ProgramFile()
{
    std::error_code error;
    std::filesystem::path file = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : file;
}

std::filesystem::path ProgramDirectory()
{
    return ProgramFile().parent_path();
}

std::string HomeDirectory()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return WithClosingSeparator(home);
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir)
        return WithClosingSeparator(found->pw_dir);
    return "/";
}

std::string TempDirectory()
{
    std::error_code error;
    std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    return WithClosingSeparator(error ? std::string("/tmp") : temp.string());
}

std::filesystem::path ConfigHome()
{
    return XdgHome("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path DataHome()
{
    return XdgHome("XDG_DATA_HOME", ".local/share");
}

} // namespace mv::platform

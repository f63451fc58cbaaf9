#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace mv::platform {

void TDynamicLibrary::TUnload::operator()(void* handle) const
{
    dlclose(handle);
}

TDynamicLibrary::TDynamicLibrary(const std::filesystem::path& path)
{
    // A bare name would be searched for along the library path; the plug-ins are named by path.
    const std::filesystem::path absolute = path.is_absolute() ? path : "./" / path;
    dlerror();
    handle_.reset(dlopen(absolute.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!handle_) {
        const char* reason = dlerror();
        throw EDLLLoadError(reason ? reason : "cannot load " + path.string());
    }
}

void* TDynamicLibrary::Symbol(const char* name) const
{
    return dlsym(handle_.get(), name);
}

} // namespace mv::platform

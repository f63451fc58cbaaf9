// Dynamic libraries: load by path, look up an export by name, unload when the object goes. The
// tool plug-ins are the only users; nothing stays loaded longer than one object lives.
#pragma once

#include "platform/Exception.h"

#include <filesystem>
#include <memory>

namespace mv::platform {

// A library that cannot be loaded; the message is the loader's own reason.
class EDLLLoadError : public Exception
{
public:
    using Exception::Exception;
};

class TDynamicLibrary
{
public:
    // Loads the library at path, resolving every symbol at once (so a library with a missing
    // dependency fails here, not in the middle of a call), its symbols kept local to it. Raises
    // EDLLLoadError when the file is no loadable library.
    explicit TDynamicLibrary(const std::filesystem::path& path);

    // The address of the exported symbol name, nullptr when the library has none.
    void* Symbol(const char* name) const;
    // The same, as a function pointer of type F.
    template <class F> F Function(const char* name) const
    {
        return reinterpret_cast<F>(Symbol(name));
    }

private:
    struct TUnload
    {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, TUnload> handle_;
};

} // namespace mv::platform

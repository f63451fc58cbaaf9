// A plug-in whose run fails with a C++ exception: the program reports the failure and brings its
// window back.
#include "plugins/MorvanePlugin.h"

#include <stdexcept>

const char* D_NAME(void)
{
    return "Tool that fails";
}

const char* D_ENG(void)
{
    return "Throws from D_EXEC.";
}

const char* D_ROM(void)
{
    return "Arunca o exceptie din D_EXEC.";
}

void D_EXEC(const MorvaneApplication*, unsigned char)
{
    throw std::runtime_error("the tool failed");
}

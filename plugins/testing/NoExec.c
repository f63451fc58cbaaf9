/* A plug-in with its three texts but no D_EXEC: listed, and running it is an error. */
#include "plugins/MorvanePlugin.h"

const char* D_NAME(void)
{
    return "Tool that cannot run";
}

const char* D_ENG(void)
{
    return "Lacks D_EXEC.";
}

const char* D_ROM(void)
{
    return "Nu are D_EXEC.";
}

/* A plug-in whose D_NAME answers NULL: a failed call, so it must not be listed. */
#include "plugins/MorvanePlugin.h"

const char* D_NAME(void)
{
    return 0;
}

const char* D_ENG(void)
{
    return "Answers no name.";
}

const char* D_ROM(void)
{
    return "Nu raspunde cu un nume.";
}

void D_EXEC(const MorvaneApplication* application, unsigned char language)
{
    (void)application;
    (void)language;
}

/* A plug-in without D_ROM: it must not be listed. */
#include "plugins/MorvanePlugin.h"

const char* D_NAME(void)
{
    return "Tool without Romanian text";
}

const char* D_ENG(void)
{
    return "Lacks D_ROM.";
}

void D_EXEC(const MorvaneApplication* application, unsigned char language)
{
    (void)application;
    (void)language;
}

/* A plug-in with all four exports; running it reports the call through the test's probe. */
#include "plugins/testing/TestProbe.h"

#include <string.h>

const char* D_NAME(void)
{
    return "Good test tool";
}

const char* D_ENG(void)
{
    return "Reports its call to the test.";
}

const char* D_ROM(void)
{
    return "Raporteaza apelul catre test.";
}

void D_EXEC(const MorvaneApplication* application, unsigned char language)
{
    if (application && application->ParentWindow && application->WindowToolkit &&
        strcmp(application->WindowToolkit, MORVANE_TEST_PROBE_TOOLKIT) == 0) {
        const MorvaneTestProbe* probe = (const MorvaneTestProbe*)application->ParentWindow;
        probe->Called(probe->Context, application, language);
    }
}

/*
 * The test-only plug-ins' way back to the test that runs them: the test passes a probe as the
 * application object's parent window, and the tool reports its call through it. Nothing but the
 * tests uses this.
 */
#ifndef MORVANE_TEST_PROBE_H
#define MORVANE_TEST_PROBE_H

#include "plugins/MorvanePlugin.h"

#define MORVANE_TEST_PROBE_TOOLKIT "MorvaneTestProbe"

typedef struct MorvaneTestProbe
{
    void (*Called)(void* context, const MorvaneApplication* application, unsigned char language);
    void* Context;
} MorvaneTestProbe;

#endif /* MORVANE_TEST_PROBE_H */

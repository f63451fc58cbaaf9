/* A plug-in whose name (80 characters) and descriptions (300 characters) exceed the table's
 * fields: listed with the name cut to 64 and the descriptions to 254 characters. */
#include "plugins/MorvanePlugin.h"

#define TEN "0123456789"

const char* D_NAME(void)
{
    return "N" TEN TEN TEN TEN TEN TEN TEN "abcdefghi";
}

const char* D_ENG(void)
{
    return "E" TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN
        TEN TEN TEN TEN TEN TEN TEN TEN "abcdefghi";
}

const char* D_ROM(void)
{
    return "R" TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN TEN
        TEN TEN TEN TEN TEN TEN TEN TEN "abcdefghi";
}

void D_EXEC(const MorvaneApplication* application, unsigned char language)
{
    (void)application;
    (void)language;
}

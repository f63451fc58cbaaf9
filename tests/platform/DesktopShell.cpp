// The file: address the Help button hands to the desktop.
#include "platform/DesktopShell.h"

#include <gtest/gtest.h>

namespace mv::test {
namespace {

TEST(DesktopShell, FileUrlPercentEncodesAllButTheUnreservedAndSlashes)
{
    const struct
    {
        const char* Path;
        const char* Url;
    } cases[] = {
        {"/opt/morvane/Help/Morvane.html", "file:///opt/morvane/Help/Morvane.html"},
        {"/home/ana/My Programs/Help/Morvane.html",
         "file:///home/ana/My%20Programs/Help/Morvane.html"},
        {"/a/#1?x=%y&z", "file:///a/%231%3Fx%3D%25y%26z"},
        {"/d\xC3\xA9j\xC3\xA0/m_~-.html", "file:///d%C3%A9j%C3%A0/m_~-.html"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::FileUrl(c.Path), c.Url);
}

} // namespace
} // namespace mv::test

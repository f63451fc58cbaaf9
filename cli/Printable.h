// Text as it may reach a terminal. File names and paths are whatever bytes a file system or a
// container holds; shown raw, an escape sequence in one could rewrite the screen, set the window
// title or worse. Every name, path and message the program prints passes through here.
#pragma once

#include <string>

namespace mv::cli {

// Control characters (C0, DEL and the C1 range), bytes that are no UTF-8 character, and the
// backslash itself become \xNN, so the text stays unambiguous; printable UTF-8 stays as it is.
std::string PrintableName(const std::string& name);

} // namespace mv::cli

// The desktop's open request from the window. Web addresses go to QDesktopServices, whose answer
// is not examined. A document whose failure the user must hear of (the manual) goes to xdg-open
// in a process of its own, watched from the event loop: when xdg-open is missing or ends with a
// failure (no program for the type, none that starts), failed runs once.
#pragma once

#include <functional>
#include <string>

namespace mv::gui {

// The opener for TMainServices::OpenAddress.
void OpenAddress(const std::string& address, std::function<void()> failed);

} // namespace mv::gui

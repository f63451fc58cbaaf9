// The desktop's open request from the window. Web addresses go to QDesktopServices, whose answer
// is not examined. A document whose failure the user must hear of (the manual) goes to xdg-open
// in a process of its own, watched from the event loop: when xdg-open is missing or ends with a
// failure (no program for the type, none that starts), failed runs once.
#pragma once

#include <functional>
#include <string>

class QProcess;

namespace mv::gui {

// The opener for TMainServices::OpenAddress. Returns the xdg-open process it watches (nullptr for
// an address handed to QDesktopServices): it deletes itself once xdg-open has ended or could not
// start, after failed has run.
QProcess* OpenAddress(const std::string& address, std::function<void()> failed);

} // namespace mv::gui

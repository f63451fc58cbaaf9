// The password confirmation dialog, built at run time from the layout the logic computed from
// the font's average character cell: a prompt, a flat password field of at most 255 characters
// and the buttons OK (Enter) and Cancel (Escape).
#pragma once

#include "app/DialogLayout.h"

#include <optional>
#include <string>

class QWidget;

namespace mv::gui {

// The field's text on OK; nothing on Cancel, Escape or any other way of closing the dialog.
std::optional<std::string> RunPasswordDialog(QWidget* parent, const app::TPasswordDialog& dialog);

} // namespace mv::gui

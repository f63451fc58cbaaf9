// The flat look of the window and its dialogs: one light grey for the window, the flat buttons'
// faces and the edit fields; frameless top buttons; black frames with a blue highlight for the
// navigation and page buttons; blue frames for the path fields, black ones for the password and
// temporary-path fields, the check boxes and the drop-down lists.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace mv::gui {

inline const QColor WindowColour{0xEA, 0xEA, 0xEA};
inline const QColor SilverColour{0xC0, 0xC0, 0xC0};

// The font of the window and its dialogs: the desktop's sans-serif face at 8 points, the size
// the fixed layout of the window is drawn for.
QFont WindowFont();

QString WindowStyleSheet();
QString DialogStyleSheet();
QString WaitStyleSheet();

} // namespace mv::gui

// The message boxes of the window, all titled "Morvane": error, information and plain boxes with
// an OK button, and the Yes/No/Cancel confirmation; and the text measurement the password
// dialog's layout starts from.
#pragma once

#include "app/DialogLayout.h"
#include "engine/JobHost.h"

#include <QFont>
#include <QString>

class QWidget;

namespace mv::gui {

// Returns when the user has closed the box.
void ShowMessageBox(QWidget* parent, engine::TMessageKind kind, const QString& text);
// Escape and the window's close answer Cancel.
engine::TAnswer ShowConfirmBox(QWidget* parent, const QString& text);

// Width and height of text written in font.
app::TTextExtent TextExtent(const QFont& font, const QString& text);

} // namespace mv::gui

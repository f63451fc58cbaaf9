// What the sample tools share: the parent the program offers for their dialogs, a Qt application
// when the host has none, and the choice between their English and Romanian texts.
#pragma once

#include "plugins/MorvanePlugin.h"

#include <QString>
#include <functional>

class QWidget;

namespace mv::plugins {

// The program's window when it is a Qt widget, nullptr otherwise.
QWidget* ParentWindow(const MorvaneApplication* application);

// Runs tool inside the host's Qt application, or inside one made for the call when the host has
// none (a program without Qt can still run the tools). Exceptions from tool stay inside.
void RunTool(const std::function<void()>& tool);

// The tools' texts in two languages.
struct TToolText
{
    const char* English;
    const char* Romanian;
    QString In(unsigned char language) const
    {
        return QString::fromUtf8(language == MORVANE_LANGUAGE_ROMANIAN ? Romanian : English);
    }
};

} // namespace mv::plugins

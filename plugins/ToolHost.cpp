#include "plugins/ToolHost.h"

#include <QApplication>
#include <QWidget>
#include <cstring>
#include <memory>

namespace mv::plugins {

QWidget* ParentWindow(const MorvaneApplication* application)
{
    if (!application || !application->ParentWindow || !application->WindowToolkit ||
        std::strcmp(application->WindowToolkit, MORVANE_TOOLKIT_QT6_WIDGETS) != 0)
        return nullptr;
    return static_cast<QWidget*>(application->ParentWindow);
}

void RunTool(const std::function<void()>& tool)
{
    static int argc = 1;
    static char name[] = "morvane-tool";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QApplication> own;
    if (!QApplication::instance())
        own = std::make_unique<QApplication>(argc, argv);
    try {
        tool();
    } catch (...) {
        // A tool that fails simply ends; the program shows its window again.
    }
}

} // namespace mv::plugins

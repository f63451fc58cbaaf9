// morvane: the window. The logic (app/) drives a TQtWindow; this file only wires the two together
// with the real program's services and runs the event loop.
#include "app/MainControls.h"
#include "app/MainForm.h"
#include "gui/DesktopOpener.h"
#include "gui/QtWindow.h"

#include <QApplication>
#include <QFile>

#include <functional>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(mv::app::ApplicationTitle));

    mv::gui::TQtWindow window;
    mv::app::TMainServices services = mv::app::SystemServices();
    services.OpenAddress = [](const std::string& address, std::function<void()> failed) {
        mv::gui::OpenAddress(address, std::move(failed));
    };
    services.ParentWindowHandle = [&window] {
        return static_cast<void*>(static_cast<QWidget*>(&window));
    };
    services.ParentWindowToolkit = "Qt6Widgets";
    mv::app::TMainForm form(window, mv::app::ProcessVariabile(), std::move(services));

    // The arguments after the program's name, as the file system spells them (Qt has taken its
    // own options out).
    std::vector<std::string> arguments;
    const QStringList given = QApplication::arguments();
    for (qsizetype i = 1; i < given.size(); ++i)
        arguments.push_back(QFile::encodeName(given[i]).toStdString());
    form.FormCreate(arguments);

    window.show();
    window.CenterOnScreen();
    return QApplication::exec();
}

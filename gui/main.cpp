// morvane: the window. The logic (app/) drives a TQtWindow; this file only wires the two together
// with the real program's services and runs the event loop.
#include "app/MainControls.h"
#include "app/MainForm.h"
#include "gui/DesktopOpener.h"
#include "gui/QtWindow.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

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

    // A terminating signal (the session ending, kill) stops a running job like the Stop button,
    // so it removes what it wrote; then the window closes as by Exit, and the program ends as
    // the signal would have ended it.
    mv::platform::InstallTerminationHandlers();
    QTimer signalWatch;
    QObject::connect(&signalWatch, &QTimer::timeout, [&window] {
        if (mv::platform::TerminationSignal() != 0)
            window.close();
    });
    signalWatch.start(200);

    window.show();
    window.CenterOnScreen();
    const int status = QApplication::exec();
    if (const int caught = mv::platform::TerminationSignal())
        mv::platform::EndBySignal(caught);
    return status;
}

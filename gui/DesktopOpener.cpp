#include "gui/DesktopOpener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

#include <memory>

namespace mv::gui {

QProcess* OpenAddress(const std::string& address, std::function<void()> failed)
{
    const QUrl url(QString::fromStdString(address));
    if (!failed) {
        QDesktopServices::openUrl(url);
        return nullptr;
    }
    // Without a parent: the window closing must not end xdg-open, which may be running the
    // browser that shows the manual. The object goes once the process has ended.
    auto* opener = new QProcess;
    opener->setProgram(QStringLiteral("xdg-open"));
    opener->setArguments({url.toString(QUrl::FullyEncoded)});
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    auto report = std::make_shared<std::function<void()>>(std::move(failed));
    QObject::connect(opener, &QProcess::errorOccurred, opener,
                     [opener, report](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         (*report)();
                         opener->deleteLater();
                     });
    QObject::connect(opener, &QProcess::finished, opener,
                     [opener, report](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || code != 0)
                             (*report)();
                         opener->deleteLater();
                     });
    opener->start();
    return opener;
}

} // namespace mv::gui

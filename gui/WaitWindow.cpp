#include "gui/WaitWindow.h"

#include "gui/FlatStyle.h"

#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace mv::gui {

namespace {

// The caption stored with the window; every use sets its own before showing it.
constexpr const char* DesignedCaption = "  Calculating CRC32 checksum for   ";

} // namespace

TWaitWindow::TWaitWindow()
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("formCRC"));
    setWindowTitle(QStringLiteral("Please wait..."));
    setFixedSize(575, 58);
    setStyleSheet(WaitStyleSheet());

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(rect());

    group_ = new QGroupBox(QString::fromLatin1(DesignedCaption), panel);
    group_->setObjectName(QStringLiteral("GroupBox1"));
    group_->setGeometry(panel->rect().adjusted(3, 1, -3, -3));

    fileName_ = new QLabel(group_);
    fileName_->setObjectName(QStringLiteral("lblFileName"));
    fileName_->setTextFormat(Qt::PlainText);
    fileName_->setAlignment(Qt::AlignCenter);
    fileName_->setWordWrap(true);
    // Docked at the bottom of the group box, 30 pixels high.
    const QRect inside = group_->rect();
    fileName_->setGeometry(inside.left() + 4, inside.bottom() - 30, inside.width() - 8, 30);
}

void TWaitWindow::ShowFor(const QString& caption, const QString& fileName)
{
    group_->setTitle(caption);
    fileName_->setText(fileName);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    raise();
    repaint();
}

QString TWaitWindow::Caption() const
{
    return group_->title();
}

QString TWaitWindow::FileName() const
{
    return fileName_->text();
}

} // namespace mv::gui

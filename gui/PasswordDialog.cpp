#include "gui/PasswordDialog.h"

#include "gui/FlatStyle.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace mv::gui {

namespace {

QRect ToQt(const app::TRect& rect)
{
    return {rect.Left, rect.Top, rect.Width, rect.Height};
}

} // namespace

std::optional<std::string> RunPasswordDialog(QWidget* parent, const app::TPasswordDialog& dialog)
{
    const app::TPasswordDialogLayout& layout = dialog.Layout;
    // On the stack: destroyed on every way out, also when something below throws.
    QDialog window(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowCloseButtonHint);
    window.setObjectName(QStringLiteral("PasswordDialog"));
    window.setWindowTitle(QString::fromStdString(dialog.Caption));
    window.setStyleSheet(DialogStyleSheet());
    window.setFixedSize(layout.ClientWidth, layout.ClientHeight);

    auto* prompt = new QLabel(QString::fromStdString(dialog.Prompt), &window);
    prompt->setObjectName(QStringLiteral("Prompt"));
    prompt->setTextFormat(Qt::PlainText);
    prompt->move(layout.PromptLeft, layout.PromptTop);
    prompt->adjustSize();

    auto* edit = new QLineEdit(&window);
    edit->setObjectName(QStringLiteral("Password"));
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(layout.MaxLength);
    edit->setText(QString::fromStdString(dialog.Value));
    edit->selectAll();
    edit->setGeometry(layout.Edit.Left, layout.Edit.Top, layout.Edit.Width,
                      layout.Edit.Height > 0 ? layout.Edit.Height : edit->sizeHint().height());

    auto* ok = new QPushButton(QStringLiteral("OK"), &window);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setGeometry(ToQt(layout.Ok));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &window, &QDialog::accept);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &window);
    cancel->setObjectName(QStringLiteral("Cancel"));
    cancel->setGeometry(ToQt(layout.Cancel));
    cancel->setAutoDefault(false);
    // Escape rejects the dialog, as Cancel does.
    QObject::connect(cancel, &QPushButton::clicked, &window, &QDialog::reject);

    // Centred on the screen, as the main window is.
    if (const QScreen* screen =
            parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    edit->setFocus();
    std::optional<std::string> answer;
    if (window.exec() == QDialog::Accepted)
        answer = edit->text().toStdString();
    // The field's copy is given up with the dialog; clear it first so its buffer holds no
    // password while it waits to be freed.
    edit->clear();
    return answer;
}

} // namespace mv::gui

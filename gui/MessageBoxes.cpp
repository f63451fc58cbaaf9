#include "gui/MessageBoxes.h"

#include "app/MainControls.h"

#include <QFontMetrics>
#include <QMessageBox>

namespace mv::gui {

namespace {

QMessageBox::Icon IconOf(engine::TMessageKind kind)
{
    switch (kind) {
    case engine::TMessageKind::Error:
        return QMessageBox::Critical;
    case engine::TMessageKind::Information:
        return QMessageBox::Information;
    case engine::TMessageKind::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void ShowMessageBox(QWidget* parent, engine::TMessageKind kind, const QString& text)
{
    QMessageBox box(IconOf(kind), QString::fromLatin1(app::ApplicationTitle), text, QMessageBox::Ok,
                    parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    // Messages carry paths and the user's file names: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

engine::TAnswer ShowConfirmBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(app::ApplicationTitle), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setObjectName(QStringLiteral("ConfirmBox"));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return engine::TAnswer::Yes;
    case QMessageBox::No:
        return engine::TAnswer::No;
    default:
        return engine::TAnswer::Cancel;
    }
}

app::TTextExtent TextExtent(const QFont& font, const QString& text)
{
    const QFontMetrics metrics(font);
    return {metrics.horizontalAdvance(text), metrics.height()};
}

} // namespace mv::gui

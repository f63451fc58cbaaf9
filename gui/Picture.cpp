#include "gui/Picture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

namespace mv::gui {

QString PictureResource(const QString& file)
{
    return QStringLiteral(":/morvane/") + file;
}

QPixmap RenderPicture(const QString& file, QSize size, qreal devicePixelRatio)
{
    QSvgRenderer renderer(PictureResource(file));
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

QIcon PictureIcon(const QString& file, QSize size)
{
    QIcon icon;
    icon.addPixmap(RenderPicture(file, size, 1.0));
    icon.addPixmap(RenderPicture(file, size, 2.0));
    return icon;
}

TPicture::TPicture(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
}

void TPicture::SetPicture(const QString& file)
{
    setPixmap(RenderPicture(file, size(), devicePixelRatioF()));
}

void TPicture::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && OnClick)
        OnClick();
    QLabel::mousePressEvent(event);
}

void TPicture::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && OnDoubleClick)
        OnDoubleClick();
    QLabel::mouseDoubleClickEvent(event);
}

} // namespace mv::gui

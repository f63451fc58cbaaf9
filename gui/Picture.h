// The pictures of the window, drawn from the SVG resources under :/morvane: a picture control
// that reports clicks and double-clicks, and the icons of the picture buttons.
#pragma once

#include <QIcon>
#include <QLabel>
#include <QPixmap>

#include <functional>

namespace mv::gui {

// The resource of a picture by its file name ("banner.svg" -> ":/morvane/banner.svg").
QString PictureResource(const QString& file);
// The SVG drawn at size (device-independent pixels, sharp on high-density screens).
QPixmap RenderPicture(const QString& file, QSize size, qreal devicePixelRatio = 1.0);
QIcon PictureIcon(const QString& file, QSize size);

// Image1 and Image2: a picture the user may click and double-click.
class TPicture : public QLabel
{
public:
    TPicture(QWidget* parent = nullptr);

    // Draws file at the picture's current size.
    void SetPicture(const QString& file);

    std::function<void()> OnClick;
    std::function<void()> OnDoubleClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace mv::gui

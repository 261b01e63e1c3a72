#include "ScreenFit.h"

#include <QLayout>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// The geometry moved and cut so that it lies within Available, though never below Minimum.
QRect fittedInto(QRect Geometry, const QRect &Available, const QSize &Minimum)
{
    Geometry.setWidth(std::max(Minimum.width(), std::min(Geometry.width(), Available.width())));
    Geometry.setHeight(std::max(Minimum.height(), std::min(Geometry.height(), Available.height())));
    Geometry.moveRight(std::min(Geometry.right(), Available.right()));
    Geometry.moveBottom(std::min(Geometry.bottom(), Available.bottom()));
    Geometry.moveLeft(std::max(Geometry.left(), Available.left()));
    Geometry.moveTop(std::max(Geometry.top(), Available.top()));
    return Geometry;
}

} // namespace

void KeepOnScreen(QWidget &Window)
{
    Window.layout()->activate();
    // Before the first show the frame is not known yet; the window manager adds it later.
    const QRect inner = Window.geometry();
    const QRect outer = Window.frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    Window.setGeometry(fittedInto(inner, Window.screen()->availableGeometry().marginsRemoved(frame),
                                  Window.minimumSize()));
}

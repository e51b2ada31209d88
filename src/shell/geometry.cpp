#include "shell/geometry.h"

#include <QtGlobal>

QRect CenterControl(const QRect &control, const QRect &area)
{
    return QRect(area.left() + (area.width() - control.width()) / 2,
                 area.top() + (area.height() - control.height()) / 2,
                 control.width(), control.height());
}

QRect FitRect(int width, int height, const QRect &area)
{
    if (width <= 0 || height <= 0)
        return QRect(area.topLeft(), QSize(0, 0));
    // 64-bit products: a screen size times a picture size can pass 2^31.
    const qint64 areaWidth = area.width();
    const qint64 areaHeight = area.height();
    if (areaHeight * width <= areaWidth * height) {
        const int fitWidth = static_cast<int>(areaHeight * width / height);
        return QRect(area.left() + (area.width() - fitWidth) / 2, area.top(), fitWidth, area.height());
    }
    const int fitHeight = static_cast<int>(areaWidth * height / width);
    return QRect(area.left(), area.top() + (area.height() - fitHeight) / 2, area.width(), fitHeight);
}

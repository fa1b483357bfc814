#include "PictavorImages.h"

#include <cmath>

namespace pictavor {

QImage MyCreateBitmapContext(int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    QImage bitmap(width, height, QImage::Format_RGBA8888_Premultiplied);
    if (bitmap.isNull())
        return {};
    bitmap.fill(Qt::transparent);
    return bitmap;
}

QImage ScalePicture(const QImage& picture, double percent)
{
    if (picture.isNull() || !(percent > 0))
        return {};
    const int width = std::max(1, int(std::lround(picture.width() * percent / 100)));
    const int height = std::max(1, int(std::lround(picture.height() * percent / 100)));
    return picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace pictavor

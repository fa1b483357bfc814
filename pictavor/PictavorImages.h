// Bitmap helpers of the page imager: the bitmap a page is drawn into (8 bits a component,
// 4 bytes a pixel, alpha premultiplied, sRGB) and scaling a picture by a percentage.
// Failures give a null image. Main thread.
#pragma once

#include <QImage>

namespace pictavor {

// A cleared width x height bitmap (RGBA, premultiplied); null when a side is not positive or
// the memory cannot be had.
QImage MyCreateBitmapContext(int width, int height);

// The picture scaled by percent / 100 with smooth filtering; null for a null picture or a
// percentage of 0 or less.
QImage ScalePicture(const QImage& picture, double percent);

} // namespace pictavor

// JPEG through Qt's writer (libjpeg), at the libjpeg quality quality x 100 / 1024, so the codec
// qualities 256, 512 and 768 give 25, 50 and 75. Limit: 65,500 pixels a side (libjpeg's);
// the caller checks it before writing.
// One thread at a time; a failure is reported with the writer's text.
#pragma once

#include <QIODevice>
#include <QImage>
#include <QString>

class JpegEncoder {
public:
    static constexpr int kMaxSide = 65500;

    static int LibjpegQuality(int codecQuality);
    // `rgb` is Format_RGB888.
    static bool Write(const QImage& rgb, int codecQuality, QIODevice& out, QString* error);
};

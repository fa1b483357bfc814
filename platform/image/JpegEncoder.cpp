#include "JpegEncoder.h"

#include <QImageWriter>

#include <algorithm>

int JpegEncoder::LibjpegQuality(int codecQuality)
{
    return std::clamp(codecQuality * 100 / 1024, 0, 100);
}

bool JpegEncoder::Write(const QImage& rgb, int codecQuality, QIODevice& out, QString* error)
{
    QImageWriter writer(&out, "jpeg");
    writer.setQuality(LibjpegQuality(codecQuality));
    if (writer.write(rgb))
        return true;
    *error = writer.errorString();
    return false;
}

// Writes a QuickTime image file: an 'idsc' atom holding the 86-byte image description
// (codec 'jpeg', vendor 'appl', the spatial quality, size, 72 dpi, the data size, one frame,
// "Photo - JPEG", depth 24, no colour table), then an 'idat' atom holding the JPEG data.
// Limit: 32,767 pixels a side (16-bit size fields; the caller checks it before writing).
// One thread at a time; a failing encode or device write is reported with its text.
#pragma once

#include <QIODevice>
#include <QImage>
#include <QString>

class QuickTimeImageEncoder {
public:
    static constexpr int kMaxSide = 32767;
    static constexpr int kDescriptionSize = 86;

    // `rgb` is Format_RGB888; `quality` is the codec quality 0-1023 (256 low, 512 normal, 768 high).
    static bool Write(const QImage& rgb, int quality, QIODevice& out, QString* error);
};

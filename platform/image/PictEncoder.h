// Writes an RGB image as a PICT 2 file: the 512-byte zero header of a PICT file, the picture
// frame, the version-2 header at 72 dpi, and one DirectBitsRect of 32-bit direct pixels,
// packType 4 (each row's red, green and blue planes packed together with PackBits).
// Limits: coordinates are 16-bit (height at most 32,767) and rowBytes (4 per pixel) keeps its
// two flag bits clear (width at most 4,095). The caller checks them before writing.
// One thread at a time; a failing device write is reported with its text.
#pragma once

#include <QIODevice>
#include <QImage>
#include <QString>

class PictEncoder {
public:
    static constexpr int kMaxWidth = 4095;
    static constexpr int kMaxHeight = 32767;

    // `rgb` is Format_RGB888.
    static bool Write(const QImage& rgb, QIODevice& out, QString* error);
};

// Writes an image as a MacPaint data file (no MacBinary header): a 512-byte header of version 0
// (patterns unused, zero), then 720 rows of 576 one-bit pixels (1 is black), each row of 72
// bytes packed with PackBits on its own.
// The image is scaled to 576 pixels wide (aspect kept), its top 720 rows are kept, white fills
// what lies below a shorter image, and the grey levels are dithered by error diffusion
// (Floyd-Steinberg), so a black-and-white 576 x 720 image comes through bit for bit.
// One thread at a time; a failing device write is reported with its text.
#pragma once

#include <QIODevice>
#include <QImage>
#include <QString>

class MacPaintEncoder {
public:
    static constexpr int kWidth = 576;
    static constexpr int kHeight = 720;

    // `rgb` is Format_RGB888.
    static bool Write(const QImage& rgb, QIODevice& out, QString* error);
};

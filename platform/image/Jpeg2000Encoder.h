// Writes an RGB image as a JPEG 2000 file (JP2 boxes, sRGB) with OpenJPEG, through a stream that
// writes to the caller's device. The image goes in tiles of its full width and 1,024 rows, so
// the encoder never holds the whole image as its three 32-bit planes.
// Grades: codec quality 256 aims at 30 dB PSNR, 512 at 40 dB (irreversible 9/7 wavelet, fixed
// quality layers); 768 and above is lossless (reversible 5/3).
// One thread at a time; OpenJPEG's error message, or the device's, comes back as the text.
#pragma once

#include <QIODevice>
#include <QImage>
#include <QString>

class Jpeg2000Encoder {
public:
    static constexpr int kTileRows = 1024;

    // `rgb` is Format_RGB888.
    static bool Write(const QImage& rgb, int quality, QIODevice& out, QString* error);
};

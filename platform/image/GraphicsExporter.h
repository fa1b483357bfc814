// The graphics exporter: writes an image to a file in one of the program's export formats,
// chosen by its four-character subtype, at a codec quality of 256 (low), 512 (normal) or
// 768 (high). It stands in for the system's graphics-export components; it offers the
// subtypes below and nothing else (no settings dialogs, no colour-profile embedding).
//
//   'TIFF' Qt's TIFF writer, LZW       'BMPf' Qt's BMP writer, 24-bit   'PNGf' Qt's PNG writer
//   'JPEG' Qt's JPEG writer            'jp2 ' OpenJPEG, JP2 boxes       'PICT' PICT 2, 32-bit direct
//   '8BPS' Photoshop, RLE              'PNTG' MacPaint, 576 x 720       'qtif' QuickTime image (JPEG)
//
// The input is the page's bitmap (RGBA, premultiplied, sRGB); the file holds 24-bit RGB (pages
// are opaque). The bytes go to a temporary file in the target's folder, renamed over the target
// only when the whole file is written (every write is checked, whatever the encoder reports):
// a failure leaves the old target as it was and never an empty or partial file. An image larger than the format holds is refused before anything is
// written (imageTooLargeErr); it is never scaled or cropped (MacPaint aside, whose picture
// is a fixed 576 x 720).
// One thread at a time. Export fails with paramErr (no image, unknown subtype, no file),
// imageTooLargeErr, or ioErr (encoder or file failure); ErrorText says why.
#pragma once

#include "MacTypes.h"

#include <QImage>
#include <QSize>
#include <QString>

enum : OSStatus {
    imageTooLargeErr = -2020,
};

class GraphicsExporter {
public:
    explicit GraphicsExporter(OSType subtype) : fSubtype(subtype) {}

    static bool IsKnownSubtype(OSType subtype);
    // The format's limit that `size` exceeds (pixels a side), or 0 when the format holds it.
    static int ExceededSideLimit(OSType subtype, QSize size);

    void SetInputImage(const QImage& image) { fImage = image; }
    void SetOutputFile(const QString& path) { fPath = path; }
    void SetCompressionQuality(int quality) { fQuality = quality; }

    OSStatus Export();
    const QString& ErrorText() const { return fErrorText; }

private:
    OSStatus Fail(OSStatus status, const QString& text);
    bool Encode(const QImage& rgb, class QIODevice& out, QString* error) const;

    OSType fSubtype;
    QImage fImage;
    QString fPath;
    int fQuality = 512;
    QString fErrorText;
};

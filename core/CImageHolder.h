// CImageHolder: one picture, opened from the bundle's resources or downloaded from a web
// address, that can be drawn scaled into a rectangle or re-encoded in another format. Images
// are decoded by Qt's image readers (whatever formats are installed). A holder whose picture
// could not be read keeps valid 0: drawing does nothing and exporting answers -43.
// The download is a waiting GET of 60 s with the user agent "Brevanto" (yielding on a
// cooperative thread). GUI thread or cooperative threads.
#pragma once

#include "MacTypes.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>

class QPainter;

class CImageHolder {
public:
    static constexpr SInt32 kDownloadTimeoutSeconds = 60;

    // The bundle resource `name`.`extension`.
    CImageHolder(const char* name, const char* extension);
    // The picture at `url`.
    explicit CImageHolder(const char* url);

    Boolean IsValid() const { return valid; }
    // The decoded picture, or null when there is none.
    const QImage* GetImporter() const { return valid ? &mImage : nullptr; }
    // The picture's natural bounds (empty without a picture); always 0.
    OSErr GetNaturalBounds(QRect* bounds) const;
    // The picture at its natural size, at 24 bits, as a new handle in `format` ('PNGf', 'JPEG',
    // 'BMPf', 'TIFF', 'GIFf'); -43 without a picture, paramErr for an unknown format or a null
    // output, ioErr when encoding fails.
    OSErr ExportImage(Handle* out, OSType format) const;
    // Draws the picture scaled into `rect` with smooth scaling; nothing without a picture.
    void DrawImage(QPainter& painter, const QRect& rect) const;

    UInt8 valid = 0;

private:
    void Decode(const QByteArray& bytes);

    QByteArray mData;
    QImage mImage;
};

#include "GraphicsExporter.h"

#include "CheckedFileOutput.h"
#include "Jpeg2000Encoder.h"
#include "JpegEncoder.h"
#include "MacPaintEncoder.h"
#include "PhotoshopEncoder.h"
#include "PictEncoder.h"
#include "QuickTimeImageEncoder.h"

#include <QImageWriter>
#include <QSaveFile>

namespace {

enum : int { kLzwCompression = 1 };

bool WriteWithQt(const QImage& rgb, const char* format, QIODevice& out, QString* error)
{
    QImageWriter writer(&out, format);
    if (qstrcmp(format, "tiff") == 0)
        writer.setCompression(kLzwCompression);
    if (writer.write(rgb))
        return true;
    *error = writer.errorString();
    return false;
}

struct SideLimits {
    int width;
    int height;
};

// 0 means no limit of the format's own (the page capture is bounded before it gets here).
SideLimits LimitsOf(OSType subtype)
{
    switch (subtype) {
    case 'JPEG': return { JpegEncoder::kMaxSide, JpegEncoder::kMaxSide };
    case 'qtif': return { QuickTimeImageEncoder::kMaxSide, QuickTimeImageEncoder::kMaxSide };
    case 'PICT': return { PictEncoder::kMaxWidth, PictEncoder::kMaxHeight };
    case '8BPS': return { PhotoshopEncoder::kMaxSide, PhotoshopEncoder::kMaxSide };
    default: return { 0, 0 };
    }
}

} // namespace

bool GraphicsExporter::IsKnownSubtype(OSType subtype)
{
    switch (subtype) {
    case 'TIFF': case 'BMPf': case 'JPEG': case 'PNGf': case 'PICT':
    case '8BPS': case 'PNTG': case 'qtif': case 'jp2 ':
        return true;
    default:
        return false;
    }
}

int GraphicsExporter::ExceededSideLimit(OSType subtype, QSize size)
{
    const SideLimits limits = LimitsOf(subtype);
    if (limits.width > 0 && size.width() > limits.width)
        return limits.width;
    if (limits.height > 0 && size.height() > limits.height)
        return limits.height;
    return 0;
}

OSStatus GraphicsExporter::Fail(OSStatus status, const QString& text)
{
    fErrorText = text;
    return status;
}

bool GraphicsExporter::Encode(const QImage& rgb, QIODevice& out, QString* error) const
{
    switch (fSubtype) {
    case 'TIFF': return WriteWithQt(rgb, "tiff", out, error);
    case 'BMPf': return WriteWithQt(rgb, "bmp", out, error);
    case 'PNGf': return WriteWithQt(rgb, "png", out, error);
    case 'JPEG': return JpegEncoder::Write(rgb, fQuality, out, error);
    case 'PICT': return PictEncoder::Write(rgb, out, error);
    case '8BPS': return PhotoshopEncoder::Write(rgb, out, error);
    case 'PNTG': return MacPaintEncoder::Write(rgb, out, error);
    case 'qtif': return QuickTimeImageEncoder::Write(rgb, fQuality, out, error);
    case 'jp2 ': return Jpeg2000Encoder::Write(rgb, fQuality, out, error);
    default: return false;
    }
}

OSStatus GraphicsExporter::Export()
{
    fErrorText.clear();
    if (!IsKnownSubtype(fSubtype))
        return Fail(paramErr, QStringLiteral("Unknown export format '%1'").arg(FourCharText(fSubtype).text));
    if (fImage.isNull())
        return Fail(paramErr, QStringLiteral("No image to export"));
    if (fPath.isEmpty())
        return Fail(paramErr, QStringLiteral("No output file"));
    if (const int limit = ExceededSideLimit(fSubtype, fImage.size()))
        return Fail(imageTooLargeErr, QStringLiteral("%1 x %2 (limit %3)")
                                          .arg(fImage.width()).arg(fImage.height()).arg(limit));

    const QImage rgb = fImage.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        return Fail(ioErr, QStringLiteral("Not enough memory for a %1 x %2 image")
                               .arg(fImage.width()).arg(fImage.height()));
    QSaveFile file(fPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Fail(ioErr, file.errorString());
    CheckedFileOutput output(file);
    output.open(QIODevice::WriteOnly);
    QString error;
    const bool encoded = Encode(rgb, output, &error);
    if (!encoded || output.Failed() || !file.flush()) {
        file.cancelWriting();
        return Fail(ioErr, output.Failed() ? output.FailureText() : !error.isEmpty() ? error : file.errorString());
    }
    if (!file.commit())
        return Fail(ioErr, file.errorString());
    return noErr;
}

#include "CImageHolder.h"

#include "CFBundle.h"
#include "CHTTPRequest.h"
#include "MemoryBlocks.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <cstring>

namespace {

const char* FormatName(OSType format)
{
    switch (format) {
    case 'PNGf': return "png";
    case 'JPEG': return "jpg";
    case 'BMPf': return "bmp";
    case 'TIFF': return "tiff";
    case 'GIFf': return "gif";
    default: return nullptr;
    }
}

} // namespace

CImageHolder::CImageHolder(const char* name, const char* extension)
{
    const auto bytes = CFBundle::Main().ReadResource(QString::fromUtf8(name ? name : ""),
                                                     QString::fromUtf8(extension ? extension : ""));
    if (bytes)
        Decode(*bytes);
}

CImageHolder::CImageHolder(const char* url)
{
    CHTTPRequest request(kDownloadTimeoutSeconds, true);
    request.Get(url, "Brevanto", "", "");
    const QByteArray bytes = request.TakeBody();
    if (!bytes.isEmpty())
        Decode(bytes);
}

void CImageHolder::Decode(const QByteArray& bytes)
{
    mData = bytes;
    QBuffer buffer(&mData);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    mImage = reader.read();
    valid = mImage.isNull() ? 0 : 1;
}

OSErr CImageHolder::GetNaturalBounds(QRect* bounds) const
{
    if (bounds)
        *bounds = valid ? QRect(QPoint(0, 0), mImage.size()) : QRect();
    return noErr;
}

OSErr CImageHolder::ExportImage(Handle* out, OSType format) const
{
    if (!valid)
        return fnfErr;
    const char* name = FormatName(format);
    if (!out || !name)
        return paramErr;
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, name);
    if (!writer.write(mImage.convertToFormat(QImage::Format_RGB888)))
        return ioErr;
    Handle handle = NewHandle(Size(encoded.size()));
    if (!handle)
        return memFullErr;
    std::memcpy(*handle, encoded.constData(), size_t(encoded.size()));
    *out = handle;
    return noErr;
}

void CImageHolder::DrawImage(QPainter& painter, const QRect& rect) const
{
    if (!valid)
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(rect, mImage);
    painter.restore();
}

#include "QuickTimeImageEncoder.h"

#include "BigEndianWriter.h"
#include "JpegEncoder.h"

#include <QBuffer>

namespace {

constexpr uint32_t kFixed72 = 72u << 16;
constexpr int kAtomHeader = 8;

void ImageDescription(BigEndianWriter& w, const QImage& rgb, int quality, uint32_t dataSize)
{
    w.U32(QuickTimeImageEncoder::kDescriptionSize);
    w.U32('jpeg');
    w.U32(0); w.U16(0);             // reserved
    w.U16(0);                       // data reference index
    w.U16(1);                       // version
    w.U16(1);                       // revision level
    w.U32('appl');                  // vendor
    w.U32(0);                       // temporal quality
    w.U32(uint32_t(quality));       // spatial quality
    w.U16(uint16_t(rgb.width()));
    w.U16(uint16_t(rgb.height()));
    w.U32(kFixed72); w.U32(kFixed72);
    w.U32(dataSize);
    w.U16(1);                       // frame count
    w.PascalField("Photo - JPEG", 32);
    w.U16(24);                      // depth
    w.U16(0xFFFF);                  // colour table id -1: none
}

} // namespace

bool QuickTimeImageEncoder::Write(const QImage& rgb, int quality, QIODevice& out, QString* error)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!JpegEncoder::Write(rgb, quality, buffer, error))
        return false;
    BigEndianWriter w(out);
    w.U32(kAtomHeader + kDescriptionSize);
    w.U32('idsc');
    ImageDescription(w, rgb, quality, uint32_t(jpeg.size()));
    w.U32(uint32_t(kAtomHeader + jpeg.size()));
    w.U32('idat');
    w.Bytes(jpeg);
    if (w.Flush())
        return true;
    *error = w.ErrorText();
    return false;
}

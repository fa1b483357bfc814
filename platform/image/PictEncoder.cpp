#include "PictEncoder.h"

#include "BigEndianWriter.h"
#include "PackBits.h"

#include <algorithm>
#include <vector>

namespace {

enum : uint16_t {
    kOpClipRegion = 0x0001,
    kOpVersion = 0x0011,
    kOpHeader = 0x0C00,
    kOpDirectBitsRect = 0x009A,
    kOpEnd = 0x00FF,
};
constexpr uint32_t kFixed72 = 72u << 16;
constexpr uint16_t kPixMapFlag = 0x8000;
constexpr uint16_t kPackByComponent = 4;
constexpr uint16_t kRGBDirect = 16;
constexpr uint16_t kSrcCopy = 0;
// Rows declaring more than this many bytes carry a 16-bit packed length, others an 8-bit one.
constexpr int kShortCountRowBytes = 250;
// Rows declaring fewer bytes than this would be stored unpacked; narrower images declare this
// many (the rest is padding), so every row is packed the same way.
constexpr int kMinPackedRowBytes = 8;

void Rect(BigEndianWriter& w, int width, int height)
{
    w.U16(0); w.U16(0); w.U16(uint16_t(height)); w.U16(uint16_t(width));
}

void Headers(BigEndianWriter& w, int width, int height)
{
    w.Zeros(512);
    w.U16(0);                       // picSize: only the low 16 bits would fit; unused in version 2
    Rect(w, width, height);         // picFrame
    w.U16(kOpVersion); w.U16(0x02FF);
    w.U16(kOpHeader);
    w.U16(0xFFFE); w.U16(0);        // extended version 2 header
    w.U32(kFixed72); w.U32(kFixed72);
    Rect(w, width, height);
    w.U32(0);
    w.U16(kOpClipRegion); w.U16(10); Rect(w, width, height);
}

void PixMap(BigEndianWriter& w, int width, int height, int rowBytes)
{
    w.U16(kOpDirectBitsRect);
    w.U32(0x000000FF);              // baseAddr of a direct pixmap
    w.U16(uint16_t(rowBytes) | kPixMapFlag);
    Rect(w, width, height);         // bounds
    w.U16(0);                       // pmVersion
    w.U16(kPackByComponent);
    w.U32(0);                       // packSize
    w.U32(kFixed72); w.U32(kFixed72);
    w.U16(kRGBDirect);
    w.U16(32);                      // pixelSize
    w.U16(3);                       // cmpCount: red, green, blue; no alpha plane
    w.U16(8);                       // cmpSize
    w.U32(0); w.U32(0); w.U32(0);   // planeBytes, pmTable, pmReserved
    Rect(w, width, height);         // srcRect
    Rect(w, width, height);         // dstRect
    w.U16(kSrcCopy);
}

// One row as planes: all red bytes, then all green, then all blue.
void SplitPlanes(const uchar* rgb, int width, std::vector<uint8_t>& planes)
{
    for (int x = 0; x < width; ++x) {
        planes[size_t(x)] = rgb[3 * x];
        planes[size_t(width + x)] = rgb[3 * x + 1];
        planes[size_t(2 * width + x)] = rgb[3 * x + 2];
    }
}

void PixelRows(BigEndianWriter& w, const QImage& rgb, int rowBytes)
{
    const int width = rgb.width();
    std::vector<uint8_t> planes(size_t(3 * width), 0);
    QByteArray packed;
    const qint64 start = w.Position();
    for (int y = 0; y < rgb.height(); ++y) {
        SplitPlanes(rgb.constScanLine(y), width, planes);
        packed.clear();
        PackBits::Pack(planes.data(), size_t(3 * width), packed);
        if (rowBytes > kShortCountRowBytes)
            w.U16(uint16_t(packed.size()));
        else
            w.U8(uint8_t(packed.size()));
        w.Bytes(packed);
    }
    if ((w.Position() - start) % 2 != 0)
        w.U8(0);                    // opcodes start on even offsets
}

} // namespace

bool PictEncoder::Write(const QImage& rgb, QIODevice& out, QString* error)
{
    const int width = rgb.width();
    const int height = rgb.height();
    const int rowBytes = std::max(4 * width, kMinPackedRowBytes);
    BigEndianWriter w(out);
    Headers(w, width, height);
    PixMap(w, width, height, rowBytes);
    PixelRows(w, rgb, rowBytes);
    w.U16(kOpEnd);
    if (w.Flush())
        return true;
    *error = w.ErrorText();
    return false;
}

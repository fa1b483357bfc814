#include "PhotoshopEncoder.h"

#include "BigEndianWriter.h"
#include "PackBits.h"

#include <vector>

namespace {

constexpr uint16_t kRGBMode = 3;
constexpr uint16_t kRLE = 1;
constexpr int kChannels = 3;

void Header(BigEndianWriter& w, int width, int height)
{
    w.U32('8BPS');
    w.U16(1);                       // version
    w.Zeros(6);
    w.U16(kChannels);
    w.U32(uint32_t(height));
    w.U32(uint32_t(width));
    w.U16(8);                       // bits per channel
    w.U16(kRGBMode);
    w.U32(0);                       // colour mode data
    w.U32(0);                       // image resources
    w.U32(0);                       // layer and mask information
    w.U16(kRLE);
}

void PackChannelRow(const QImage& rgb, int y, int channel, std::vector<uint8_t>& row, QByteArray& packed)
{
    const uchar* line = rgb.constScanLine(y);
    for (int x = 0; x < rgb.width(); ++x)
        row[size_t(x)] = line[3 * x + channel];
    packed.clear();
    PackBits::Pack(row.data(), row.size(), packed);
}

} // namespace

bool PhotoshopEncoder::Write(const QImage& rgb, QIODevice& out, QString* error)
{
    const int width = rgb.width();
    const int height = rgb.height();
    BigEndianWriter w(out);
    Header(w, width, height);
    std::vector<uint8_t> row(static_cast<size_t>(width));
    QByteArray packed;
    // The length table comes first, so each row is packed twice rather than kept: the image
    // may be tall, and packing is cheap beside the file write.
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int y = 0; y < height; ++y) {
            PackChannelRow(rgb, y, channel, row, packed);
            w.U16(uint16_t(packed.size()));
        }
    }
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int y = 0; y < height; ++y) {
            PackChannelRow(rgb, y, channel, row, packed);
            w.Bytes(packed);
        }
    }
    if (w.Flush())
        return true;
    *error = w.ErrorText();
    return false;
}

#include "MacPaintEncoder.h"

#include "BigEndianWriter.h"
#include "PackBits.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kRowBytes = MacPaintEncoder::kWidth / 8;

// The top of the image that fills 576 x 720 once scaled, scaled to 576 wide (at most 720 rows).
QImage ScaledTop(const QImage& rgb)
{
    const int width = MacPaintEncoder::kWidth;
    if (rgb.width() == width)
        return rgb.copy(0, 0, width, std::min(rgb.height(), MacPaintEncoder::kHeight));
    const double scale = double(width) / rgb.width();
    const int sourceRows = std::min(rgb.height(), int(std::ceil(MacPaintEncoder::kHeight / scale)) + 1);
    const int scaledRows = std::max(1, int(std::lround(sourceRows * scale)));
    const QImage scaled = rgb.copy(0, 0, rgb.width(), sourceRows)
                              .scaled(width, scaledRows, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.copy(0, 0, width, std::min(scaledRows, MacPaintEncoder::kHeight));
}

// Grey levels 0 (black) to 255 of the whole 576 x 720 picture, white below the image.
std::vector<float> GreyLevels(const QImage& top)
{
    std::vector<float> grey(size_t(MacPaintEncoder::kWidth) * MacPaintEncoder::kHeight, 255.0f);
    for (int y = 0; y < top.height(); ++y) {
        const uchar* line = top.constScanLine(y);
        for (int x = 0; x < MacPaintEncoder::kWidth; ++x) {
            const uchar* p = line + 3 * x;
            grey[size_t(y) * MacPaintEncoder::kWidth + x] = 0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2];
        }
    }
    return grey;
}

// Floyd-Steinberg: each pixel's error spreads 7/16 right, 3/16 down-left, 5/16 down, 1/16 down-right.
std::vector<uint8_t> Dither(std::vector<float>& grey)
{
    const int width = MacPaintEncoder::kWidth;
    const int height = MacPaintEncoder::kHeight;
    std::vector<uint8_t> bits(size_t(kRowBytes) * height, 0);
    auto spread = [&](int x, int y, float amount) {
        if (x >= 0 && x < width && y < height)
            grey[size_t(y) * width + x] += amount;
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float level = grey[size_t(y) * width + x];
            const bool black = level < 128.0f;
            const float error = level - (black ? 0.0f : 255.0f);
            if (black)
                bits[size_t(y) * kRowBytes + x / 8] |= uint8_t(0x80 >> (x % 8));
            spread(x + 1, y, error * 7 / 16);
            spread(x - 1, y + 1, error * 3 / 16);
            spread(x, y + 1, error * 5 / 16);
            spread(x + 1, y + 1, error * 1 / 16);
        }
    }
    return bits;
}

} // namespace

bool MacPaintEncoder::Write(const QImage& rgb, QIODevice& out, QString* error)
{
    std::vector<float> grey = GreyLevels(ScaledTop(rgb));
    const std::vector<uint8_t> bits = Dither(grey);
    BigEndianWriter w(out);
    w.U32(0);                       // version 0: the patterns that follow are not used
    w.Zeros(512 - 4);
    QByteArray packed;
    for (int y = 0; y < kHeight; ++y) {
        packed.clear();
        PackBits::Pack(bits.data() + size_t(y) * kRowBytes, kRowBytes, packed);
        w.Bytes(packed);
    }
    if (w.Flush())
        return true;
    *error = w.ErrorText();
    return false;
}

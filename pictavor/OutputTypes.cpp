#include "OutputTypes.h"

#include <climits>

namespace pictavor {

const std::array<const char*, kImageTypeCount> kExtensions {
    "tif", "bmp", "jpg", "png", "pict", "psd", "pntg", "qtif", "jp2", "pdf",
};

const std::array<OSType, kImageTypeCount> kImageTypes {
    'TIFF', 'BMPf', 'JPEG', 'PNGf', 'PICT', '8BPS', 'PNTG', 'qtif', 'jp2 ', 'PDF ',
};

int GetImageTypeIndex(const QString& type)
{
    for (int i = 0; i < kImageTypeCount; ++i) {
        if (type == QLatin1StringView(kExtensions[size_t(i)]))
            return i;
    }
    return kImageTypeCount;
}

int CodecQualityPreference(int quality)
{
    switch (quality) {
    case 1: return 256;
    case 2: return 512;
    default: return 768;
    }
}

int IntValue(const QString& text)
{
    qsizetype at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n'
                                || text[at] == '\r' || text[at] == '\v' || text[at] == '\f'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    long long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at].unicode() - '0');
        if (value > (long long)INT_MAX + 1)
            value = (long long)INT_MAX + 1;
    }
    if (negative)
        return int(-value);
    return value > INT_MAX ? INT_MAX : int(value);
}

} // namespace pictavor

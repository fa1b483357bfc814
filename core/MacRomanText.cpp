#include "MacRomanText.h"

#include <QStringDecoder>

#include <iconv.h>

#include <algorithm>
#include <array>
#include <string>

namespace {

using HighHalf = std::array<char32_t, 128>;

// The characters of the bytes 128-255, read from the converter once; null when it is missing.
const HighHalf* HighHalfTable()
{
    static const HighHalf* table = []() -> const HighHalf* {
        iconv_t converter = iconv_open("UTF-32LE", "MACINTOSH");
        if (converter == iconv_t(-1))
            return nullptr;
        static HighHalf high {};
        for (int byte = 128; byte < 256; ++byte) {
            char in = char(byte);
            unsigned char out[4] = {};
            char* inPointer = &in;
            char* outPointer = reinterpret_cast<char*>(out);
            size_t inLeft = 1, outLeft = sizeof out;
            const bool ok = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != size_t(-1) && outLeft == 0;
            high[size_t(byte - 128)] = ok ? char32_t(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24) : 0xFFFD;
        }
        iconv_close(converter);
        return &high;
    }();
    return table;
}

} // namespace

QString DecodeMacRoman(const QByteArray& bytes)
{
    const HighHalf* high = HighHalfTable();
    std::u32string characters;
    characters.reserve(size_t(bytes.size()));
    for (const char byte : bytes) {
        const auto value = uint8_t(byte);
        if (value < 128)
            characters.push_back(char32_t(value));
        else
            characters.push_back(high ? (*high)[value - 128] : char32_t(0xFFFD));
    }
    return QString::fromStdU32String(characters);
}

QString DecodeUtf8OrMacRoman(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? DecodeMacRoman(bytes) : text;
}

bool MacRomanByteFor(char32_t character, char* byte)
{
    if (character < 128) {
        *byte = char(character);
        return true;
    }
    const HighHalf* high = HighHalfTable();
    if (!high || character == 0xFFFD)
        return false;
    const auto found = std::find(high->begin(), high->end(), character);
    if (found == high->end())
        return false;
    *byte = char(128 + (found - high->begin()));
    return true;
}

#include "MacRomanText.h"

#include <iconv.h>

#include <array>

namespace pictavor {

namespace {

// The characters of the bytes 128-255, read from the converter once; empty when it is missing.
const std::array<char32_t, 128>* HighHalf()
{
    static const std::array<char32_t, 128>* table = []() -> const std::array<char32_t, 128>* {
        iconv_t converter = iconv_open("UTF-32LE", "MACINTOSH");
        if (converter == iconv_t(-1))
            return nullptr;
        static std::array<char32_t, 128> high {};
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
    const auto* high = HighHalf();
    if (!high)
        return {};
    std::u32string characters;
    characters.reserve(size_t(bytes.size()));
    for (const char byte : bytes) {
        const auto value = uint8_t(byte);
        characters.push_back(value < 128 ? char32_t(value) : (*high)[value - 128]);
    }
    return QString::fromStdU32String(characters);
}

} // namespace pictavor

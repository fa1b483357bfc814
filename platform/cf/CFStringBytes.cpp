#include "CFStringBytes.h"

namespace {

// Length of the well-formed UTF-8 sequence starting at bytes[at] and its code point, or 0.
int WellFormedSequence(const unsigned char* bytes, qsizetype count, qsizetype at, char32_t& code)
{
    const unsigned char lead = bytes[at];
    int length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > count)
        return 0;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = bytes[at + i];
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString CFStringFromBytes(QByteArrayView bytes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype count = bytes.size();
    QString text;
    text.reserve(count);
    qsizetype at = 0;
    while (at < count) {
        const unsigned char lead = data[at];
        if (lead < 0x80) {
            text.append(QChar(lead));
            ++at;
            continue;
        }
        char32_t code = 0;
        const int length = WellFormedSequence(data, count, at, code);
        if (length == 0) {
            text.append(QChar(lead)); // Latin-1: the byte is the code point
            ++at;
            continue;
        }
        if (code >= 0x10000) {
            text.append(QChar(QChar::highSurrogate(code)));
            text.append(QChar(QChar::lowSurrogate(code)));
        } else {
            text.append(QChar(char16_t(code)));
        }
        at += length;
    }
    return text;
}

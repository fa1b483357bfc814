#include "ByteDecoders.h"

#include "CharacterTables.h"

#include <QStringDecoder>

#include <iconv.h>

QString DecodeMacRoman(const QByteArray& inBytes)
{
    iconv_t converter = iconv_open("UTF-8", "MACINTOSH");
    if (converter == iconv_t(-1))
        return QString::fromLatin1(inBytes);
    QByteArray out(inBytes.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(inBytes.constData());
    size_t inLeft = size_t(inBytes.size());
    char* outPointer = out.data();
    size_t outLeft = size_t(out.size());
    iconv(converter, &in, &inLeft, &outPointer, &outLeft);
    iconv_close(converter);
    out.truncate(out.size() - qsizetype(outLeft));
    return QString::fromUtf8(out);
}

QString DecodeWindows1252(const QByteArray& inBytes)
{
    QString text;
    text.reserve(inBytes.size());
    for (const char byte : inBytes) {
        const auto code = unsigned(static_cast<unsigned char>(byte));
        if (code < 0x80) {
            text.append(QChar(char16_t(code)));
            continue;
        }
        const char32_t character = CCharacterTables::Windows1252Character(code);
        text.append(character != 0 ? QString::fromUcs4(&character, 1) : QString(QChar(0xFFFD)));
    }
    return text;
}

bool IsValidUtf8(const QByteArray& inBytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(inBytes); // the decoder works only when its result is taken
    return !utf8.hasError();
}

QString DecodeUtf8OrMacRoman(const QByteArray& inBytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(inBytes);
    return utf8.hasError() ? DecodeMacRoman(inBytes) : text;
}

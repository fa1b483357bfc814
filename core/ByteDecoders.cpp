#include "ByteDecoders.h"

#include "CharacterTables.h"

#include <QStringDecoder>

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

QString DecodeTextFileBytes(const QByteArray& inBytes)
{
    if (inBytes.startsWith("\xFF\xFE") || inBytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(inBytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return utf16(inBytes.mid(2));
    }
    const QByteArray bytes = inBytes.startsWith("\xEF\xBB\xBF") ? inBytes.mid(3) : inBytes;
    return IsValidUtf8(bytes) ? QString::fromUtf8(bytes) : DecodeWindows1252(bytes);
}

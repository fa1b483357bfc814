#include "CharsetConversion.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace {

QByteArray ConverterName(const QString& charset)
{
    return charset.isEmpty() ? QByteArrayLiteral("UTF-8") : charset.toLatin1();
}

// The whole input converted; nullopt on any invalid or unconvertible sequence.
std::optional<QByteArray> Convert(const QByteArray& input, const QByteArray& from, const QByteArray& to)
{
    iconv_t converter = iconv_open(to.constData(), from.constData());
    if (converter == iconv_t(-1))
        return std::nullopt;
    QByteArray output;
    std::string buffer(4096, '\0');
    char* in = const_cast<char*>(input.constData());
    size_t inLeft = size_t(input.size());
    bool flushed = false;
    bool ok = true;
    while (ok) {
        char* out = buffer.data();
        size_t outLeft = buffer.size();
        // After the input, one call with no input writes a stateful set's closing shift.
        const size_t result = flushed ? iconv(converter, nullptr, nullptr, &out, &outLeft)
                                      : iconv(converter, &in, &inLeft, &out, &outLeft);
        output.append(buffer.data(), qsizetype(buffer.size() - outLeft));
        if (result == size_t(-1) && errno != E2BIG)
            ok = false;
        else if (result != size_t(-1) && flushed)
            break;
        else if (result != size_t(-1))
            flushed = true;
    }
    iconv_close(converter);
    if (!ok)
        return std::nullopt;
    return output;
}

} // namespace

std::optional<QByteArray> EncodeInCharset(const QString& text, const QString& charset)
{
    return Convert(text.toUtf8(), QByteArrayLiteral("UTF-8"), ConverterName(charset));
}

std::optional<QString> DecodeFromCharset(const QByteArray& bytes, const QString& charset)
{
    const std::optional<QByteArray> utf8 = Convert(bytes, ConverterName(charset), QByteArrayLiteral("UTF-8"));
    if (!utf8)
        return std::nullopt;
    return QString::fromUtf8(*utf8);
}

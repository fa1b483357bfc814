#include "StringExtensions.h"

#include "PictavorLog.h"

#include <array>

namespace pictavor {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr char32_t kLastCodePoint = 0x10FFFF;

struct NamedEntity {
    const char* name;
    QChar character;
};
const std::array<NamedEntity, 5> kNamedEntities { {
    { "&amp;", '&' }, { "&apos;", '\'' }, { "&quot;", '"' }, { "&lt;", '<' }, { "&gt;", '>' },
} };

// The value of an ASCII digit in the base (10 or 16), or -1.
int DigitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (base == 16 && u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (base == 16 && u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

bool IsStop(QChar c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ';';
}

// Reads the digits at `at` (hex or decimal), saturating past the last code point.
// Returns false when no digit is there.
bool ScanNumber(const QString& text, qsizetype& at, bool hex, char32_t& value)
{
    const qsizetype start = at;
    const int base = hex ? 16 : 10;
    quint64 number = 0;
    for (int digit; at < text.size() && (digit = DigitValue(text[at], base)) >= 0;) {
        number = number * base + uint(digit);
        if (number > kLastCodePoint)
            number = kLastCodePoint + 1;
        ++at;
    }
    value = char32_t(number);
    return at > start;
}

void AppendCodePoint(QString& out, char32_t value)
{
    const bool scalar = value != 0 && value <= kLastCodePoint && !(value >= 0xD800 && value <= 0xDFFF);
    const char32_t character = scalar ? value : kReplacementCharacter;
    out.append(QString::fromUcs4(&character, 1));
}

// At "&#" (at points past it): appends the decoded character or the malformed text.
void DecodeNumericEntity(const QString& text, qsizetype& at, QString& out)
{
    const bool hex = at < text.size() && text[at] == 'x';
    qsizetype digits = hex ? at + 1 : at;
    char32_t value = 0;
    if (ScanNumber(text, digits, hex, value)) {
        AppendCodePoint(out, value);
        at = digits;
        if (at < text.size() && text[at] == ';')
            ++at;
        return;
    }
    const QString x = hex ? QStringLiteral("x") : QString();
    qsizetype end = hex ? at + 1 : at;
    while (end < text.size() && !IsStop(text[end]))
        ++end;
    const QString rest = text.mid(hex ? at + 1 : at, end - (hex ? at + 1 : at));
    out += QStringLiteral("&#") + x + rest;
    LogEntry(QStringLiteral("Expected numeric character entity but got &#%1%2;").arg(x, rest));
    at = end;
}

} // namespace

QString StringByDecodingHTMLEntities(const QString& text)
{
    if (!text.contains('&'))
        return text;
    QString out;
    out.reserve(text.size() + text.size() / 4);
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype amp = text.indexOf('&', at);
        if (amp < 0) {
            out += QStringView(text).mid(at);
            break;
        }
        out += QStringView(text).mid(at, amp - at);
        at = amp;
        bool named = false;
        for (const NamedEntity& entity : kNamedEntities) {
            const QLatin1StringView name(entity.name);
            if (QStringView(text).mid(at).startsWith(name)) {
                out += entity.character;
                at += name.size();
                named = true;
                break;
            }
        }
        if (named)
            continue;
        if (QStringView(text).mid(at).startsWith(QLatin1StringView("&#"))) {
            at += 2;
            DecodeNumericEntity(text, at, out);
            continue;
        }
        out += '&';
        ++at;
    }
    return out;
}

QString CleanForFilename(const QString& text)
{
    QString clean = StringByDecodingHTMLEntities(text);
    clean.replace('/', '-');
    clean.replace(':', '.');
    return clean;
}

} // namespace pictavor

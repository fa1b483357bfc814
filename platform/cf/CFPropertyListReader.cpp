#include "CFPropertyListReader.h"

#include "CFPropertyListLimits.h"
#include "CFStringBytes.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cctype>
#include <cmath>
#include <ctime>
#include <limits>
#include <optional>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':';
}

QByteArrayView Trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && IsSpace(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && IsSpace(text.back()))
        text.chop(1);
    return text;
}

std::optional<int64_t> ParseInteger(QByteArrayView text)
{
    text = Trimmed(text);
    bool negative = false;
    if (!text.isEmpty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text = text.sliced(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text = text.sliced(2);
    }
    if (text.isEmpty())
        return std::nullopt;
    uint64_t magnitude = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (status != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    const uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
    if (magnitude > limit)
        return std::nullopt;
    return negative ? int64_t(0 - magnitude) : int64_t(magnitude);
}

std::optional<double> ParseReal(QByteArrayView text)
{
    text = Trimmed(text);
    const QByteArray lower = text.toByteArray().toLower();
    if (lower == "nan")
        return std::numeric_limits<double>::quiet_NaN();
    if (lower == "+infinity" || lower == "infinity" || lower == "inf" || lower == "+inf")
        return std::numeric_limits<double>::infinity();
    if (lower == "-infinity" || lower == "-inf")
        return -std::numeric_limits<double>::infinity();
    if (!text.isEmpty() && text.front() == '+')
        text = text.sliced(1); // from_chars takes a minus sign only
    const QByteArrayView unsignedPart = text.startsWith('-') ? text.sliced(1) : text;
    if (unsignedPart.isEmpty() || !(std::isdigit(uchar(unsignedPart.front())) || unsignedPart.front() == '.'))
        return std::nullopt;
    double value = 0;
    const auto [end, status] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (status != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Two decimal digits at text[at]; -1 when they are not digits.
int TwoDigits(QByteArrayView text, int at)
{
    const char a = text[at];
    const char b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return -1;
    return (a - '0') * 10 + (b - '0');
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// YYYY-MM-DDTHH:MM:SSZ, in UTC, to seconds since 1970.
std::optional<double> ParseDate(QByteArrayView text)
{
    text = Trimmed(text);
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':' || text[19] != 'Z')
        return std::nullopt;
    const int century = TwoDigits(text, 0);
    const int yearInCentury = TwoDigits(text, 2);
    const int month = TwoDigits(text, 5);
    const int day = TwoDigits(text, 8);
    const int hour = TwoDigits(text, 11);
    const int minute = TwoDigits(text, 14);
    const int second = TwoDigits(text, 17);
    if (century < 0 || yearInCentury < 0 || month < 1 || month > 12 || day < 1 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    const int year = century * 100 + yearInCentury;
    static const int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int monthDays = kDaysInMonth[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    if (day > monthDays)
        return std::nullopt;
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return double(timegm(&parts));
}

std::optional<QByteArray> ParseData(QByteArrayView text)
{
    QByteArray compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (!IsSpace(c))
            compact.append(c);
    }
    const auto decoded = QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return decoded.decoded;
}

// One recursive-descent pass over the bytes. On the first error it records the message and the
// offset it happened at, and every caller returns at once.
class Parser {
public:
    explicit Parser(QByteArrayView bytes) : mText(bytes) {}

    CFPropertyList ParseDocument();
    QString ErrorMessage() const;

private:
    struct Tag {
        QByteArray name;
        bool closing = false;
        bool empty = false; // <name/>
    };

    bool Fail(const QString& message);
    CFPropertyList Failed(const QString& message)
    {
        Fail(message);
        return {};
    }
    bool AtEnd() const { return mPos >= mText.size(); }
    bool LookingAt(const char* literal) const;
    bool SkipPast(const char* terminator, const char* what);
    bool SkipProlog();
    bool SkipMisc();
    bool ReadTag(Tag& tag);
    bool ReadText(const QByteArray& tagName, QByteArray& text);
    bool ReadEntity(QByteArray& text);
    bool ReadValue(const Tag& tag, int depth, CFPropertyList& value);
    bool ReadNextValue(int depth, CFPropertyList& value);
    bool ReadArray(int depth, CFPropertyList& value);
    bool ReadDictionary(int depth, CFPropertyList& value);
    bool ReadScalar(const Tag& tag, CFPropertyList& value);
    bool ReadBoolean(const Tag& tag, bool truth, CFPropertyList& value);

    QByteArrayView mText;
    qsizetype mPos = 0;
    QString mError;
    qsizetype mErrorPos = -1;
};

bool Parser::Fail(const QString& message)
{
    if (mErrorPos < 0) {
        mError = message;
        mErrorPos = std::min(mPos, mText.size());
    }
    return false;
}

QString Parser::ErrorMessage() const
{
    const qsizetype line = mText.first(std::max<qsizetype>(mErrorPos, 0)).count('\n') + 1;
    return QStringLiteral("line %1: %2").arg(line).arg(mError);
}

bool Parser::LookingAt(const char* literal) const
{
    return mText.sliced(mPos).startsWith(QByteArrayView(literal));
}

bool Parser::SkipPast(const char* terminator, const char* what)
{
    const qsizetype end = mText.indexOf(QByteArrayView(terminator), mPos);
    if (end < 0)
        return Fail(QStringLiteral("unterminated %1").arg(QLatin1StringView(what)));
    mPos = end + qsizetype(std::strlen(terminator));
    return true;
}

// Whitespace and comments between elements; any other text is an error.
bool Parser::SkipMisc()
{
    while (!AtEnd()) {
        if (IsSpace(mText[mPos])) {
            ++mPos;
            continue;
        }
        if (LookingAt("<!--")) {
            if (!SkipPast("-->", "comment"))
                return false;
            continue;
        }
        if (mText[mPos] != '<')
            return Fail(QStringLiteral("unexpected text"));
        return true;
    }
    return true;
}

// Byte-order mark, XML declaration, DOCTYPE and comments before the root element.
bool Parser::SkipProlog()
{
    if (LookingAt("\xEF\xBB\xBF"))
        mPos += 3;
    for (;;) {
        if (!SkipMisc())
            return false;
        if (LookingAt("<?")) {
            if (!SkipPast("?>", "declaration"))
                return false;
            continue;
        }
        if (!LookingAt("<!DOCTYPE"))
            return true;
        int brackets = 0;
        for (; !AtEnd(); ++mPos) {
            const char c = mText[mPos];
            brackets += c == '[' ? 1 : c == ']' ? -1 : 0;
            if (c == '>' && brackets <= 0)
                break;
        }
        if (AtEnd())
            return Fail(QStringLiteral("unterminated DOCTYPE"));
        ++mPos;
    }
}

// A start, end or empty-element tag at mPos; attributes are skipped.
bool Parser::ReadTag(Tag& tag)
{
    if (AtEnd())
        return Fail(QStringLiteral("unexpected end of the property list"));
    if (mText[mPos] != '<')
        return Fail(QStringLiteral("unexpected text"));
    ++mPos;
    tag = Tag();
    if (!AtEnd() && mText[mPos] == '/') {
        tag.closing = true;
        ++mPos;
    }
    const qsizetype nameStart = mPos;
    while (!AtEnd() && IsNameChar(mText[mPos]))
        ++mPos;
    tag.name = mText.sliced(nameStart, mPos - nameStart).toByteArray();
    if (tag.name.isEmpty())
        return Fail(QStringLiteral("malformed tag"));
    char quote = 0;
    for (; !AtEnd(); ++mPos) {
        const char c = mText[mPos];
        if (quote) {
            quote = c == quote ? 0 : quote;
            continue;
        }
        if (c == '"' || c == '\'') {
            if (tag.closing)
                return Fail(QStringLiteral("malformed tag </%1>").arg(QLatin1StringView(tag.name)));
            quote = c;
            continue;
        }
        if (c == '<')
            break;
        if (c != '>')
            continue;
        tag.empty = !tag.closing && mText[mPos - 1] == '/';
        ++mPos;
        return true;
    }
    return Fail(QStringLiteral("unterminated tag <%1>").arg(QLatin1StringView(tag.name)));
}

bool Parser::ReadEntity(QByteArray& text)
{
    const qsizetype end = mText.indexOf(';', mPos);
    if (end < 0 || end - mPos > 12)
        return Fail(QStringLiteral("malformed entity reference"));
    const QByteArrayView name = mText.sliced(mPos + 1, end - mPos - 1);
    mPos = end + 1;
    static const struct {
        const char* name;
        char character;
    } kEntities[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& entity : kEntities) {
        if (name == QByteArrayView(entity.name)) {
            text.append(entity.character);
            return true;
        }
    }
    if (!name.startsWith('#'))
        return Fail(QStringLiteral("unknown entity &%1;").arg(QLatin1StringView(name)));
    const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    const QByteArrayView digits = name.sliced(hex ? 2 : 1);
    uint32_t code = 0;
    const auto [stop, status] =
        std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    if (digits.isEmpty() || status != std::errc() || stop != digits.data() + digits.size() || code == 0 ||
        code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return Fail(QStringLiteral("bad character reference &%1;").arg(QLatin1StringView(name)));
    const char32_t character = code;
    text.append(QString::fromUcs4(&character, 1).toUtf8());
    return true;
}

// The content of <tagName> up to its end tag: text, references, CDATA and comments.
bool Parser::ReadText(const QByteArray& tagName, QByteArray& text)
{
    for (;;) {
        qsizetype next = mPos;
        while (next < mText.size() && mText[next] != '<' && mText[next] != '&')
            ++next;
        text.append(mText.sliced(mPos, next - mPos));
        mPos = next;
        if (AtEnd())
            return Fail(QStringLiteral("unterminated <%1>").arg(QLatin1StringView(tagName)));
        if (mText[mPos] == '&') {
            if (!ReadEntity(text))
                return false;
            continue;
        }
        if (LookingAt("<![CDATA[")) {
            const qsizetype start = mPos + 9;
            if (!SkipPast("]]>", "CDATA section"))
                return false;
            text.append(mText.sliced(start, mPos - 3 - start));
            continue;
        }
        if (LookingAt("<!--")) {
            if (!SkipPast("-->", "comment"))
                return false;
            continue;
        }
        Tag tag;
        if (!ReadTag(tag))
            return false;
        if (!tag.closing)
            return Fail(QStringLiteral("unexpected <%1> inside <%2>")
                            .arg(QLatin1StringView(tag.name), QLatin1StringView(tagName)));
        if (tag.name != tagName)
            return Fail(QStringLiteral("</%1> does not close <%2>")
                            .arg(QLatin1StringView(tag.name), QLatin1StringView(tagName)));
        return true;
    }
}

bool Parser::ReadBoolean(const Tag& tag, bool truth, CFPropertyList& value)
{
    if (!tag.empty) {
        QByteArray text;
        if (!ReadText(tag.name, text))
            return false;
        if (!Trimmed(text).isEmpty())
            return Fail(QStringLiteral("text inside <%1>").arg(QLatin1StringView(tag.name)));
    }
    value = CFPropertyList(truth);
    return true;
}

bool Parser::ReadScalar(const Tag& tag, CFPropertyList& value)
{
    QByteArray text;
    if (!tag.empty && !ReadText(tag.name, text))
        return false;
    const QLatin1StringView name(tag.name);
    if (tag.name == "string") {
        value = CFPropertyList(CFStringFromBytes(text));
        return true;
    }
    if (tag.name == "integer") {
        const std::optional<int64_t> integer = ParseInteger(text);
        if (!integer)
            return Fail(QStringLiteral("bad or overflowing integer \"%1\"").arg(CFStringFromBytes(text)));
        value = CFPropertyList(static_cast<long long>(*integer));
        return true;
    }
    if (tag.name == "real") {
        const std::optional<double> real = ParseReal(text);
        if (!real)
            return Fail(QStringLiteral("bad or overflowing real \"%1\"").arg(CFStringFromBytes(text)));
        value = CFPropertyList(*real);
        return true;
    }
    if (tag.name == "date") {
        const std::optional<double> date = ParseDate(text);
        if (!date)
            return Fail(QStringLiteral("bad date \"%1\"").arg(CFStringFromBytes(text)));
        value = CFPropertyList::FromDate(*date);
        return true;
    }
    if (tag.name == "data") {
        const std::optional<QByteArray> data = ParseData(text);
        if (!data)
            return Fail(QStringLiteral("bad base64 data"));
        value = CFPropertyList(*data);
        return true;
    }
    return Fail(QStringLiteral("unknown tag <%1>").arg(name));
}

bool Parser::ReadArray(int depth, CFPropertyList& value)
{
    CFPropertyList::Array array;
    for (;;) {
        if (!SkipMisc())
            return false;
        Tag tag;
        if (!ReadTag(tag))
            return false;
        if (tag.closing) {
            if (tag.name != "array")
                return Fail(QStringLiteral("</%1> does not close <array>").arg(QLatin1StringView(tag.name)));
            value = CFPropertyList(array);
            return true;
        }
        CFPropertyList member;
        if (!ReadValue(tag, depth, member))
            return false;
        array.append(member);
    }
}

bool Parser::ReadDictionary(int depth, CFPropertyList& value)
{
    CFPropertyList::Dictionary dictionary;
    for (;;) {
        if (!SkipMisc())
            return false;
        Tag tag;
        if (!ReadTag(tag))
            return false;
        if (tag.closing) {
            if (tag.name != "dict")
                return Fail(QStringLiteral("</%1> does not close <dict>").arg(QLatin1StringView(tag.name)));
            value = CFPropertyList(dictionary);
            return true;
        }
        if (tag.name != "key")
            return Fail(QStringLiteral("<%1> where a <key> belongs").arg(QLatin1StringView(tag.name)));
        QByteArray key;
        if (!tag.empty && !ReadText(tag.name, key))
            return false;
        CFPropertyList member;
        if (!ReadNextValue(depth, member))
            return false;
        dictionary.insert(CFStringFromBytes(key), member); // a later duplicate wins
    }
}

// The value whose start tag has just been read.
bool Parser::ReadValue(const Tag& tag, int depth, CFPropertyList& value)
{
    if (tag.closing)
        return Fail(QStringLiteral("missing value before </%1>").arg(QLatin1StringView(tag.name)));
    if (tag.name == "array" || tag.name == "dict") {
        if (depth >= kCFPropertyListMaxDepth)
            return Fail(QStringLiteral("containers nested deeper than %1").arg(kCFPropertyListMaxDepth));
        if (tag.empty) {
            value = tag.name == "array" ? CFPropertyList(CFPropertyList::Array())
                                        : CFPropertyList(CFPropertyList::Dictionary());
            return true;
        }
        return tag.name == "array" ? ReadArray(depth + 1, value) : ReadDictionary(depth + 1, value);
    }
    if (tag.name == "true" || tag.name == "false")
        return ReadBoolean(tag, tag.name == "true", value);
    if (tag.name == "key")
        return Fail(QStringLiteral("<key> outside a dictionary"));
    return ReadScalar(tag, value);
}

bool Parser::ReadNextValue(int depth, CFPropertyList& value)
{
    if (!SkipMisc())
        return false;
    if (AtEnd())
        return Fail(QStringLiteral("missing value"));
    Tag tag;
    return ReadTag(tag) && ReadValue(tag, depth, value);
}

CFPropertyList Parser::ParseDocument()
{
    if (mText.isEmpty())
        return Failed(QStringLiteral("empty property list"));
    if (mText.startsWith(QByteArrayView("bplist")))
        return Failed(QStringLiteral("binary property lists are not read"));
    if (!SkipProlog())
        return {};
    if (AtEnd())
        return Failed(QStringLiteral("no <plist> element"));
    Tag root;
    if (!ReadTag(root))
        return {};
    if (root.closing || root.name != "plist")
        return Failed(QStringLiteral("<%1> where <plist> belongs").arg(QLatin1StringView(root.name)));
    if (root.empty)
        return Failed(QStringLiteral("missing value in <plist>"));
    CFPropertyList value;
    if (!ReadNextValue(0, value))
        return {};
    Tag end;
    if (!SkipMisc() || !ReadTag(end))
        return {};
    if (!end.closing || end.name != "plist")
        return Failed(QStringLiteral("<%1> after the value of <plist>").arg(QLatin1StringView(end.name)));
    if (!SkipMisc())
        return {};
    if (!AtEnd())
        return Failed(QStringLiteral("content after </plist>"));
    return value;
}

} // namespace

CFPropertyList CFPropertyListReader::Read(QByteArrayView bytes, QString* error)
{
    Parser parser(bytes);
    CFPropertyList value = parser.ParseDocument();
    if (error)
        *error = value.IsNull() ? parser.ErrorMessage() : QString();
    return value;
}

#include "CFPropertyListWriter.h"

#include "CFPropertyListLimits.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

const char kHeader[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";
const char kFooter[] = "</plist>\n";

// Base64 line width for data whose tag stands at the given level: what is left of 76 columns
// after the indentation (a tab counting 8), in whole groups of four, at least one group.
int Base64LineWidth(int level)
{
    const int width = (76 - 8 * level) / 4 * 4;
    return width < 4 ? 4 : width;
}

class Writer {
public:
    explicit Writer(QByteArray& out) : mOut(out) {}

    // False, with mError set, when the value cannot be written.
    bool WriteValue(const CFPropertyList& value, int level);
    QString mError;

private:
    void Indent(int level)
    {
        for (int i = 0; i < level; ++i)
            mOut.append('\t');
    }
    void AppendEscaped(const QString& text);
    void SimpleElement(const char* tag, const QByteArray& text, int level);
    void WriteString(const char* tag, const QString& text, int level);
    void WriteReal(double real, int level);
    bool WriteDate(double seconds, int level);
    void WriteData(const QByteArray& data, int level);
    bool WriteArray(const CFPropertyList::Array& array, int level);
    bool WriteDictionary(const CFPropertyList::Dictionary& dictionary, int level);
    bool EnterContainer(int level);

    QByteArray& mOut;
};

void Writer::AppendEscaped(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    qsizetype plain = 0; // start of the run of bytes that need no escape
    for (qsizetype at = 0; at < utf8.size(); ++at) {
        const char c = utf8[at];
        const char* entity = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : nullptr;
        if (!entity)
            continue;
        mOut.append(utf8.constData() + plain, at - plain).append(entity);
        plain = at + 1;
    }
    mOut.append(utf8.constData() + plain, utf8.size() - plain);
}

void Writer::SimpleElement(const char* tag, const QByteArray& text, int level)
{
    Indent(level);
    mOut.append('<').append(tag).append('>').append(text).append("</").append(tag).append(">\n");
}

void Writer::WriteString(const char* tag, const QString& text, int level)
{
    Indent(level);
    mOut.append('<').append(tag).append('>');
    AppendEscaped(text);
    mOut.append("</").append(tag).append(">\n");
}

void Writer::WriteReal(double real, int level)
{
    if (std::isnan(real))
        return SimpleElement("real", "nan", level);
    if (std::isinf(real))
        return SimpleElement("real", real > 0 ? "+infinity" : "-infinity", level);
    // to_chars, unlike printf, never takes the locale's decimal comma.
    char text[40];
    const auto result = std::to_chars(text, text + sizeof text, real, std::chars_format::general, 17);
    SimpleElement("real", QByteArray(text, result.ptr - text), level);
}

bool Writer::WriteDate(double seconds, int level)
{
    // Years 0000 to 9999: the four digits the format has room for.
    if (!std::isfinite(seconds) || seconds < -62167219200.0 || seconds >= 253402300800.0) {
        mError = QStringLiteral("a date outside the years 0000 to 9999 cannot be written");
        return false;
    }
    const std::time_t whole = std::time_t(std::floor(seconds));
    std::tm parts{};
    gmtime_r(&whole, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    SimpleElement("date", text, level);
    return true;
}

void Writer::WriteData(const QByteArray& data, int level)
{
    Indent(level);
    mOut.append("<data>\n");
    const QByteArray encoded = data.toBase64();
    const int width = Base64LineWidth(level);
    for (qsizetype at = 0; at < encoded.size(); at += width) {
        Indent(level);
        mOut.append(encoded.mid(at, width)).append('\n');
    }
    Indent(level);
    mOut.append("</data>\n");
}

bool Writer::EnterContainer(int level)
{
    if (level < kCFPropertyListMaxDepth)
        return true;
    mError = QStringLiteral("containers nested deeper than %1").arg(kCFPropertyListMaxDepth);
    return false;
}

bool Writer::WriteArray(const CFPropertyList::Array& array, int level)
{
    if (!EnterContainer(level))
        return false;
    Indent(level);
    if (array.isEmpty()) {
        mOut.append("<array/>\n");
        return true;
    }
    mOut.append("<array>\n");
    for (const CFPropertyList& member : array) {
        if (!WriteValue(member, level + 1))
            return false;
    }
    Indent(level);
    mOut.append("</array>\n");
    return true;
}

bool Writer::WriteDictionary(const CFPropertyList::Dictionary& dictionary, int level)
{
    if (!EnterContainer(level))
        return false;
    Indent(level);
    if (dictionary.isEmpty()) {
        mOut.append("<dict/>\n");
        return true;
    }
    mOut.append("<dict>\n");
    for (auto entry = dictionary.cbegin(); entry != dictionary.cend(); ++entry) {
        WriteString("key", entry.key(), level + 1);
        if (!WriteValue(entry.value(), level + 1))
            return false;
    }
    Indent(level);
    mOut.append("</dict>\n");
    return true;
}

bool Writer::WriteValue(const CFPropertyList& value, int level)
{
    switch (value.GetType()) {
    case CFPropertyList::Type::Null:
        mError = QStringLiteral("a null value cannot be written");
        return false;
    case CFPropertyList::Type::Boolean:
        Indent(level);
        mOut.append(value.ToBool() ? "<true/>\n" : "<false/>\n");
        return true;
    case CFPropertyList::Type::Integer:
        SimpleElement("integer", QByteArray::number(qint64(value.ToInteger())), level);
        return true;
    case CFPropertyList::Type::Real:
        WriteReal(value.ToReal(), level);
        return true;
    case CFPropertyList::Type::String:
        WriteString("string", value.ToString(), level);
        return true;
    case CFPropertyList::Type::Date:
        return WriteDate(value.ToDate(), level);
    case CFPropertyList::Type::Data:
        WriteData(value.ToData(), level);
        return true;
    case CFPropertyList::Type::Array:
        return WriteArray(value.ToArray(), level);
    case CFPropertyList::Type::Dictionary:
        return WriteDictionary(value.ToDictionary(), level);
    }
    return false;
}

} // namespace

QByteArray CFPropertyListWriter::Write(const CFPropertyList& value, QString* error)
{
    QByteArray out(kHeader);
    Writer writer(out);
    if (!writer.WriteValue(value, 0)) {
        if (error)
            *error = writer.mError;
        return {};
    }
    out.append(kFooter);
    if (error)
        error->clear();
    return out;
}

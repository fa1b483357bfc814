#include "VCard.h"

#include <QStringDecoder>

namespace {

constexpr int kFoldOctets = 75;

struct PhysicalLine {
    qsizetype start = 0; // of the line's first byte
    qsizetype end = 0;   // after its line end
    QByteArray text;     // without the line end
};

std::vector<PhysicalLine> SplitLines(const QByteArray& inBytes)
{
    std::vector<PhysicalLine> lines;
    qsizetype start = 0;
    const qsizetype size = inBytes.size();
    while (start < size) {
        qsizetype stop = start;
        while (stop < size && inBytes[stop] != '\r' && inBytes[stop] != '\n')
            ++stop;
        qsizetype next = stop;
        if (next < size && inBytes[next] == '\r')
            ++next;
        if (next < size && inBytes[next] == '\n' && (next == stop || inBytes[stop] == '\r'))
            ++next;
        if (next == stop)
            next = size;
        lines.push_back({start, next, inBytes.mid(start, stop - start)});
        start = next;
    }
    return lines;
}

// Splits at `separator` outside double quotes.
QList<QByteArray> SplitOutsideQuotes(const QByteArray& inText, char separator)
{
    QList<QByteArray> parts;
    QByteArray current;
    bool quoted = false;
    for (char c : inText) {
        if (c == '"')
            quoted = !quoted;
        if (c == separator && !quoted) {
            parts.append(current);
            current.clear();
            continue;
        }
        current.append(c);
    }
    parts.append(current);
    return parts;
}

qsizetype FindColonOutsideQuotes(const QByteArray& inLine)
{
    bool quoted = false;
    for (qsizetype i = 0; i < inLine.size(); ++i) {
        if (inLine[i] == '"')
            quoted = !quoted;
        else if (inLine[i] == ':' && !quoted)
            return i;
    }
    return -1;
}

bool IsQuotedPrintableHeader(const QByteArray& inLine)
{
    const qsizetype colon = FindColonOutsideQuotes(inLine);
    return colon > 0 && inLine.left(colon).toUpper().contains("QUOTED-PRINTABLE");
}

QByteArray DecodeQuotedPrintable(const QByteArray& inText)
{
    QByteArray decoded;
    for (qsizetype i = 0; i < inText.size(); ++i) {
        if (inText[i] == '=' && i + 2 < inText.size()) {
            bool ok = false;
            const int byte = inText.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                decoded.append(char(byte));
                i += 2;
                continue;
            }
        }
        decoded.append(inText[i]);
    }
    return decoded;
}

QString DecodeText(const QByteArray& inBytes, const QString& inCharset)
{
    if (!inCharset.isEmpty()) {
        QStringDecoder decoder(inCharset.toLatin1().constData());
        if (decoder.isValid()) {
            QString text = decoder.decode(inBytes);
            if (!decoder.hasError())
                return text;
        }
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(inBytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(inBytes);
}

QString Unquote(const QByteArray& inValue)
{
    QByteArray value = inValue.trimmed();
    if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
        value = value.mid(1, value.size() - 2);
    return QString::fromUtf8(value);
}

bool IsEncodingWord(const QString& inWord)
{
    static const QStringList kEncodings{"QUOTED-PRINTABLE", "BASE64", "B", "8BIT", "7BIT"};
    return kEncodings.contains(inWord);
}

// Literal line ends (from a decoded QUOTED-PRINTABLE value) become the \n escape.
QString EscapeLineEnds(const QString& inText)
{
    QString text = inText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
    text.replace('\r', QLatin1String("\\n"));
    text.replace('\n', QLatin1String("\\n"));
    return text;
}

bool ParseProperty(const QByteArray& inLine, VCardProperty* outProperty, QString* outError)
{
    const qsizetype colon = FindColonOutsideQuotes(inLine);
    if (colon <= 0) {
        *outError = QStringLiteral("a line without a property name and value: ") + QString::fromUtf8(inLine.left(60));
        return false;
    }
    const QList<QByteArray> head = SplitOutsideQuotes(inLine.left(colon), ';');
    QString name = QString::fromUtf8(head.first()).trimmed().toUpper();
    if (const qsizetype dot = name.lastIndexOf('.'); dot >= 0) {
        outProperty->group = name.left(dot).toLower();
        name = name.mid(dot + 1);
    }
    if (name.isEmpty()) {
        *outError = QStringLiteral("a property without a name");
        return false;
    }
    outProperty->name = name;
    for (qsizetype i = 1; i < head.size(); ++i) {
        const qsizetype equals = head[i].indexOf('=');
        if (equals < 0) {
            const QString word = QString::fromUtf8(head[i]).trimmed().toUpper();
            if (!word.isEmpty())
                outProperty->parameters.emplace_back(IsEncodingWord(word) ? "ENCODING" : "TYPE", word);
            continue;
        }
        const QString key = QString::fromUtf8(head[i].left(equals)).trimmed().toUpper();
        for (const QByteArray& value : SplitOutsideQuotes(head[i].mid(equals + 1), ','))
            outProperty->parameters.emplace_back(key, Unquote(value));
    }
    QByteArray valueBytes = inLine.mid(colon + 1);
    const bool quotedPrintable =
        outProperty->ParameterValues("ENCODING").contains("QUOTED-PRINTABLE", Qt::CaseInsensitive);
    if (quotedPrintable)
        valueBytes = DecodeQuotedPrintable(valueBytes);
    const QStringList charsets = outProperty->ParameterValues("CHARSET");
    QString value = DecodeText(valueBytes, charsets.isEmpty() ? QString() : charsets.first());
    outProperty->value = quotedPrintable ? EscapeLineEnds(value) : value;
    // What was decoded here is written back as plain UTF-8.
    std::erase_if(outProperty->parameters, [&](const auto& parameter) {
        return parameter.first == "CHARSET" ||
               (parameter.first == "ENCODING" && parameter.second.compare("QUOTED-PRINTABLE", Qt::CaseInsensitive) == 0);
    });
    return true;
}

QStringList SplitEscaped(const QString& inValue, QChar inSeparator)
{
    QStringList parts;
    QString current;
    for (qsizetype i = 0; i < inValue.size(); ++i) {
        const QChar c = inValue[i];
        if (c == '\\' && i + 1 < inValue.size()) {
            const QChar next = inValue[++i];
            current.append(next == 'n' || next == 'N' ? QChar('\n') : next);
            continue;
        }
        if (c == inSeparator) {
            parts.append(current);
            current.clear();
            continue;
        }
        current.append(c);
    }
    parts.append(current);
    return parts;
}

QString QuoteParameterValue(const QString& inValue)
{
    if (inValue.contains(':') || inValue.contains(';') || inValue.contains(','))
        return '"' + QString(inValue).remove('"') + '"';
    return inValue;
}

QByteArray PropertyLine(const VCardProperty& inProperty)
{
    QString line = inProperty.group.isEmpty() ? inProperty.name : inProperty.group + '.' + inProperty.name;
    std::vector<QString> names;
    for (const auto& parameter : inProperty.parameters) {
        if (std::find(names.begin(), names.end(), parameter.first) == names.end())
            names.push_back(parameter.first);
    }
    for (const QString& name : names) {
        QStringList values;
        for (const QString& value : inProperty.ParameterValues(name))
            values.append(QuoteParameterValue(name == "ENCODING" && value.compare("BASE64", Qt::CaseInsensitive) == 0
                                                  ? QStringLiteral("b")
                                                  : value));
        line += ';' + name + '=' + values.join(',');
    }
    line += ':' + EscapeLineEnds(inProperty.value);
    return line.toUtf8();
}

} // namespace

QStringList VCardProperty::ParameterValues(const QString& inName) const
{
    QStringList values;
    for (const auto& [name, value] : parameters) {
        if (name == inName)
            values.append(value);
    }
    return values;
}

QStringList VCardProperty::Types() const
{
    QStringList types;
    for (const QString& type : ParameterValues("TYPE"))
        types.append(type.toLower());
    return types;
}

QString VCardProperty::Text() const
{
    return SplitEscaped(value, QChar()).join(QString());
}

QStringList VCardProperty::Components() const { return SplitEscaped(value, ';'); }

QStringList VCardProperty::ListItems() const { return SplitEscaped(value, ','); }

void VCardProperty::SetText(const QString& inText) { value = EscapeVCardText(inText); }

void VCardProperty::SetComponents(const QStringList& inParts)
{
    QStringList escaped;
    for (const QString& part : inParts)
        escaped.append(EscapeVCardText(part));
    value = escaped.join(';');
}

const VCardProperty* VCard::Find(const QString& inName) const
{
    for (const VCardProperty& property : properties) {
        if (property.name == inName)
            return &property;
    }
    return nullptr;
}

VCardProperty* VCard::Find(const QString& inName)
{
    return const_cast<VCardProperty*>(std::as_const(*this).Find(inName));
}

std::vector<const VCardProperty*> VCard::FindAll(const QString& inName) const
{
    std::vector<const VCardProperty*> found;
    for (const VCardProperty& property : properties) {
        if (property.name == inName)
            found.push_back(&property);
    }
    return found;
}

const VCardProperty* VCard::FindInGroup(const QString& inGroup, const QString& inName) const
{
    if (inGroup.isEmpty())
        return nullptr;
    for (const VCardProperty& property : properties) {
        if (property.name == inName && property.group == inGroup)
            return &property;
    }
    return nullptr;
}

VCardProperty& VCard::Obtain(const QString& inName)
{
    if (VCardProperty* property = Find(inName))
        return *property;
    properties.push_back(VCardProperty{{}, inName, {}, {}});
    return properties.back();
}

QByteArray VCard::ToVCard30() const
{
    QByteArray text = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    for (const VCardProperty& property : properties) {
        if (property.name == "BEGIN" || property.name == "END" || property.name == "VERSION")
            continue;
        text += FoldVCardLine(PropertyLine(property));
    }
    return text + "END:VCARD\r\n";
}

QString EscapeVCardText(const QString& inText)
{
    QString escaped;
    escaped.reserve(inText.size());
    for (qsizetype i = 0; i < inText.size(); ++i) {
        const QChar c = inText[i];
        if (c == '\\' || c == ',' || c == ';') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\r') {
            escaped += QLatin1String("\\n");
            if (i + 1 < inText.size() && inText[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            escaped += QLatin1String("\\n");
        } else {
            escaped += c;
        }
    }
    return escaped;
}

QByteArray FoldVCardLine(const QByteArray& inLine)
{
    QByteArray folded;
    qsizetype start = 0;
    int room = kFoldOctets;
    do {
        qsizetype stop = std::min(inLine.size(), start + room);
        // Never between the bytes of one character.
        while (stop < inLine.size() && stop > start && (static_cast<unsigned char>(inLine[stop]) & 0xC0) == 0x80)
            --stop;
        if (start > 0)
            folded += ' ';
        folded += inLine.mid(start, stop - start) + "\r\n";
        start = stop;
        room = kFoldOctets - 1;
    } while (start < inLine.size());
    return folded;
}

std::vector<VCardChunk> ParseVCards(const QByteArray& inBytes)
{
    std::vector<VCardChunk> chunks;
    const std::vector<PhysicalLine> lines = SplitLines(inBytes);
    VCardChunk* open = nullptr;
    qsizetype openStart = 0;
    int depth = 0;
    QByteArray logical;

    auto finishLogical = [&]() {
        if (!open || logical.isEmpty() || !open->error.isEmpty())
            return;
        VCardProperty property;
        if (ParseProperty(logical, &property, &open->error))
            open->card.properties.push_back(std::move(property));
        logical.clear();
    };

    for (size_t i = 0; i < lines.size(); ++i) {
        const QByteArray& text = lines[i].text;
        if (open && !logical.isEmpty() && depth == 1) {
            if (logical.endsWith('=') && IsQuotedPrintableHeader(logical)) {
                logical.chop(1);
                logical += text;
                continue;
            }
            if (text.startsWith(' ') || text.startsWith('\t')) {
                logical += text.mid(1);
                continue;
            }
        }
        const QByteArray upper = text.trimmed().toUpper();
        if (upper == "BEGIN:VCARD") {
            if (depth++ == 0) {
                chunks.emplace_back();
                open = &chunks.back();
                openStart = lines[i].start;
                logical.clear();
            }
            continue;
        }
        if (upper == "END:VCARD" && depth > 0) {
            if (--depth == 0) {
                finishLogical();
                open->raw = inBytes.mid(openStart, lines[i].end - openStart);
                open->parsed = open->error.isEmpty();
                open = nullptr;
            }
            continue;
        }
        if (depth != 1)
            continue;
        finishLogical();
        logical = text;
    }
    if (open) {
        open->raw = inBytes.mid(openStart);
        open->error = QStringLiteral("the card has no END:VCARD");
    }
    return chunks;
}

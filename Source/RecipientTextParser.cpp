#include "RecipientTextParser.h"

#include "ByteDecoders.h"


namespace {

constexpr qsizetype kLongestAddress = 255;

// The text cut to 255 bytes of UTF-8 on a character boundary.
QString CutTo255Bytes(const QString& inText)
{
    return QString::fromUtf8(CString256(inText.toUtf8().constData()).text);
}

bool HoldsAt(const QStringList& inFields)
{
    for (const QString& field : inFields) {
        if (field.contains(QLatin1Char('@')))
            return true;
    }
    return false;
}

// A headerless name: the part before its last blank is the first name.
void SplitName(const QString& inName, QString& outFirst, QString& outLast)
{
    const qsizetype blank = inName.lastIndexOf(QLatin1Char(' '));
    if (blank < 0) {
        outFirst = inName;
        return;
    }
    outFirst = inName.left(blank);
    outLast = inName.mid(blank + 1);
}

} // namespace

RecipientTextParser::RecipientTextParser(const QByteArray& inBytes)
{
    const QString text = DecodeText(inBytes);
    mSeparator = text.contains(QLatin1Char('\t')) ? QLatin1Char('\t') : QLatin1Char(',');
    std::vector<QStringList> lines = SplitLines(text, mSeparator);
    for (QStringList& fields : lines) {
        if (!mHasHeader && !fields.isEmpty() && fields.first().startsWith(QLatin1String("!!"))) {
            fields.first().remove(0, 2);
            for (const QString& name : fields)
                mColumns.append(CutTo255Bytes(name));
            mHasHeader = true;
            continue;
        }
        if (HoldsAt(fields))
            mLines.push_back(std::move(fields));
    }
}

QString RecipientTextParser::DecodeText(const QByteArray& inBytes)
{
    QString text = DecodeTextFileBytes(inBytes);
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

std::vector<QStringList> RecipientTextParser::SplitLines(const QString& inText, QChar inSeparator)
{
    std::vector<QStringList> lines;
    QStringList fields;
    QString field;
    bool lineHasText = false;
    const auto endLine = [&] {
        fields.append(field);
        if (lineHasText)
            lines.push_back(fields);
        fields.clear();
        field.clear();
        lineHasText = false;
    };
    const qsizetype length = inText.size();
    for (qsizetype at = 0; at < length; ++at) {
        const QChar c = inText.at(at);
        if (c == QLatin1Char('"')) {
            if (!field.isEmpty()) // a stray quote is dropped
                continue;
            // A quoted field: up to the closing quote, "" standing for one quote.
            for (++at; at < length; ++at) {
                const QChar q = inText.at(at);
                if (q != QLatin1Char('"')) {
                    field.append(q);
                    continue;
                }
                if (at + 1 < length && inText.at(at + 1) == QLatin1Char('"')) {
                    field.append(q);
                    ++at;
                    continue;
                }
                break;
            }
            lineHasText = true;
            continue;
        }
        if (c == inSeparator) {
            fields.append(field);
            field.clear();
            lineHasText = true;
            continue;
        }
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && at + 1 < length && inText.at(at + 1) == QLatin1Char('\n'))
                ++at;
            endLine();
            continue;
        }
        field.append(c);
        lineHasText = true;
    }
    if (lineHasText || !field.isEmpty())
        endLine();
    return lines;
}

std::optional<Person> RecipientTextParser::RecordAt(SInt32 inIndex, QString* outProblem) const
{
    if (inIndex < 0 || size_t(inIndex) >= mLines.size())
        return std::nullopt;
    const QStringList& fields = mLines[size_t(inIndex)];
    QString address; // whole, before the record cuts it
    Person person = mHasHeader ? RecordWithHeader(fields, address) : RecordWithoutHeader(fields, mSeparator, address);
    if (address.toUtf8().size() > kLongestAddress) {
        if (outProblem)
            *outProblem = QStringLiteral("The address of import line %1 is longer than %2 bytes: %3")
                              .arg(inIndex + 1)
                              .arg(kLongestAddress)
                              .arg(address);
        return std::nullopt;
    }
    return person;
}

Person RecipientTextParser::RecordWithHeader(const QStringList& inFields, QString& outEmail) const
{
    Person::Columns columns;
    const qsizetype count = std::min(inFields.size(), mColumns.size());
    for (qsizetype column = 0; column < count; ++column) {
        if (!mColumns.at(column).isEmpty())
            columns.insert(mColumns.at(column), inFields.at(column));
    }
    outEmail = columns.value(QStringLiteral("Email Address"));
    return Person(columns);
}

Person RecipientTextParser::RecordWithoutHeader(const QStringList& inFields, QChar inSeparator, QString& outEmail)
{
    QString first;
    QString last;
    QString email;
    if (inFields.size() >= 3 && !inFields.at(1).isEmpty()) {
        first = inFields.at(0);
        last = inFields.at(1);
        email = inFields.mid(2).join(inSeparator);
    } else if (inFields.size() >= 2) {
        QStringList present;
        for (const QString& field : inFields) {
            if (!field.isEmpty())
                present.append(field);
        }
        const QString lead = present.value(0);
        const QString next = present.value(1);
        const bool leadIsAddress = lead.contains(QLatin1Char('@'));
        email = leadIsAddress ? lead : next;
        SplitName(leadIsAddress ? next : lead, first, last);
    } else {
        email = inFields.value(0);
    }
    outEmail = email;
    return Person(first.toUtf8().constData(), last.toUtf8().constData(), email.toUtf8().constData());
}

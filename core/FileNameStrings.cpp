#include "FileNameStrings.h"

#include "FileManager.h"

namespace {

constexpr int kMaxNameBytes = 255;

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

int Utf8Bytes(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

// The longest prefix of whole characters that fits `limit` UTF-8 bytes.
QString CutToUtf8Bytes(const QString& text, int limit)
{
    int bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const bool pair = text[end].isHighSurrogate() && end + 1 < text.size()
            && text[end + 1].isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(text[end], text[end + 1]) : text[end].unicode();
        const int size = (text[end].isSurrogate() && !pair) ? 3 : Utf8Bytes(c);
        if (bytes + size > limit)
            break;
        bytes += size;
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

bool IsDotsOnly(const QString& text)
{
    for (QChar c : text) {
        if (c != u'.')
            return false;
    }
    return true;
}

// An empty match is an empty text, never the null "not found".
QString NonNullText(QString text) { return text.isNull() ? QString("") : text; }

} // namespace

QString StringWithFSRef(const FSRef* ref)
{
    if (!ref)
        return {};
    std::string path;
    if (FSRefMakePath(*ref, &path) != noErr || path.size() > size_t(kMaxPathTextBytes))
        return {};
    return QString::fromStdString(path);
}

bool GetFSRef(const QString& path, FSRef* ref)
{
    if (!ref)
        return false;
    const QByteArray bytes = path.toUtf8();
    if (bytes.size() > kMaxPathTextBytes)
        return false;
    return FSPathMakeRef(std::string_view(bytes.constData(), size_t(bytes.size())), ref) == noErr;
}

QString ExtractBetweenPattern(const QString& text, const QString& start, const QString& end)
{
    if (start.isEmpty() || end.isEmpty())
        return {};
    const qsizetype found = text.indexOf(start, 0, Qt::CaseInsensitive);
    if (found < 0)
        return {};
    const qsizetype begin = found + start.size();
    const qsizetype stop = text.indexOf(end, begin, Qt::CaseInsensitive);
    if (stop < 0)
        return {};
    return NonNullText(text.mid(begin, stop - begin));
}

QString ReverseExtractBetweenPattern(const QString& text, const QString& start, const QString& end)
{
    if (start.isEmpty() || end.isEmpty())
        return {};
    const qsizetype stop = text.indexOf(end, 0, Qt::CaseInsensitive);
    if (stop < 0 || stop < start.size())
        return {};
    const qsizetype found = text.lastIndexOf(start, stop - start.size(), Qt::CaseInsensitive);
    if (found < 0)
        return {};
    const qsizetype begin = found + start.size();
    return NonNullText(text.mid(begin, stop - begin));
}

QString CleanForFilename(const QString& text)
{
    QString clean = text;
    for (QChar& c : clean) {
        if (c == u'/' || c == u':' || IsControl(c.unicode()))
            c = u'-';
    }
    clean = CutToUtf8Bytes(clean, kMaxNameBytes);
    if (IsDotsOnly(clean))
        clean.fill(u'-');
    return clean.isEmpty() ? QStringLiteral("-") : clean;
}

#include "URLTitle.h"

#include "FileNameStrings.h"
#include "MacRomanText.h"
#include "PageFetch.h"
#include "PictavorFiles.h"
#include "StringExtensions.h"

namespace pictavor {

namespace {

// Bytes at the end that begin a UTF-8 sequence the cut left unfinished.
qsizetype UnfinishedTail(const QByteArray& bytes)
{
    for (qsizetype back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto byte = uint8_t(bytes[bytes.size() - back]);
        if ((byte & 0xC0) != 0x80) {
            const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            return length > back ? back : 0;
        }
    }
    return 0;
}

QString DecodePage(QByteArray bytes, bool cut)
{
    if (cut)
        bytes.chop(UnfinishedTail(bytes));
    return DecodeUtf8OrMacRoman(bytes);
}

QString DateFallback()
{
    return pictavor::CleanForFilename(CurrentDateDescription());
}

} // namespace

QString GetURLTitle(const QString& url)
{
    const std::optional<QByteArray> data = PageFetch::Fetch(url);
    if (!data)
        return DateFallback();
    const QString page = DecodePage(*data, PageFetch::LastWasCut());
    if (page.isNull())
        return DateFallback();
    QString title = ExtractBetweenPattern(page, QStringLiteral("<title>"), QStringLiteral("</title>"));
    if (title.isNull())
        return DateFallback();
    title.replace('/', '-');
    title.replace(':', '-');
    return pictavor::CleanForFilename(title.trimmed());
}

} // namespace pictavor

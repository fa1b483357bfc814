#include "CharsetChoice.h"

#include "CharsetConversion.h"

QString MimeCharsetForItem(const QString& inItemText, const CharsetTable& inTable)
{
    static const QString kDefault = QStringLiteral("UTF-8");
    const qsizetype opening = inItemText.indexOf(QLatin1String(" ("));
    if (opening < 0)
        return kDefault;
    const QString displayName = inItemText.left(opening);
    for (const auto& [name, mimeName] : inTable) {
        if (name != displayName)
            continue;
        // An empty text converts whenever the converters know the set.
        return EncodeInCharset(QString(), mimeName) ? mimeName : kDefault;
    }
    return kDefault;
}

#include "ReportLogScan.h"

std::optional<QStringList> FindSentAddressesInReport(const QString& inReport)
{
    const qsizetype tableStart = inReport.indexOf(QLatin1String("<table"), 0, Qt::CaseInsensitive);
    if (tableStart < 0)
        return std::nullopt;
    const qsizetype tableEnd = inReport.indexOf(QLatin1String("</table"), tableStart, Qt::CaseInsensitive);
    if (tableEnd < 0)
        return std::nullopt;
    const QString table = inReport.mid(tableStart, tableEnd - tableStart);
    static const QLatin1String kMarker("</td><td>None");
    QStringList addresses;
    for (const QString& row : table.split(QLatin1String("</tr>"), Qt::KeepEmptyParts, Qt::CaseInsensitive)) {
        if (!row.contains(QLatin1Char('@')))
            continue;
        const qsizetype marker = row.indexOf(kMarker);
        if (marker < 0)
            continue;
        const qsizetype cell = row.lastIndexOf(QLatin1String("<td>"), marker);
        if (cell < 0)
            continue;
        addresses.append(row.mid(cell + 4, marker - cell - 4));
    }
    return addresses;
}

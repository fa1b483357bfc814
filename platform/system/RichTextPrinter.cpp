#include "RichTextPrinter.h"

#include "ProcessRunner.h"

#include <QFile>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

namespace {

bool StartsAsRTF(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(64).trimmed().startsWith("{\\rtf");
}

} // namespace

bool RichTextPrinter::PrintToPDF(const QString& rtfPath, const QString& pdfPath, const QSizeF& pagePoints)
{
    if (!StartsAsRTF(rtfPath) || pagePoints.width() <= 0 || pagePoints.height() <= 0)
        return false;
    const ProcessResult converted = ProcessRunner::Run("unrtf", {"--html", "--nopict", rtfPath},
                                                       std::chrono::milliseconds(kConverterDeadlineMs));
    if (!converted.Succeeded() || converted.standardOutput.isEmpty())
        return false;

    QPdfWriter writer(pdfPath);
    writer.setPageSize(QPageSize(pagePoints, QPageSize::Point, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setCreator("Brevanto");
    QTextDocument document;
    document.setHtml(QString::fromUtf8(converted.standardOutput));
    document.setPageSize(writer.pageLayout().paintRect(QPageLayout::Point).size());
    document.print(&writer);
    return QFile(pdfPath).size() > 0;
}

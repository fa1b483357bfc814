#include "AttachmentConversions.h"

#include "FileManager.h"
#include "Launcher.h"
#include "PdfDocument.h"
#include "ProcessRunner.h"
#include "RichTextPrinter.h"
#include "WorkingFolders.h"

#include <QFileInfo>
#include <QMimeDatabase>

namespace {

const QSizeF kDefaultPagePoints(612, 792);

QString ItemName(const FSRef& item)
{
    std::string name;
    if (FSGetName(item, &name) != noErr)
        return {};
    return QString::fromStdString(name);
}

QString ParentOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return QString::fromStdString(slash == 0 ? std::string("/") : path.substr(0, slash));
}

QMimeType TypeByExtension(const QString& path)
{
    return QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
}

} // namespace

bool WritePDFPages(const FSRef& source, FSRef* folder)
{
    const QString name = ItemName(source);
    if (name.isEmpty() || !folder)
        return false;
    const QString work = MakeWorkFolder();
    if (work.isNull() || FSPathMakeRef(work, folder) != noErr)
        return false;
    PdfDocument document;
    if (!document.Open(QString::fromStdString(source.path)))
        return false;
    int written = 0;
    for (int page = 0; page < document.PageCount(); ++page) {
        const QString fileName = QString("%1 [%2].pdf").arg(name).arg(page + 1);
        if (document.WritePage(page, work + "/" + fileName, fileName, "Brevanto"))
            ++written;
    }
    return written > 0;
}

bool ZipItemToTempFolder(const FSRef& item, FSRef* zip)
{
    const QString name = ItemName(item);
    if (name.isEmpty() || !zip || !FSRefExists(item))
        return false;
    const QString work = MakeWorkFolder();
    if (work.isNull())
        return false;
    const QString destination = work + "/" + name + ".zip";
    const ProcessResult result = ProcessRunner::Run(
        "zip", {"-r", "-q", "-y", destination, "./" + name}, std::chrono::milliseconds(kZipDeadlineMs),
        ParentOf(item.path));
    if (!result.Succeeded())
        return false;
    return FSPathMakeRef(destination, zip) == noErr;
}

QString ConvertTextFileToPDF(const QString& path, const QSizeF& pageSize)
{
    const QFileInfo source(path);
    if (!source.exists())
        return {};
    const QString rtf = source.isDir() ? path + "/TXT.rtf" : path;
    const QString work = MakeWorkFolder();
    if (work.isNull())
        return {};
    const QString output = work + "/" + source.fileName() + ".pdf";
    const QSizeF page = pageSize.isValid() && !pageSize.isEmpty() ? pageSize : kDefaultPagePoints;
    if (!RichTextPrinter::PrintToPDF(rtf, output, page))
        return {};
    return output;
}

void PreviewWithQuickLook(const QString& path)
{
    Launcher::Current().Open(path);
}

bool IsTextFileType(const QString& given)
{
    QString path = given;
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    const QString lower = path.toLower();
    if (lower.endsWith(".rtfd") || lower.endsWith(".webarchive"))
        return true;
    const QMimeType type = TypeByExtension(path);
    if (!type.isValid() || type.isDefault())
        return false;
    return type.inherits("text/plain") || type.inherits("text/rtf") || type.inherits("application/rtf")
        || type.inherits("message/rfc822");
}

QString GetUTIForExtension(const QString& path)
{
    const QMimeType type = TypeByExtension(path);
    if (!type.isValid() || type.isDefault())
        return {};
    return type.name();
}

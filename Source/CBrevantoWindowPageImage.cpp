// The page image of a mailing (the source page rendered by the page imager and attached) and
// the adding of a file to the attachments drawer with the conversions the preferences ask for.
#include "CBrevantoWindow.h"

#include "AttachmentConversions.h"
#include "CEnvironment.h"
#include "Drawer.h"
#include "FileManager.h"
#include "PageImager.h"
#include "PreferenceGetters.h"

#include <QDir>
#include <QFileInfo>

namespace {

void LogLine(const QString& inText)
{
    if (gEnvironment)
        gEnvironment->LogLine(inText.toUtf8().constData());
}

// Every visible file of the folder the pages were split into, by name.
QStringList SplitPages(const QString& inPDF)
{
    FSRef source;
    FSRef folder;
    if (FSPathMakeRef(inPDF, &source) != noErr || !WritePDFPages(source, &folder))
        return {};
    QStringList pages;
    const QDir dir(QString::fromStdString(folder.path));
    for (const QFileInfo& page : dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        pages.append(page.absoluteFilePath());
    return pages;
}

} // namespace

Boolean CBrevantoWindow::ImageWebPageIfRequested()
{
    if (!mImageHTML)
        return true;
    if (PageImager::ProgramPath().isEmpty()) {
        ShowAlertSheet("Brevanto requires Quicktime 6.4 or greater to image HTML.",
                       "Please run Software Update in System Preferences to update your Quicktime software.");
        return false;
    }
    ShowAlertSheet("The URL will imaged to a JPEG when you dismiss this alert. The image will be added to the "
                   "attachments drawer when complete.",
                   "This option was selected from the \"Image\" checkbox adjacent to the \"Web Page or File\" text "
                   "field.");
    NormalizeURL();
    const QString location = mWebPageURL;
    LogLine("Imaging URL: " + location);
    SetStatusText("Imaging URL...");
    if (WindowRef drawer = Window(ENibWindow::drawer))
        Drawer::OpenDrawer(drawer);
    LogLine("Please wait...");
    const bool made = PageImager::MakeImage(location);
    if (made) {
        AddAttachmentFile(PageImager::ImagePath());
        RefreshAttachmentsList();
    }
    LogLine("Done");
    SetStatusText("Finished Imaging URL.");
    HideProgress();
    if (!made)
        ShowAlertSheet("The page could not be imaged.", location);
    return made;
}

void CBrevantoWindow::AddAttachmentFile(const QString& inPath)
{
    const bool split = GetSplitPDFs();
    QString path = inPath;
    if (IsTextFileType(inPath) && GetConvertTextAttachmentsToPDF()) {
        const QString pdf = ConvertTextFileToPDF(inPath);
        if (!pdf.isEmpty())
            path = pdf;
        if (pdf.isEmpty() || !split) {
            AppendAttachmentPath(path);
            return;
        }
    } else if (!(split && QFileInfo(inPath).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)) {
        AppendAttachmentPath(inPath);
        return;
    }
    const QStringList pages = SplitPages(path);
    if (pages.isEmpty()) {
        AppendAttachmentPath(inPath);
        return;
    }
    for (const QString& page : pages)
        AppendAttachmentPath(page);
}

#include "PageImaging.h"

#include "FileManager.h"
#include "GraphicsExporter.h"
#include "NetworkCheck.h"
#include "OffscreenWebView.h"
#include "OutputTypes.h"
#include "Pictavor.h"
#include "PictavorFiles.h"
#include "PictavorImages.h"
#include "PictavorLog.h"
#include "URLTitle.h"
#include "WebViewController.h"
#include "WholeFileWrite.h"
#include "WorkingFolders.h"

#include <QTimer>
#include <QUrl>

#include <unistd.h>

namespace pictavor {

namespace {

constexpr int kMaxFolderPathBytes = 2048;
constexpr int kMaxFilePathBytes = 4096;
constexpr int kViewMarginPixels = 20;

QString TypeNameOf(OSType subtype)
{
    for (int i = 0; i < kImageTypeCount; ++i)
        if (kImageTypes[size_t(i)] == subtype)
            return QString::fromLatin1(kExtensions[size_t(i)]);
    return QString::fromLatin1(FourCharText(subtype).text);
}

void LogTooLarge(const QString& type, int width, int height, qint64 limit)
{
    LogEntry(QStringLiteral("Image too large for %1: %2 x %3 (limit %4)").arg(type).arg(width).arg(height).arg(limit));
}

// Sizes the view to the whole document, refusing documents past the capture cap.
bool SizeViewToDocument(OffscreenWebView& view, const QString& type, int* width, int* height)
{
    if (!GetDocumentViewSize(view, width, height))
        return false;
    if (qint64(*width) * *height > OffscreenWebView::kCaptureCapPixels) {
        LogTooLarge(type, *width, *height, OffscreenWebView::kCaptureCapPixels);
        return false;
    }
    QString error;
    if (!view.Resize(QSize(*width, *height), &error)) {
        LogEntry(QStringLiteral("The view could not be sized: %1").arg(error));
        return false;
    }
    return true;
}

// The private temporary folder of this user ($TMPDIR or /tmp, + "/Brevanto-<uid>").
bool PrivateFolder(QString* path)
{
    std::string root;
    if (!GetTemporaryRoot(&root)) {
        const QString tmp = qEnvironmentVariable("TMPDIR", QStringLiteral("/tmp"));
        LogEntry(QStringLiteral("Temporary folder refused: %1/Brevanto-%2 is not a private folder of this user")
                     .arg(tmp).arg(getuid()));
        return false;
    }
    *path = QString::fromStdString(root);
    return true;
}

// Why the load gave no page, or an empty text when it gave one.
QString LoadProblem(const OffscreenWebView& view, const WebViewController& controller)
{
    if (controller.StopRequested())
        return controller.StopReason();
    if (view.IsEnded())
        return QStringLiteral("The browser ended: %1").arg(view.EndReason());
    if (view.HasFailed())
        return QStringLiteral("Load failed: %1").arg(view.FailureReason());
    if (!view.HasCommitted())
        return QStringLiteral("Load failed: no page arrived within %1 seconds").arg(WebViewController::kLoadCapMs / 1000);
    return {};
}

// The second wait: until the quiet period or 20 s (stopWait), unless the load ended.
void WaitForQuiet(OffscreenWebView& view, WebViewController& controller)
{
    controller.SetLoaded(false);
    QTimer cap;
    cap.setSingleShot(true);
    QObject::connect(&cap, &QTimer::timeout, [&controller] { controller.StopWait(); });
    cap.start(WebViewController::kLoadCapMs);
    view.RunUntil([&] { return controller.Loaded() || view.HasFailed() || controller.StopRequested(); },
                  QDeadlineTimer(QDeadlineTimer::Forever));
}

// Writes the output file for the type; the file's reference on success.
bool WriteOutput(OffscreenWebView& view, const QString& imageType, int quality, FSRef* outRef)
{
    QString folderPath;
    if (!PrivateFolder(&folderPath))
        return false;
    LogEntry(QStringLiteral("Output directory = %1").arg(folderPath));
    FSRef folder;
    if (FSPathMakeRef(folderPath, &folder) != noErr)
        return false;
    const int index = GetImageTypeIndex(imageType);
    const int codecQuality = CodecQualityPreference(quality);
    if (index >= kImageTypeCount) {
        LogEntry(QStringLiteral("Unknown image type \"%1\": no file written").arg(imageType));
        return false;
    }
    const QString fileName = QStringLiteral("%1.%2").arg(QLatin1StringView(kOutputBaseName), imageType);
    const OSStatus status = index == kPDFTypeIndex
        ? ImageWebViewAsPDF(view, folder, fileName, outRef)
        : ImageWebView(view, folder, fileName, kImageTypes[size_t(index)], codecQuality, outRef);
    return status == noErr;
}

} // namespace

QString NormalizeURL(const QString& url)
{
    for (const char* scheme : { "http://", "https://", "file://" }) {
        if (url.startsWith(QLatin1StringView(scheme), Qt::CaseInsensitive))
            return url;
    }
    return QStringLiteral("http://%1").arg(url);
}

bool LoadURL(OffscreenWebView& view, const QString& url, WebViewController& controller, QDeadlineTimer loadCap)
{
    const QUrl request(url, QUrl::StrictMode);
    if (!request.isValid() || request.scheme().isEmpty()) {
        LogEntry(QStringLiteral("Load failed: \"%1\" is not a URL").arg(url));
        return false;
    }
    controller.SetMainFrameLoaded(false);
    Pictavor observer(controller);
    QString error;
    if (!view.Load(url, &error)) {
        LogEntry(QStringLiteral("Load failed: %1").arg(error));
        return false;
    }
    view.RunUntil([&] { return controller.Loaded() || controller.MainFrameLoaded() || view.HasFailed() || controller.StopRequested(); },
                  loadCap);
    return true;
}

bool GetDocumentViewSize(OffscreenWebView& view, int* width, int* height)
{
    QSizeF size;
    QString error;
    if (!view.DocumentSize(&size, &error)) {
        LogEntry(QStringLiteral("The document size could not be read: %1").arg(error));
        return false;
    }
    *width = int(size.width()) + kViewMarginPixels;
    *height = int(size.height()) + kViewMarginPixels;
    return true;
}

OSStatus ImageWebView(OffscreenWebView& view, const FSRef& folder, const QString& fileName, OSType subtype,
                      int quality, FSRef* outRef)
{
    const QString type = TypeNameOf(subtype);
    int width = 0, height = 0;
    if (!SizeViewToDocument(view, type, &width, &height))
        return paramErr;
    if (const int limit = GraphicsExporter::ExceededSideLimit(subtype, QSize(width, height))) {
        LogTooLarge(type, width, height, limit);
        return imageTooLargeErr;
    }
    QImage bitmap = MyCreateBitmapContext(width, height);
    if (bitmap.isNull()) {
        LogEntry(QStringLiteral("No memory for a %1 x %2 bitmap").arg(width).arg(height));
        return memFullErr;
    }
    QString error;
    if (!view.Capture(QSize(width, height), &bitmap, &error)) {
        LogEntry(QStringLiteral("The page could not be captured: %1").arg(error));
        return ioErr;
    }
    // The exporter writes a temporary file and renames it to the name: a run killed before
    // that leaves nothing at the name, never an empty or partial image.
    std::string path;
    if (const OSErr status = FSChooseNewFileName(folder, fileName, &path, true); status != noErr) {
        LogEntry(QStringLiteral("The output file could not be created: error %1").arg(status));
        return status;
    }
    GraphicsExporter exporter(subtype);
    exporter.SetInputImage(bitmap);
    exporter.SetOutputFile(QString::fromStdString(path));
    exporter.SetCompressionQuality(quality);
    if (const OSStatus status = exporter.Export(); status != noErr) {
        LogEntry(QStringLiteral("The image could not be written: %1").arg(exporter.ErrorText()));
        return status;
    }
    return FSPathMakeRef(path, outRef);
}

OSStatus ImageWebViewAsPDF(OffscreenWebView& view, const FSRef& folder, const QString& fileName, FSRef* outRef)
{
    int width = 0, height = 0;
    if (!SizeViewToDocument(view, QStringLiteral("pdf"), &width, &height))
        return paramErr;
    if (folder.path.size() > size_t(kMaxFolderPathBytes))
        return bdNamErr;
    const std::string path = folder.path + "/" + fileName.toStdString();
    QByteArray pdf;
    QString error;
    if (!view.PDFData(QSize(width, height), &pdf, &error)) {
        LogEntry(QStringLiteral("The PDF could not be made: %1").arg(error));
        return ioErr;
    }
    if (const OSErr status = WriteWholeFileAtomically(path, pdf.constData(), size_t(pdf.size()),
                                                        WholeFileMode::CreateIfMissing, WholeFileLink::Replace);
        status != noErr) {
        LogEntry(QStringLiteral("The PDF could not be written: error %1").arg(status));
        return status;
    }
    return FSPathMakeRef(path, outRef);
}

void ProcessURL(const QString& text, const QString& imageType, int quality, WebViewController& controller)
{
    const QDeadlineTimer runDeadline(kRunDeadlineMs);
    const QString url = NormalizeURL(text);
    LogEntry(QStringLiteral("Processing URL: %1").arg(url));
    if (!NeedsNoNetwork(url) && !DiagnoseNetwork()) {
        LogEntry(QStringLiteral("Network appears to be down. The URL could not be processed."));
        return;
    }
    GetURLTitle(url);
    if (controller.StopRequested())
        return LogEntry(controller.StopReason());
    controller.InitResourceCounters();

    QString root;
    if (!PrivateFolder(&root))
        return;
    OffscreenWebView view(&controller);
    view.SetRunDeadline(runDeadline);
    controller.SetWebView(&view);
    struct Detach {
        WebViewController& c;
        ~Detach() { c.SetWebView(nullptr); }
    } detach { controller };
    QString error;
    if (!view.Create(root, &error)) {
        LogEntry(QStringLiteral("The browser could not start: %1").arg(error));
        return;
    }

    const QDeadlineTimer loadCap(WebViewController::kLoadCapMs);
    if (!LoadURL(view, url, controller, loadCap))
        return;
    // A load still unfinished at the cap is written as it stands, without the second wait.
    if (!loadCap.hasExpired() && !controller.StopRequested() && !view.HasFailed())
        WaitForQuiet(view, controller);
    if (const QString problem = LoadProblem(view, controller); !problem.isEmpty())
        return LogEntry(problem);
    if (runDeadline.hasExpired())
        return LogEntry(QStringLiteral("The run passed its deadline of %1 seconds: no file").arg(kRunDeadlineMs / 1000));

    FSRef output;
    const bool written = WriteOutput(view, imageType, quality, &output);
    if (controller.StopRequested() || runDeadline.hasExpired()) {
        if (written)
            FSDeleteObject(output);
        return LogEntry(controller.StopRequested() ? controller.StopReason()
                                                   : QStringLiteral("The run passed its deadline of %1 seconds: no file").arg(kRunDeadlineMs / 1000));
    }
    if (!written)
        return;
    FSSetComment(output, url);
    std::string path;
    if (FSRefMakePath(output, &path) != noErr || path.size() > size_t(kMaxFilePathBytes))
        return;
    LogEntry(QStringLiteral("output file: %1").arg(QString::fromStdString(path)));
}

} // namespace pictavor

// The mailing's message source: the body fetched from a web page or read from a file when a
// mailing is prepared, its content type settled, relative links made absolute, and a local
// page's images turned into content-ID attachments.
#include "CBrevantoWindow.h"

#include "CHTTPRequest.h"
#include "CURL.h"
#include "ControlValues.h"
#include "Drawer.h"
#include "FileManager.h"
#include "HTMLRewriting.h"
#include "PathHelpers.h"
#include "PreferenceGetters.h"
#include "WebEnvironment.h"
#include "WholeFileWrite.h"

#include <QFileInfo>

namespace {

constexpr SInt32 kDownloadTimeoutSeconds = 10;
constexpr SInt32 kContentIDDisposition = 3;

bool StartsWithNoCase(const QString& inText, const char* inPrefix)
{
    return inText.startsWith(QLatin1String(inPrefix), Qt::CaseInsensitive);
}

bool IsWebAddress(const QString& inURL) { return StartsWithNoCase(inURL, "http://") || StartsWithNoCase(inURL, "https://"); }

} // namespace

Boolean CBrevantoWindow::LoadWebDocument()
{
    mMessageText.Clear();
    const QString url = mWebPageURL;
    if (url.isEmpty()) {
        mContentType = "text/plain";
        return true;
    }
    if (mImageHTML) {
        if (url.startsWith('/') || StartsWithNoCase(url, "file://") || IsWebAddress(url)) {
            mContentType = "text/plain";
            return true;
        }
        ShowAlertSheet("Brevanto can only image URLs that use the \"http\" or \"https\" protocol.", QString());
        return false;
    }
    SetStatusText("Determining content type");
    mContentType = "text/plain";
    if (IsWebAddress(url)) {
        const std::string address = url.toStdString();
        const std::string agent = WebEnvironment::UserAgent();
        CURL head(address.c_str());
        if (head.Head(agent.c_str(), "", "", kDownloadTimeoutSeconds))
            mContentType = QString::fromUtf8(head.contentType.text).toLower().toUtf8().constData();
        SetStatusText("Downloading document");
        CHTTPRequest request(kDownloadTimeoutSeconds, true);
        request.Get(address.c_str(), agent.c_str(), "", "");
        const QByteArray data = request.TakeBody();
        if (data.isEmpty()) {
            ShowAlertSheet("This web page could not be downloaded:", url);
            return false;
        }
        mMessageText.AppendBytes(data.constData(), long(data.size()));
        // Relative links are relative to the address the page came from after redirects.
        const std::string served = request.GetEffectiveURL();
        PrepareHTMLLinks(mMessageText, served.empty() ? address : served);
    } else if (url.startsWith('/')) {
        FSRef file;
        if (FSPathMakeRef(url, &file) != noErr)
            return false;
        const QString extension = QFileInfo(url).suffix();
        CString256 mime;
        if (extension == QLatin1String("eml"))
            mContentType = "message/rfc822";
        else if (GetMIMETypeForName(QFileInfo(url).fileName().toUtf8().constData(), mime) && mime.Length() > 0)
            mContentType = QString::fromUtf8(mime.text).toLower().toUtf8().constData();
        std::string bytes;
        if (ReadWholeFileBytes(url.toStdString(), &bytes) != noErr) {
            ShowAlertSheet("This file could not be loaded:", url);
            return false;
        }
        mMessageText.AppendBytes(bytes.data(), long(bytes.size()));
    } else {
        return false;
    }
    if (std::string_view(mContentType.text) == "message/rfc822")
        return true;
    ReadContentTypeMeta(mMessageText, mContentType);

    if (GetControl32BitValue(Control(ControlRole::DispositionPopup)) == kContentIDDisposition &&
        url.startsWith('/') && GetInsertContentIDTags()) {
        std::vector<QString> images;
        RewriteImagesAsCid(mMessageText, QFileInfo(url).absolutePath(), images);
        if (!images.empty()) {
            mAttachmentPaths.clear();
            for (const QString& image : images)
                AppendAttachmentPath(image);
            if (WindowRef drawer = Window(ENibWindow::drawer))
                Drawer::OpenDrawer(drawer);
            RefreshAttachmentsList();
        }
    }
    return true;
}

void CBrevantoWindow::PrepareHTMLLinks(CText& ioText, const std::string& inBase)
{
    if (!QString::fromUtf8(mContentType.text).startsWith(QLatin1String("text/html"), Qt::CaseInsensitive))
        return;
    const long mode = ReadNumber(kRelativeURLsKey, 1);
    if (mode == 2) {
        RelinkDocument(ioText, inBase);
        return;
    }
    if (mode == 1 && !InsertBaseElement(ioText, inBase))
        RelinkDocument(ioText, inBase);
}

void CBrevantoWindow::RelinkDocument(CText& ioText, const std::string& inBase)
{
    SetStatusText("Relinking URLs");
    ::RelinkDocument(ioText, inBase);
}

void CBrevantoWindow::ClearAttachments()
{
    mAttachmentPaths.clear();
    RefreshAttachmentsList();
}

// A path is never cut: a shortened one would name another file, or none.
Boolean CBrevantoWindow::AppendAttachmentPath(const QString& inPath)
{
    if (inPath.toUtf8().size() > kAttachmentPathLimit) {
        ShowAlertSheet(QStringLiteral("The file \"%1\" could not be attached.").arg(QFileInfo(inPath).fileName()),
                       QStringLiteral("Its path is longer than %1 bytes: \"%2\". Move it to a folder with a "
                                      "shorter path and attach it again.")
                           .arg(kAttachmentPathLimit)
                           .arg(inPath));
        return false;
    }
    if (mAttachmentPaths.contains(inPath))
        return false;
    mAttachmentPaths.append(inPath);
    return true;
}

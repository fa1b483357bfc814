// OffscreenWebView: a web view with no window, drawn by a headless browser (Debian's chromium)
// that this object starts as a child process and drives over its debugging pipe. It offers what
// the page imager needs: create, load a URL (with the load's events to a delegate), the
// document's size, resizing the view, capturing it as a bitmap, its PDF, and close.
//
// Running: the browser runs with a private profile and home in a run folder inside the caller's
// private temporary folder, never uses its sandbox-disabling switch unless this process runs as
// root (the browser refuses root without it), denies downloads, looks up no update hosts, and
// answers every JavaScript dialog at once (alert and beforeunload accepted, confirm and prompt
// dismissed). The browser executable is chromium's own binary; the environment variable
// PICTAVOR_BROWSER may name another (tests start fake browsers through it).
//
// Deadlines: start to an attached page 15 s; each protocol call 10 s; a capture (all its strips)
// or a PDF 40 s; every wait also ends at the run deadline set by the owner. A wait that ends
// early answers false with a text; a browser that exits or closes its pipe ends the view
// (ViewEnded) and every later call fails at once.
//
// A load fails (LoadFailed) when the navigation answers with an error text, when the main
// document's status is 400 or more, and is incomplete while no main-frame document has been
// committed (HasCommitted).
//
// Capture: the view is captured in strips of at most kStripRows rows (fewer for views wider
// than kStripPixels / kStripRows), decoded and assembled into one RGBA (premultiplied) bitmap. Views of more than kCaptureCapPixels are refused.
//
// Main thread only; the view runs the event loop inside its waits.
#pragma once

#include "BrowserProcess.h"
#include "DevToolsPipe.h"
#include "OffscreenWebViewDelegate.h"
#include "RunFolder.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QImage>
#include <QJsonObject>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class QEventLoop;

class OffscreenWebView {
public:
    static constexpr qint64 kCaptureCapPixels = qint64(1) << 27;
    static constexpr int kStripRows = 8192;
    // Pixels in one strip at most, so no reply carries more than about 32 MB of pixels even for
    // a very wide view.
    static constexpr qint64 kStripPixels = qint64(1) << 23;
    static constexpr int kStartMs = 15000;
    static constexpr int kCallMs = 10000;
    static constexpr int kCaptureMs = 40000;
    static constexpr int kCloseMs = 5000;
    static constexpr int kTerminateMs = 2000;
    static constexpr int kViewWidth = 640;
    static constexpr int kViewHeight = 480;
    static constexpr const char* kBrowserVariable = "PICTAVOR_BROWSER";
    static constexpr const char* kDefaultBrowser = "/usr/lib/chromium/chromium";
    // Hosts the browser looks up at every start despite its quiet switches; a rule for every
    // host would also block a page's own outside resources.
    static constexpr const char* kResolverRules =
        "MAP update.googleapis.com ~NOTFOUND, MAP clients2.google.com ~NOTFOUND, MAP redirector.gvt1.com ~NOTFOUND";

    explicit OffscreenWebView(OffscreenWebViewDelegate* delegate);
    ~OffscreenWebView();
    OffscreenWebView(const OffscreenWebView&) = delete;
    OffscreenWebView& operator=(const OffscreenWebView&) = delete;

    static QString BrowserExecutable();
    static QStringList BrowserArguments(const QString& runFolder);

    // Every later wait ends by this time.
    void SetRunDeadline(QDeadlineTimer deadline) { fRunDeadline = deadline; }

    // Starts the browser in a run folder inside `privateRoot` and attaches to a blank page.
    bool Create(const QString& privateRoot, QString* error);
    // Starts loading `url`; the events follow through the delegate.
    bool Load(const QString& url, QString* error);

    bool HasCommitted() const { return fCommitted; }
    bool HasFailed() const { return !fFailure.isEmpty(); }
    const QString& FailureReason() const { return fFailure; }
    bool IsEnded() const { return fEnded; }
    const QString& EndReason() const { return fEndReason; }

    // The main frame's document size in CSS pixels.
    bool DocumentSize(QSizeF* size, QString* error);
    // Makes the view `size` (device scale 1).
    bool Resize(QSize size, QString* error);
    // The view of `size` drawn into `image`: the caller's bitmap when it is already of that size
    // and RGBA premultiplied, else a new one.
    bool Capture(QSize size, QImage* image, QString* error);
    // A one-page PDF of the view of `size`, screen media, no margins, with backgrounds.
    bool PDFData(QSize size, QByteArray* pdf, QString* error);

    // Runs the event loop until `condition` holds, the view ends or `deadline` passes (and the
    // run deadline). True when the condition holds.
    bool RunUntil(const std::function<bool()>& condition, QDeadlineTimer deadline);
    // Stops the run (e.g. on a termination signal): every wait ends, the view is ended.
    void Abort(const QString& reason);
    // Closes the browser (politely, then by signal) and removes the run folder.
    void Close();

    QString BrowserOutputTail() const;
    const QString& RunFolderPath() const { return fRunFolder.Path(); }

private:
    using ReplyHandler = std::function<void(const QJsonObject& result, const QString& error)>;

    bool Launch(const QString& privateRoot, QString* error);
    bool AttachPage(QString* error);
    bool Send(const QString& method, const QJsonObject& params, bool toPage, ReplyHandler onReply);
    std::optional<QJsonObject> Call(const QString& method, const QJsonObject& params, bool toPage,
                                    QDeadlineTimer deadline, QString* error);
    QDeadlineTimer Within(int milliseconds) const;

    void OnMessage(const QJsonObject& message);
    void OnPageEvent(const QString& method, const QJsonObject& params);
    void OnRequestWillBeSent(const QJsonObject& params);
    void OnResourceDone(const QJsonObject& params, bool finished);
    void OnFrameNavigated(const QJsonObject& params);
    void OnDialog(const QJsonObject& params);
    void OnDocumentReady();
    void FailLoad(const QString& reason);
    void End(const QString& reason);
    void Wake();

    bool CaptureStrip(int top, QSize strip, QDeadlineTimer deadline, QImage& into, QString* error);

    OffscreenWebViewDelegate* fDelegate;
    RunFolder fRunFolder;
    std::unique_ptr<BrowserProcess> fBrowser;
    std::unique_ptr<DevToolsPipe> fPipe;
    QDeadlineTimer fRunDeadline { QDeadlineTimer::Forever };
    int fNextId = 1;
    std::map<int, ReplyHandler> fPending;
    std::vector<QEventLoop*> fWaits;

    QString fSessionId;
    QString fMainFrameId;
    bool fLoadStarted = false;
    bool fCommitted = false;
    QString fMainRequestId;
    std::set<QString> fOpenRequests;
    QString fFailure;
    bool fEnded = false;
    bool fClosing = false;
    QString fEndReason;
    QString fOutputTail;
};

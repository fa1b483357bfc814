// The off-screen web view against Debian's chromium and the page peer: the load's events in
// order with their counts, dialogs, failed loads, strip capture, and fake browsers (named by
// PICTAVOR_BROWSER) that exit, stay silent or close the pipe mid-load. Every case leaves no
// browser process and no run folder, and writes nothing into HOME.
#include "BrowserSlot.h"
#include "FakeBrowsers.h"
#include "OffscreenWebView.h"
#include "PageServer.h"
#include "QStringPrinter.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <QRegularExpression>
#include <QTcpServer>

#include <signal.h>
#include <sys/stat.h>

#include <memory>

namespace {

// What the view reported, as "Event argument" lines.
class Recorder : public OffscreenWebViewDelegate {
public:
    void ProvisionalLoadStarted(const QString& url) override { fEvents << "Provisional " + url; }
    void IdentifierForInitialRequest() override { ++fIdentifiers; fEvents << "Identifier"; }
    void WillSendRequest(const QString& url) override { fEvents << "Request " + url; }
    void ResourceFinished() override { ++fFinished; fEvents << "Finished"; }
    void ResourceFailed() override { ++fFailed; fEvents << "Failed"; }
    void TitleReceived(const QString& title) override { fEvents << "Title " + title; }
    void MainFrameFinishedLoading() override { fMainFrame = true; fEvents << "MainFrame"; }
    void ProgressFinished() override { fProgress = true; fEvents << "Progress"; }
    void LoadFailed(const QString& reason) override { fFailure = reason; fEvents << "LoadFailed " + reason; }
    void ViewEnded(const QString& reason) override { fEnded = reason; fEvents << "Ended " + reason; }

    int IndexOf(const QString& prefix) const
    {
        for (int i = 0; i < fEvents.size(); ++i)
            if (fEvents[i].startsWith(prefix))
                return i;
        return -1;
    }

    QStringList fEvents;
    int fIdentifiers = 0, fFinished = 0, fFailed = 0;
    bool fMainFrame = false, fProgress = false;
    QString fFailure, fEnded;
};

QStringList Tree(const QString& folder)
{
    QStringList items;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        items << it.next();
    items.sort();
    return items;
}

class OffscreenWebViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QCoreApplication::instance())
            fApp = std::make_unique<QCoreApplication>(fArgc, fArgv);
        fHome = qEnvironmentVariable("HOME");
        fHomeBefore = Tree(fHome);
        ASSERT_TRUE(fRoot.isValid());
    }
    void TearDown() override
    {
        fView.reset();
        EXPECT_TRUE(QDir(fRoot.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
            << QDir(fRoot.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(' ').toStdString();
        EXPECT_EQ(Tree(fHome), fHomeBefore);
        qunsetenv(OffscreenWebView::kBrowserVariable);
        fApp.reset();
    }

    bool Start(QString* error)
    {
        fView = std::make_unique<OffscreenWebView>(&fRecorder);
        fView->SetRunDeadline(QDeadlineTimer(100000));
        return fView->Create(fRoot.path(), error);
    }
    void StartOrFail()
    {
        QString error;
        ASSERT_TRUE(Start(&error)) << error.toStdString();
    }
    bool WaitFor(const std::function<bool()>& condition, int ms = 20000)
    {
        return fView->RunUntil(condition, QDeadlineTimer(ms));
    }

    int fArgc = 1;
    char fName[16] = "tests_platform";
    char* fArgv[2] = { fName, nullptr };
    std::unique_ptr<QCoreApplication> fApp;
    BrowserSlot fSlot;
    QTemporaryDir fRoot;
    QString fHome;
    QStringList fHomeBefore;
    Recorder fRecorder;
    std::unique_ptr<OffscreenWebView> fView;
};

TEST_F(OffscreenWebViewTest, ALoadReportsItsEventsInOrderWithTheirCounts)
{
    PageServer server;
    ASSERT_TRUE(server.Ok());
    StartOrFail();
    const QString url = server.Url("/events.html");
    QString error;
    ASSERT_TRUE(fView->Load(url, &error)) << error.toStdString();
    ASSERT_TRUE(WaitFor([&] {
        return fRecorder.fProgress && fRecorder.IndexOf("Title") >= 0
            && fRecorder.fIdentifiers == fRecorder.fFinished + fRecorder.fFailed;
    }));

    const QStringList& e = fRecorder.fEvents;
    ASSERT_GE(e.size(), 3);
    EXPECT_EQ(e.mid(0, 3), (QStringList { "Provisional " + url, "Identifier", "Request " + url }));
    EXPECT_GE(fRecorder.IndexOf("Title Events"), 0);
    EXPECT_LT(fRecorder.IndexOf("MainFrame"), fRecorder.IndexOf("Progress"));
    EXPECT_GE(fRecorder.IndexOf("Request " + server.Url("/logo.svg")), 0);
    // The document, the picture and the refused picture.
    EXPECT_EQ(fRecorder.fIdentifiers, 3);
    EXPECT_EQ(fRecorder.fFinished, 2);
    EXPECT_EQ(fRecorder.fFailed, 1);
    EXPECT_TRUE(fView->HasCommitted());
    EXPECT_FALSE(fView->HasFailed());
    EXPECT_EQ(e.filter(QRegularExpression("^Provisional")).size(), 1);
}

TEST_F(OffscreenWebViewTest, DialogsAreAnsweredAndThePageFinishes)
{
    PageServer server;
    ASSERT_TRUE(server.Ok());
    StartOrFail();
    QString error;
    ASSERT_TRUE(fView->Load(server.Url("/alert.html"), &error));
    ASSERT_TRUE(WaitFor([&] { return fRecorder.fMainFrame && fRecorder.IndexOf("Title") >= 0; }));
    EXPECT_GE(fRecorder.IndexOf("Title confirm=false prompt=null"), 0) << fRecorder.fEvents.join('\n').toStdString();
}

// A loopback port nothing listens on (and not one the browser refuses to use).
int ClosedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const int port = probe.serverPort();
    probe.close();
    return port;
}

TEST_F(OffscreenWebViewTest, LoadsThatCannotGiveThePageFailWithTheirReason)
{
    PageServer server;
    ASSERT_TRUE(server.Ok());
    const struct { QString url; QString reason; } cases[] = {
        { server.Url("/missing.html"), "HTTP 404" },
        { QStringLiteral("http://127.0.0.1:%1/").arg(ClosedPort()), "net::ERR_CONNECTION_REFUSED" },
        { "file:///nonexistent/pictavor/page.html", "net::ERR_FILE_NOT_FOUND" },
        { server.Url("/download.bin"), "net::ERR_ABORTED" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        fRecorder = Recorder();
        StartOrFail();
        QString error;
        ASSERT_TRUE(fView->Load(c.url, &error));
        ASSERT_TRUE(WaitFor([&] { return fView->HasFailed(); }));
        EXPECT_EQ(fView->FailureReason(), c.reason);
        EXPECT_EQ(fRecorder.fFailure, c.reason);
        // A refused download leaves nothing behind.
        for (const QString& item : Tree(fView->RunFolderPath()) + Tree(fHome))
            EXPECT_FALSE(item.contains("payload")) << item.toStdString();
        fView.reset();
    }
}

TEST_F(OffscreenWebViewTest, AServerThatNeverAnswersCommitsNothing)
{
    PageServer server;
    ASSERT_TRUE(server.Ok());
    StartOrFail();
    QString error;
    ASSERT_TRUE(fView->Load(server.Url("/never"), &error));
    EXPECT_FALSE(WaitFor([&] { return fView->HasCommitted() || fView->HasFailed(); }, 3000));
    EXPECT_FALSE(fRecorder.fMainFrame);
}

TEST_F(OffscreenWebViewTest, ATallViewIsCapturedInStripsAndAssembledWhole)
{
    PageServer server;
    ASSERT_TRUE(server.Ok());
    StartOrFail();
    QString error;
    ASSERT_TRUE(fView->Load(server.Url("/strips.html"), &error));
    ASSERT_TRUE(WaitFor([&] { return fRecorder.fProgress; }));
    QSizeF document;
    ASSERT_TRUE(fView->DocumentSize(&document, &error)) << error.toStdString();
    EXPECT_EQ(document, QSizeF(640, 20000));
    const QSize size(640, 20000);
    ASSERT_TRUE(fView->Resize(size, &error)) << error.toStdString();
    QImage image;
    ASSERT_TRUE(fView->Capture(size, &image, &error)) << error.toStdString();
    ASSERT_EQ(image.size(), size);
    const struct { int row; QRgb colour; } rows[] = {
        { 0, qRgb(255, 0, 0) }, { 8190, qRgb(255, 0, 0) }, { 8191, qRgb(0, 0, 0) }, { 8192, qRgb(0, 0, 0) },
        { 8193, qRgb(0, 255, 0) }, { 16382, qRgb(0, 255, 0) }, { 16383, qRgb(0, 0, 255) }, { 16384, qRgb(0, 0, 255) },
        { 19999, qRgb(0, 0, 255) },
    };
    for (const auto& r : rows) {
        EXPECT_EQ(image.pixel(10, r.row), r.colour) << r.row;
        EXPECT_EQ(image.pixel(400, r.row), qRgb(255, 255, 255)) << r.row;
    }
    EXPECT_FALSE(fView->Capture(QSize(1 << 14, (1 << 13) + 1), &image, &error));   // past the cap

    QByteArray pdf;
    ASSERT_TRUE(fView->PDFData(QSize(640, 2000), &pdf, &error)) << error.toStdString();
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
}

TEST_F(OffscreenWebViewTest, AFakeBrowserThatExitsAtOnceFailsTheStartWithItsOutput)
{
    QTemporaryDir fakes;
    qputenv(OffscreenWebView::kBrowserVariable, fakebrowser::ExitsAtOnce(fakes.path(), fakes.filePath("pid")).toLocal8Bit());
    QString error;
    EXPECT_FALSE(Start(&error));
    EXPECT_TRUE(error.contains("exited with status 3")) << error.toStdString();
    EXPECT_TRUE(error.contains("fake browser refuses")) << error.toStdString();
}

TEST_F(OffscreenWebViewTest, AFakeBrowserThatNeverOpensThePipeIsStoppedAtTheStartDeadline)
{
    QTemporaryDir fakes;
    const QString pidFile = fakes.filePath("pid");
    qputenv(OffscreenWebView::kBrowserVariable, fakebrowser::NeverAnswers(fakes.path(), pidFile).toLocal8Bit());
    QString error;
    EXPECT_FALSE(Start(&error));
    EXPECT_FALSE(error.isEmpty());
    fView.reset();
    EXPECT_TRUE(fakebrowser::Gone(pidFile));
}

TEST_F(OffscreenWebViewTest, AFakeBrowserThatClosesThePipeMidLoadEndsTheView)
{
    QTemporaryDir fakes;
    const QString pidFile = fakes.filePath("pid");
    qputenv(OffscreenWebView::kBrowserVariable, fakebrowser::ClosesMidLoad(fakes.path(), pidFile).toLocal8Bit());
    StartOrFail();
    QString error;
    fView->Load("http://127.0.0.1:9/", &error);
    EXPECT_TRUE(WaitFor([&] { return fView->IsEnded(); }));
    EXPECT_EQ(fRecorder.fEnded, "Browser closed its pipe");
    QSizeF size;
    EXPECT_FALSE(fView->DocumentSize(&size, &error));
    fView.reset();
    EXPECT_TRUE(fakebrowser::Gone(pidFile));
}

TEST(RunFolderTest, FoldersOfDeadRunsGoAndOthersStay)
{
    QTemporaryDir root;
    const pid_t dead = 999999;  // above the usual pid range
    ASSERT_NE(kill(dead, 0), 0);
    for (const QString& name : { QStringLiteral("pictavor-%1-0abc1234").arg(dead), QStringLiteral("pictavor-1-0abc1234"),
                                 QStringLiteral("other-%1-0abc").arg(dead), QStringLiteral("load-url-1963.jpg") })
        QDir(root.path()).mkpath(name + "/profile");
    RunFolder run;
    QString error;
    ASSERT_TRUE(run.Create(root.path(), &error));
    QStringList left = QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    EXPECT_FALSE(left.contains(QStringLiteral("pictavor-%1-0abc1234").arg(dead)));
    EXPECT_TRUE(left.contains("pictavor-1-0abc1234"));
    EXPECT_TRUE(left.contains(QStringLiteral("other-%1-0abc").arg(dead)));
    struct stat info {};
    ASSERT_EQ(lstat(QFile::encodeName(run.Path()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_TRUE(QFileInfo(run.Sub("profile")).isDir());
    const QString path = run.Path();
    run.Remove();
    EXPECT_FALSE(QFileInfo::exists(path));
}

} // namespace

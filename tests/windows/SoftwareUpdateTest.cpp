// The software-update check and download against the HTTP test peer.
#include "ApplicationFixture.h"

#include "../peers/HttpPeer.h"
#include "CFPreferenceDomain.h"
#include "CSoftwareUpdaterThread.h"
#include "CommandRouter.h"
#include "ControlLookup.h"
#include "ControlValues.h"
#include "LQtApplication.h"
#include "LThread.h"
#include "MenuBar.h"
#include "SoftwareUpdate.h"
#include "UpdateWindows.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QTextEdit>
#include <QTimer>

#include <thread>

using namespace std::chrono_literals;

namespace {

QByteArray VersionList(const QString& inVersion, const QString& inExtra = QString())
{
    return ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>Brevanto</key><dict>"
            "<key>CurrentVersion</key>" + inVersion +
            "<key>ReleaseNotesLocation</key><string>http://x/notes.html</string>" + inExtra + "</dict></dict></plist>")
        .toUtf8();
}

QWidget* VisibleWindow(const char* inName)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String(inName) && window->isVisible())
            return window;
    }
    return nullptr;
}

class SoftwareUpdateTest : public ApplicationFixture {
protected:
    void SetUp() override
    {
        ApplicationFixture::SetUp();
        MakeApplication().BuildMenuBar();
        app->SetUpApplication();
        ASSERT_TRUE(peer.IsRunning());
        SetSetting(kSoftwareUpdateSiteKey, QStringLiteral("http://127.0.0.1:%1").arg(peer.Port()).toUtf8().constData());
        QDir().mkpath(downloads.path());
        CFPreferenceDomain::Application().SetValue("DownloadFolder", CFPropertyList(downloads.path()));
    }
    void TearDown() override
    {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && ControlLookup::NibWindowName(window).contains("Window"))
                window->close();
        }
        ApplicationFixture::TearDown();
        MenuBar::Get().RemoveAllMenus();
    }

    void Serve(const QString& inName, const QByteArray& inBytes)
    {
        QFile file(peer.Root() + "/" + inName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(inBytes);
    }

    // Runs a download with a short idle time-out to its result window; its message.
    QString Download(const QString& inURL, SInt32 inIdleSeconds = 5)
    {
        auto* thread = new CSoftwareUpdaterThread(inURL, inIdleSeconds);
        thread->Resume();
        EXPECT_TRUE(LThread::WaitUntil([] { return VisibleWindow("DownloadUpdateResultWindow") != nullptr; },
                                       DeadlineAfter(60s)));
        QWidget* result = VisibleWindow("DownloadUpdateResultWindow");
        return result ? CopyControlTitleAsCFString(ControlLookup::FindControl(result, 'CNTL', 1)) : QString();
    }

    QString Url(const std::string& inPath) const { return QString::fromStdString(peer.URL(inPath)); }

    HttpPeer peer;
    QTemporaryDir downloads;
};

} // namespace

TEST(UpdateVersions, InstalledAgainstTheList)
{
    const struct {
        const char* listed; // an integer, or a dotted text
        const char* installed;
        short result;
    } cases[] = {
        {"213", "2.1.3", kUpToDate},    {"214", "2.1.3", kUpdateAvailable}, {"22", "2.1.10", kUpToDate},
        {"2.2", "2.1.10", kUpdateAvailable}, {"2.1.10", "2.2", kUpToDate}, {"2.1.10", "2.1.9", kUpdateAvailable},
        {"2.1", "2.1.0", kUpToDate},    {"10.0", "9.9", kUpdateAvailable},  {"2.2", "2.2b1", kUpToDate},
    };
    for (const auto& entry : cases) {
        CUpdateInfo info;
        const bool dotted = QByteArray(entry.listed).contains('.');
        ASSERT_TRUE(ParseVersionList(info, VersionList(dotted ? QStringLiteral("<string>%1</string>").arg(entry.listed)
                                                              : QStringLiteral("<integer>%1</integer>").arg(entry.listed))))
            << entry.listed;
        EXPECT_EQ(CompareWithInstalled(info, entry.installed), entry.result) << entry.listed << " vs " << entry.installed;
    }
}

TEST(UpdateVersions, ListsThatAreRefused)
{
    const QString longURL = "http://example.com/" + QString(600, 'a');
    CUpdateInfo info;
    ASSERT_TRUE(ParseVersionList(info, VersionList("<real>214</real>", "<key>DownloadLocation</key><string>" +
                                                                           longURL + "</string>")));
    EXPECT_EQ(info.currentVersion, 214);
    EXPECT_EQ(info.downloadLocation, longURL) << "addresses are held whole";
    ASSERT_TRUE(ParseVersionList(info, VersionList("<integer>3</integer>", "<key>DownloadLocation</key><integer>1</integer>")));
    EXPECT_TRUE(info.downloadLocation.isEmpty());

    const QByteArray refused[] = {
        VersionList("<string>214</string>"),
        VersionList("<integer>2147483648</integer>"),
        VersionList("<real>2.5</real>"),
        "<plist version=\"1.0\"><dict><key>Other</key><dict/></dict></plist>",
        "<plist version=\"1.0\"><dict><key>Brevanto</key><dict><key>CurrentVersion</key><integer>2</integer>"
        "<key>ReleaseNotesLocation</key><integer>2</integer></dict></dict></plist>",
        "<plist version=\"1.0\"><dict><key>Brevanto</key><dict><key>ReleaseNotesLocation</key><string>x</string>"
        "</dict></dict></plist>",
        "not a list",
        QByteArray("bplist00\x01\x02", 10),
        "",
    };
    for (const QByteArray& bytes : refused) {
        CUpdateInfo refusedInfo;
        EXPECT_FALSE(ParseVersionList(refusedInfo, bytes)) << bytes.left(120).constData();
    }
}

TEST_F(SoftwareUpdateTest, EachResultOpensItsWindow)
{
    Serve("ProductVersions.plist", VersionList("<integer>1</integer>"));
    EXPECT_EQ(CheckForUpdates(false), kUpToDate);
    EXPECT_NE(VisibleWindow("UpToDateWindow"), nullptr);
    const auto requests = peer.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().path, "/ProductVersions.plist");
    EXPECT_EQ(requests.back().Header("User-Agent"), "Brevanto (1.0)");
    EXPECT_TRUE(requests.back().Header("Authorization").isNull());

    Serve("notes.html", "<b>What is new</b>");
    Serve("ProductVersions.plist",
          VersionList("<string>1.1</string>").replace("http://x/notes.html", Url("/static/notes.html").toUtf8()));
    EXPECT_EQ(CheckForUpdates(true), kUpdateAvailable);
    QWidget* available = VisibleWindow("UpdateAvailableWindow");
    ASSERT_NE(available, nullptr);
    EXPECT_EQ(qobject_cast<QTextEdit*>(ControlLookup::FindControl(available, 'CNTL', 2))->toPlainText(),
              "<b>What is new</b>") << "the notes are shown as text";
    const QString notesFile = folder.path() + "/notes.html";
    presenter->QueueSaveFile(notesFile, false);
    CommandRouter::Get().SendWindowCommand(available, 'SAVE');
    QFile saved(notesFile);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), "<b>What is new</b>");
    CommandRouter::Get().SendWindowCommand(available, 'no  ');
    EXPECT_FALSE(available->isVisible());

    Serve("ProductVersions.plist", "garbage");
    EXPECT_EQ(CheckForUpdates(true), kUpdateCheckFailed);
    EXPECT_EQ(VisibleWindow("UpdateCheckFailedWindow"), nullptr) << "a silent check shows no failure";
    EXPECT_EQ(CheckForUpdates(false), kUpdateCheckFailed);
    EXPECT_NE(VisibleWindow("UpdateCheckFailedWindow"), nullptr);
}

TEST_F(SoftwareUpdateTest, FailuresAndTheDeadline)
{
    EXPECT_EQ(CheckForUpdates(true), kUpdateCheckFailed) << "no list: 404";
    Serve("ProductVersions.plist", QByteArray(2 << 20, 'x'));
    EXPECT_EQ(CheckForUpdates(true), kUpdateCheckFailed) << "a 2 MiB answer";
    const QByteArray site = QStringLiteral("http://127.0.0.1:%1").arg(peer.Port()).toUtf8();
    for (const char* bad : {"ftp://127.0.0.1", "http://127.0.0.1/sub", "not a site"}) {
        SetSetting(kSoftwareUpdateSiteKey, bad);
        EXPECT_TRUE(VersionListURL().isEmpty()) << bad;
        EXPECT_EQ(CheckForUpdates(true), kUpdateCheckFailed) << bad;
    }

    // A site that answers too late: the check gives up at its deadline while timers go on.
    SetSetting(kSoftwareUpdateSiteKey, site.constData());
    Serve("ProductVersions.plist", VersionList("<integer>1</integer>"));
    Serve("ProductVersions.delay", "30");
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(50);
    UpdateCheckLimits limits;
    limits.deadline = 1500ms;
    CUpdateInfo info;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(CheckForUpdate(info, false, limits), kUpdateCheckFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_GT(ticks, 5) << "timers go on during a check";

    // Closing the checking window gives up at once.
    QTimer::singleShot(300, [] {
        if (QWidget* checking = VisibleWindow("CheckingForSoftwareWindow"))
            checking->close();
    });
    limits.deadline = 30s;
    const auto closed = std::chrono::steady_clock::now();
    EXPECT_EQ(CheckForUpdates(false, limits), kUpdateCheckFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - closed, 10s);
    EXPECT_EQ(VisibleWindow("CheckingForSoftwareWindow"), nullptr);
}

TEST_F(SoftwareUpdateTest, ADownloadWithAKnownSizeIsSavedWhole)
{
    QByteArray archive(300000, '\0');
    for (int i = 0; i < archive.size(); ++i)
        archive[i] = char(i * 7);
    Serve("Brevanto 2.zip", archive);
    const QString message = Download(Url("/archive/Brevanto%202.zip"));
    const QString path = downloads.path() + "/Brevanto 2.zip";
    EXPECT_EQ(message, "The archive was successfully downloaded to \"" + path +
                           "\" and will now be opened so that you can replace this application by the update.");
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QCryptographicHash::hash(saved.readAll(), QCryptographicHash::Sha256),
              QCryptographicHash::hash(archive, QCryptographicHash::Sha256));
    CommandRouter::Get().SendWindowCommand(VisibleWindow("DownloadUpdateResultWindow"), 'ok  ');
    ASSERT_FALSE(launcher.opened.empty());
    EXPECT_EQ(launcher.opened.back(), path);

    // No size from HEAD: saved all the same.
    Serve("plain.zip", "small archive");
    CommandRouter::Get().SendWindowCommand(VisibleWindow("DownloadUpdateResultWindow"), 'ok  ');
    EXPECT_TRUE(Download(Url("/archive/plain.zip?head=0&close=1")).startsWith("The archive was successfully"));
}

TEST_F(SoftwareUpdateTest, FailedDownloadsSaveNothingAndOpenNothing)
{
    Serve("short.zip", "only part of it");
    const std::string cases[] = {
        "/status/404",
        "/truncated?size=100000&send=10",
        "/archive/short.zip?head=99999&close=1", // shorter than the size HEAD announced
        "/stall-after?s=30",                     // past the idle time-out
        "/archive/",                             // no name
        "/archive/..",
        "/archive/%2F..",
    };
    for (const std::string& path : cases) {
        const size_t opened = launcher.opened.size();
        EXPECT_EQ(Download(Url(path), 2), "The update was not downloaded.") << path;
        CommandRouter::Get().SendWindowCommand(VisibleWindow("DownloadUpdateResultWindow"), 'ok  ');
        EXPECT_EQ(launcher.opened.size(), opened) << path;
    }
    EXPECT_TRUE(QDir(downloads.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    EXPECT_EQ(CSoftwareUpdaterThread::SafeFileName("http://h/a/"), QString());
    EXPECT_EQ(CSoftwareUpdaterThread::SafeFileName("http://h/a%00b"), QString());
    EXPECT_EQ(CSoftwareUpdaterThread::SafeFileName("http://h/x/Brevanto%202.zip?x=1"), "Brevanto 2.zip");
}

TEST_F(SoftwareUpdateTest, CancelInAStallKeepsTheOlderFile)
{
    const QString older = downloads.path() + "/stall-after";
    QFile file(older);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("older archive");
    file.close();
    auto* thread = new CSoftwareUpdaterThread(Url("/stall-after?s=30"), 60);
    thread->Resume();
    ASSERT_TRUE(LThread::WaitUntil([] { return VisibleWindow("DownloadUpdateWindow") != nullptr; }, DeadlineAfter(20s)));
    LThread::Delay(30);
    const auto cancelled = std::chrono::steady_clock::now();
    CommandRouter::Get().SendWindowCommand(VisibleWindow("DownloadUpdateWindow"), 'not!');
    ASSERT_TRUE(LThread::WaitUntil([] { return VisibleWindow("DownloadUpdateResultWindow") != nullptr; },
                                   DeadlineAfter(20s)));
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, 5s);
    EXPECT_EQ(CopyControlTitleAsCFString(
                  ControlLookup::FindControl(VisibleWindow("DownloadUpdateResultWindow"), 'CNTL', 1)),
              "The download has been cancelled.");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "older archive");
}

TEST_F(SoftwareUpdateTest, AStopEndsTheDownloadWithoutAResult)
{
    auto* thread = new CSoftwareUpdaterThread(Url("/stall-after?s=30"), 60);
    thread->Resume();
    ASSERT_TRUE(LThread::WaitUntil([] { return VisibleWindow("DownloadUpdateWindow") != nullptr; }, DeadlineAfter(20s)));
    CThread::StopAllAndWait();
    EXPECT_EQ(gThreadList.Count(), 0);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(VisibleWindow("DownloadUpdateWindow"), nullptr);
    EXPECT_EQ(VisibleWindow("DownloadUpdateResultWindow"), nullptr);
}

TEST(UpdateProgress, PercentStaysWithinItsRange)
{
    const qint64 expected = 3LL << 30; // 3 GB
    EXPECT_EQ(CSoftwareUpdaterThread::Percent(0, expected), 0);
    EXPECT_EQ(CSoftwareUpdaterThread::Percent((1LL << 31) + 5, expected), 66);
    EXPECT_EQ(CSoftwareUpdaterThread::Percent(expected, expected), 100);
    EXPECT_EQ(CSoftwareUpdaterThread::Percent(expected * 2, expected), 100);
    EXPECT_EQ(CSoftwareUpdaterThread::Percent(10, 0), 0);
}

TEST(UpdateProgress, CountsPostedFromAnotherThreadAddUpExactly)
{
    LQtApplication::Instance();
    CSoftwareUpdaterThread updater(QStringLiteral("http://127.0.0.1:9/never"), 1); // never started
    updater.SetExpected(3LL << 30);
    static constexpr SInt32 kChunk = 2 << 20;
    std::thread request([&updater] {
        for (int n = 0; n < 1100; ++n)
            updater.PostMessage(CHTTPRequest::kProgressMessage, &kChunk, sizeof(kChunk));
        const SInt32 other = 99;
        updater.PostMessage(7, &other, sizeof(other)); // another code: skipped
        const SInt32 end = CHTTPRequest::kFinishedValue;
        updater.PostMessage(CHTTPRequest::kProgressMessage, &end, sizeof(end)); // the end mark adds nothing
    });
    request.join();
    updater.DrainMessages();
    EXPECT_EQ(updater.Received(), 1100LL * kChunk) << "past 2^31 without wrapping";
    EXPECT_EQ(CSoftwareUpdaterThread::Percent(updater.Received(), updater.Expected()), 71);
}

TEST_F(SoftwareUpdateTest, TheBarRisesToAHundredThenRests)
{
    auto* thread = new CSoftwareUpdaterThread(Url("/trickle?n=300&gap=0.004"), 10);
    thread->Resume();
    std::vector<int> values;
    bool sawDeterminate = false;
    ASSERT_TRUE(LThread::WaitUntil(
        [&] {
            if (QWidget* progress = VisibleWindow("DownloadUpdateWindow")) {
                ControlRef bar = ControlLookup::FindControl(progress, 'CNTL', 128);
                if (!IsProgressIndeterminate(bar)) {
                    sawDeterminate = true;
                    values.push_back(GetControl32BitValue(bar));
                }
            }
            return VisibleWindow("DownloadUpdateResultWindow") != nullptr;
        },
        DeadlineAfter(60s)));
    EXPECT_TRUE(sawDeterminate) << "a known size makes the bar determinate";
    ASSERT_FALSE(values.empty());
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end())) << "the bar never goes back while receiving";
    EXPECT_LE(values.back(), 100);
    EXPECT_GT(values.back(), 0);
}

TEST_F(SoftwareUpdateTest, DownloadFetchesTheListedArchiveAndNotNowFetchesNothing)
{
    SetSetting("User Agent", "My Agent");
    Serve("next.zip", "the next version");
    const QByteArray list = VersionList("<string>9.0</string>",
                                        "<key>DownloadLocation</key><string>" + Url("/archive/next.zip") + "</string>")
                                .replace("http://x/notes.html", Url("/status/404").toUtf8());
    Serve("ProductVersions.plist", list);
    ASSERT_EQ(CheckForUpdates(true), kUpdateAvailable);
    EXPECT_EQ(peer.Requests().back().Header("User-Agent"), "My Agent");
    QWidget* available = VisibleWindow("UpdateAvailableWindow");
    ASSERT_NE(available, nullptr);
    EXPECT_TRUE(qobject_cast<QTextEdit*>(ControlLookup::FindControl(available, 'CNTL', 2))->toPlainText().isEmpty())
        << "notes that cannot be fetched leave the window empty";
    const size_t before = peer.Requests().size();
    CommandRouter::Get().SendWindowCommand(available, 'no  ');
    LThread::Delay(20);
    EXPECT_EQ(peer.Requests().size(), before) << "'no  ' starts no download";

    ASSERT_EQ(CheckForUpdates(true), kUpdateAvailable);
    CommandRouter::Get().SendWindowCommand(VisibleWindow("UpdateAvailableWindow"), 'yes ');
    ASSERT_TRUE(LThread::WaitUntil([] { return VisibleWindow("DownloadUpdateResultWindow") != nullptr; },
                                   DeadlineAfter(60s)));
    QFile saved(downloads.path() + "/next.zip");
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), "the next version");
}

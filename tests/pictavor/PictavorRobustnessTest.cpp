// The page imager under stress: a page 69,900 pixels tall, a page past the capture cap, a
// planted or foreign private folder, termination and killing mid-load, fake browsers, a run as
// an unprivileged user with the browser's sandbox, and no outside name lookups.
#include "../platform/FakeBrowsers.h"
#include "../platform/ImageOracle.h"
#include "../platform/PageServer.h"
#include "../platform/QStringPrinter.h"
#include "PictavorRunner.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QRegularExpression>
#include <QThread>

#include <pwd.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QSize kTallSize(640 + 20, 69880 + 20);
const QRgb kTopBanner = qRgb(0x14, 0x14, 0x2a);
const QRgb kBottomBanner = qRgb(0x1b, 0x8a, 0x3a);

bool Written(const PictavorRunner& runner, const PictavorResult& result, const QString& type)
{
    return result.finished && result.exitCode == 0 && QFileInfo(runner.OutputFile(type)).isFile()
        && result.Logged("output file: " + runner.OutputFile(type)) && runner.Leftovers().isEmpty();
}

void ExpectNoFile(const PictavorRunner& runner, const PictavorResult& result, const QString& reason)
{
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(QDir(runner.OutputFolder()).entryList({ "load-url-1963.*" }, QDir::Files).isEmpty());
    EXPECT_TRUE(result.Logged(reason)) << result.log.toStdString();
    EXPECT_FALSE(result.Logged("output file: "));
}

// Processes whose command line names this run's private folder (its browser and helpers).
QStringList ProcessesUsing(const QString& folder)
{
    QStringList found;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        if (pid.toInt() <= 0)
            continue;
        QFile cmdline("/proc/" + pid + "/cmdline");
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(folder.toUtf8()))
            found << pid;
    }
    return found;
}

// Processes in the session `session` (field 6 of /proc/<pid>/stat).
QStringList ProcessesInSession(pid_t session)
{
    QStringList found;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        if (pid.toInt() <= 0)
            continue;
        QFile stat("/proc/" + pid + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 3 && fields[3].toInt() == session)
            found << pid;
    }
    return found;
}

// Waits until the running program's log (standard error) holds `text`.
bool WaitForLog(QProcess& process, QByteArray& log, const QByteArray& text, int ms = 60000)
{
    QElapsedTimer clock;
    clock.start();
    process.setReadChannel(QProcess::StandardError);
    process.waitForStarted(10000);
    while (!log.contains(text) && clock.elapsed() < ms && process.state() == QProcess::Running) {
        process.waitForReadyRead(200);
        log += process.readAllStandardError();
    }
    return log.contains(text);
}

class PictavorRobustnessTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fServer.Ok()); }
    PageServer fServer;
};

TEST_F(PictavorRobustnessTest, ATallPageComesWholeInTheFormatsThatHoldIt)
{
    const QString url = fServer.Url("/tall.html");
    const QStringList types { "png", "tif", "bmp", "jp2", "pdf" };
    std::vector<std::unique_ptr<PictavorRunner>> runners;
    std::vector<PictavorRunner*> pointers;
    std::vector<QStringList> arguments;
    for (const QString& type : types) {
        runners.push_back(std::make_unique<PictavorRunner>());
        pointers.push_back(runners.back().get());
        arguments.push_back({ url, type, "3" });
    }
    const std::vector<PictavorResult> results = RunConcurrently(pointers, arguments);
    for (size_t i = 0; i < runners.size(); ++i)
        ASSERT_TRUE(Written(*runners[i], results[i], types[int(i)])) << results[i].log.toStdString();

    const QImage reference = oracle::DecodeWithOracle(runners[0]->OutputFile("png"), "png");
    ASSERT_EQ(reference.size(), kTallSize);
    EXPECT_EQ(reference.pixel(300, 50), kTopBanner);
    EXPECT_EQ(reference.pixel(300, 69731), kBottomBanner);
    EXPECT_EQ(reference.pixel(300, 69878), kBottomBanner);
    EXPECT_EQ(reference.pixel(300, 69890), qRgb(255, 255, 255));
    for (size_t i = 1; i + 1 < runners.size(); ++i) {
        SCOPED_TRACE(types[int(i)].toStdString());
        EXPECT_TRUE(oracle::SamePixels(oracle::DecodeWithOracle(runners[i]->OutputFile(types[int(i)]), types[int(i)]), reference));
    }
    const oracle::ToolRun info = oracle::RunTool("/usr/bin/pdfinfo", { runners.back()->OutputFile("pdf") });
    EXPECT_TRUE(QRegularExpression(R"(Pages:\s+1\n)").match(QString::fromUtf8(info.out)).hasMatch()) << info.out.toStdString();
}

TEST_F(PictavorRobustnessTest, ATallPageIsRefusedByTheFormatsThatCannotHoldIt)
{
    const QString url = fServer.Url("/tall.html");
    const struct { const char* type; int limit; } cases[] = { { "jpg", 65500 }, { "psd", 30000 }, { "pict", 32767 }, { "qtif", 32767 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        PictavorRunner runner;
        ExpectNoFile(runner, runner.Run({ url, c.type, "3" }),
                     QStringLiteral("Image too large for %1: 660 x 69900 (limit %2)").arg(c.type).arg(c.limit));
        EXPECT_TRUE(runner.Leftovers().isEmpty());
    }
}

TEST_F(PictavorRobustnessTest, APagePastTheCaptureCapGivesNoFile)
{
    PictavorRunner runner;
    ExpectNoFile(runner, runner.Run({ fServer.Url("/tall-generated.html?rows=210000"), "png", "3" }),
                 "Image too large for png: 660 x 210020 (limit 134217728)");
}

// The output name holds nothing until the whole file is there (a kill before that leaves no
// empty file for the mailing to attach): it appears once, whole (a rename, or a link of the
// finished unnamed file), and is never written to under that name. A link
// planted at the name is replaced, its target untouched, in the raster types and the PDF. A
// short page is imaged at the whole 640 x 480 view (plus the 20-pixel margin).
TEST_F(PictavorRobustnessTest, TheOutputNameAppearsWholeByRenameAndReplacesAPlantedLink)
{
    for (const QString type : { "bmp", "pdf" }) {
        SCOPED_TRACE(type.toStdString());
        PictavorRunner runner;
        ASSERT_TRUE(QDir().mkpath(runner.OutputFolder()));
        QFile::setPermissions(runner.OutputFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ShortTempFolder elsewhere;
        const QString victim = elsewhere.Path() + "/victim.txt";
        QFile victimFile(victim);
        ASSERT_TRUE(victimFile.open(QIODevice::WriteOnly));
        victimFile.write("keep me");
        victimFile.close();
        ASSERT_TRUE(QFile::link(victim, runner.OutputFile(type)));

        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(inotify_add_watch(watch, runner.OutputFolder().toUtf8().constData(), IN_CREATE | IN_MOVED_TO | IN_MODIFY | IN_CLOSE_WRITE), 0);
        const PictavorResult result = runner.Run({ fServer.Url("/untitled.html"), type, "3" });
        ASSERT_TRUE(Written(runner, result, type)) << result.log.toStdString();

        QStringList events;  // what happened to the output name: "appeared" or "written"
        alignas(inotify_event) char buffer[1 << 16];
        for (ssize_t got; (got = read(watch, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                const QString name = event->len > 0 ? QString::fromUtf8(event->name) : QString();
                if (name == QFileInfo(runner.OutputFile(type)).fileName())
                    events << ((event->mask & (IN_CREATE | IN_MOVED_TO)) ? "appeared" : "written");
                at += sizeof(inotify_event) + event->len;
            }
        }
        close(watch);
        EXPECT_EQ(events, QStringList { "appeared" });
        EXPECT_FALSE(QFileInfo(runner.OutputFile(type)).isSymLink());
        ASSERT_TRUE(victimFile.open(QIODevice::ReadOnly));
        EXPECT_EQ(victimFile.readAll(), "keep me");
        victimFile.close();
        if (type == "bmp") {
            EXPECT_EQ(oracle::DecodeWithOracle(runner.OutputFile(type), type).size(), QSize(660, 500));
        }
    }
}

TEST_F(PictavorRobustnessTest, APlantedLinkInPlaceOfThePrivateFolderGetsNothingWritten)
{
    PictavorRunner runner;
    ShortTempFolder elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.Path(), runner.OutputFolder()));
    ExpectNoFile(runner, runner.Run({ fServer.Url("/page.html"), "png", "3" }), "Temporary folder refused");
    EXPECT_TRUE(QDir(elsewhere.Path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(PictavorRobustnessTest, AsRootAPrivateFolderOwnedByAnotherUserIsRefused)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to give the folder to another user";
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    PictavorRunner runner;
    ASSERT_TRUE(QDir().mkpath(runner.OutputFolder()));
    ASSERT_EQ(chown(QFile::encodeName(runner.OutputFolder()).constData(), nobody->pw_uid, nobody->pw_gid), 0);
    ExpectNoFile(runner, runner.Run({ fServer.Url("/page.html"), "png", "3" }), "Temporary folder refused");
}

TEST_F(PictavorRobustnessTest, TerminationMidLoadWritesNothingAndLeavesNoBrowser)
{
    PictavorRunner runner;
    BrowserSlot slot;
    QProcess process;
    process.setProcessEnvironment(runner.Environment());
    process.start(PICTAVOR_EXECUTABLE, { fServer.Url("/stall.html"), "png", "3" });
    QByteArray log;
    ASSERT_TRUE(WaitForLog(process, log, "/stall.png")) << log.toStdString();
    EXPECT_FALSE(ProcessesUsing(runner.OutputFolder()).isEmpty());
    kill(pid_t(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(30000));
    log += process.readAllStandardError();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(log.contains("Stopped by signal 15")) << log.toStdString();
    EXPECT_FALSE(log.contains("output file: "));
    EXPECT_TRUE(QDir(runner.OutputFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_TRUE(ProcessesUsing(runner.OutputFolder()).isEmpty());
}

TEST_F(PictavorRobustnessTest, KillingThePageImagerLeavesNoProcessOfItsSession)
{
    PictavorRunner runner;
    BrowserSlot slot;
    QProcess process;
    process.setProcessEnvironment(runner.Environment());
    process.start("/usr/bin/setsid", { PICTAVOR_EXECUTABLE, fServer.Url("/stall.html"), "png", "3" });
    QByteArray log;
    ASSERT_TRUE(WaitForLog(process, log, "/stall.png")) << log.toStdString();
    const pid_t session = pid_t(process.processId());
    EXPECT_GT(ProcessesInSession(session).size(), 1);
    kill(session, SIGKILL);
    ASSERT_TRUE(process.waitForFinished(10000));
    QElapsedTimer clock;
    clock.start();
    while (!ProcessesInSession(session).isEmpty() && clock.elapsed() < 10000)
        QThread::msleep(200);
    EXPECT_TRUE(ProcessesInSession(session).isEmpty()) << ProcessesInSession(session).join(' ').toStdString();

    // The killed run's folder stays until the next run clears it.
    EXPECT_FALSE(runner.Leftovers().isEmpty());
    const PictavorResult next = runner.Run({ fServer.Url("/missing.html"), "png", "3" });
    ExpectNoFile(runner, next, "Load failed: HTTP 404");
    EXPECT_TRUE(runner.Leftovers().isEmpty()) << runner.Leftovers().join(' ').toStdString();
}

TEST_F(PictavorRobustnessTest, FakeBrowsersEndTheRunWithAFailureLineAndNoProcessLeft)
{
    ShortTempFolder fakes;
    const QString pidFile = fakes.Path() + "/pid";
    const struct { QString browser; QString reason; } cases[] = {
        { fakebrowser::ExitsAtOnce(fakes.Path(), pidFile), "The browser could not start: " },
        { fakebrowser::StopsReading(fakes.Path(), pidFile), "The browser could not start: " },
        { fakebrowser::NeverAnswers(fakes.Path(), pidFile), "The browser could not start: Target.createTarget: no answer" },
        { fakebrowser::ClosesMidLoad(fakes.Path(), pidFile), "The browser ended: Browser closed its pipe" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.browser.toStdString());
        QFile::remove(pidFile);
        PictavorRunner runner;
        runner.Set("PICTAVOR_BROWSER", c.browser);
        const PictavorResult result = runner.Run({ fServer.Url("/page.html"), "png", "3" });
        ExpectNoFile(runner, result, c.reason);
        EXPECT_TRUE(runner.Leftovers().isEmpty()) << runner.Leftovers().join(' ').toStdString();
        EXPECT_TRUE(fakebrowser::Gone(pidFile));
    }
}

TEST_F(PictavorRobustnessTest, AsNobodyWithTheSandboxThePictureIsTheSame)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to run as another user";
    const QString url = fServer.Url("/page.html");
    PictavorRunner asRoot;
    ASSERT_TRUE(Written(asRoot, asRoot.Run({ url, "png", "3" }), "png"));

    PictavorRunner asNobody;
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    ASSERT_EQ(chown(QFile::encodeName(asNobody.TempDir()).constData(), nobody->pw_uid, nobody->pw_gid), 0);
    const PictavorResult result = asNobody.Run({ url, "png", "3" }, { "/usr/sbin/runuser", "-u", "nobody", "--" });
    if (result.Logged("The browser could not start"))
        GTEST_SKIP() << "the browser's sandbox cannot start here: " << result.log.toStdString();
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0);
    const QString output = asNobody.TempDir() + QStringLiteral("/Brevanto-%1/load-url-1963.png").arg(nobody->pw_uid);
    ASSERT_TRUE(QFileInfo(output).isFile()) << result.log.toStdString();
    EXPECT_TRUE(oracle::SamePixels(oracle::DecodeWithOracle(output, "png"),
                                   oracle::DecodeWithOracle(asRoot.OutputFile("png"), "png")));
}

// A name server on 127.0.0.1:53 that logs every query name and answers "no such name".
const char kResponder[] = R"(#!/usr/bin/python3
import socket, sys
log = open(sys.argv[1], "a", buffering=1)
server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
server.bind(("127.0.0.1", 53))
print("ready", flush=True)
while True:
    data, peer = server.recvfrom(4096)
    if len(data) < 12:
        continue
    labels, at = [], 12
    while at < len(data) and data[at] != 0:
        length = data[at]
        labels.append(data[at + 1:at + 1 + length].decode("ascii", "replace"))
        at += length + 1
    log.write(".".join(labels) + "\n")
    answer = data[:2] + bytes([0x81, 0x83]) + data[4:6] + b"\0\0\0\0\0\0" + data[12:at + 5]
    server.sendto(answer, peer)
)";

TEST_F(PictavorRobustnessTest, NoNameIsLookedUpButThePagesOwnHosts)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root for a name server on port 53 and a mount namespace";
    ShortTempFolder work;
    const QString queries = work.Path() + "/queries.log";
    const QString resolv = work.Path() + "/resolv.conf";
    QFile conf(resolv);
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("nameserver 127.0.0.1\noptions attempts:1 timeout:1\n");
    conf.close();
    const QString script = work.Path() + "/responder.py";
    QFile responderFile(script);
    ASSERT_TRUE(responderFile.open(QIODevice::WriteOnly));
    responderFile.write(kResponder);
    responderFile.close();
    QProcess responder;
    responder.start(BREVANTO_PYTHON, { script, queries });
    if (!responder.waitForReadyRead(10000))
        GTEST_SKIP() << "no name server on 127.0.0.1:53: " << responder.readAllStandardError().toStdString();

    const QStringList inMountNamespace { "/usr/bin/unshare", "-m", "/bin/sh", "-c",
                                         "mount --bind \"$0\" /etc/resolv.conf && exec \"$@\"", resolv };
    PictavorRunner plain;
    const PictavorResult first = plain.Run({ fServer.Url("/page.html"), "png", "3" }, inMountNamespace);
    if (first.log.contains("unshare:") || first.log.contains("mount:"))
        GTEST_SKIP() << "no mount namespace here: " << first.log.toStdString();
    EXPECT_TRUE(Written(plain, first, "png")) << first.log.toStdString();
    QFile log(queries);
    log.open(QIODevice::ReadOnly);
    EXPECT_EQ(log.readAll(), QByteArray()) << "looked up for a loopback page";
    log.close();

    PictavorRunner outside;
    const PictavorResult second = outside.Run({ fServer.Url("/dnshost.html"), "png", "3" }, inMountNamespace);
    EXPECT_TRUE(Written(outside, second, "png")) << second.log.toStdString();
    log.open(QIODevice::ReadOnly);
    const QStringList names = QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    EXPECT_FALSE(names.isEmpty());
    for (const QString& name : names)
        EXPECT_TRUE(name == "pagehost.test" || name.endsWith(".pagehost.test")) << name.toStdString();
    responder.kill();
    responder.waitForFinished(5000);
}

} // namespace

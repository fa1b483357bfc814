// The Message Monitor's store and switches: the on/off toggle, Roll Log and Open Log with their
// failures, stores that are not ours, and the order of the records.
#include "MonitorFixture.h"

#include "CMessageMonitorWindow.h"
#include "MenuBar.h"
#include "ThreadSanitizer.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>

using namespace monitortest;

namespace {

const QRegularExpression kPutAsideName(R"(^\d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d [+-]\d{4}( \d+)?\.cdbvto$)");

QString Folder() { return GetMessageMonitorFolderPath(); }
QString StoreFile() { return Folder() + "/MessageMonitor.cdbvto"; }

QStringList PutAsideFiles()
{
    QStringList names;
    for (const QString& name : QDir(Folder()).entryList(QDir::Files))
        if (kPutAsideName.match(name).hasMatch())
            names << name;
    return names;
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The names in a log, as Python's sqlite3 reads them.
std::string NamesByPython(const QString& path)
{
    return RunChild({PeerProcess::Python(), "-c",
                     "import sqlite3,sys\n"
                     "db = sqlite3.connect(sys.argv[1])\n"
                     "print(','.join(r[0] for r in db.execute('select name from MessageMonitorRequest order by date, key')))",
                     path.toStdString()})
        .output;
}

class MonitorStoreTest : public MonitorFixture {
protected:
    void TearDown() override
    {
        SetMessageMonitorLogRenamer({});
        MonitorFixture::TearDown();
        MenuBar::Get().RemoveAllMenus();
    }

    void ExpectLastAlert(const QString& message, const QString& explanation = {})
    {
        ASSERT_FALSE(presenter->Requests().empty());
        EXPECT_EQ(presenter->Requests().back().message, message);
        if (!explanation.isNull()) {
            EXPECT_EQ(presenter->Requests().back().explanation, explanation);
        }
    }
};

} // namespace

TEST_F(MonitorStoreTest, ToggleSwitchesStoresAndTellsUnlessQuiet)
{
    MakeApplication().BuildMenuBar();
    app->SetUpApplication();
    ASSERT_TRUE(IsMessageMonitorRunning());
    const struct {
        bool quiet;
        const char* stored;
        const char* alert; // null: none
    } steps[] = {
        {false, "false", "Message Monitor: OFF"},
        {false, "true", "Message Monitor: ON"},
        {true, "false", nullptr},
        {true, "true", nullptr},
    };
    for (const auto& step : steps) {
        const std::size_t alerts = presenter->Requests().size();
        if (step.alert)
            presenter->QueueAlert(kAlertStdAlertOKButton);
        ToggleMessageMonitor(step.quiet);
        const bool on = std::strcmp(step.stored, "true") == 0;
        EXPECT_EQ(IsMessageMonitorRunning(), on);
        EXPECT_EQ(gEnvironment->monitorOn != 0, on);
        EXPECT_STREQ(GetPreference(CString256(kMessageMonitorKey)).get(), step.stored);
        EXPECT_EQ(presenter->Requests().size(), alerts + (step.alert ? 1 : 0));
        if (step.alert)
            ExpectLastAlert(step.alert);
        EXPECT_EQ(MessageMonitorStatusText().startsWith("The Message Monitor is listening at: "), on)
            << MessageMonitorStatusText().toStdString();
    }
    for (const char* value : {"TRUE", "yes", ""}) {
        SetSetting(kMessageMonitorUseDNSKey, value);
        SetSetting(kMessageMonitorShouldUseExternalAddressKey, value);
        EXPECT_FALSE(GetMonitorUsesDNS()) << value;
        EXPECT_FALSE(GetMonitorUsesExternalAddress()) << value;
    }
}

TEST_F(MonitorStoreTest, RollPutsTheLogAsideOnlyWhenAskedAndAble)
{
    StartApplication();
    // No store file yet: nothing to roll.
    presenter->QueueAlert(kAlertStdAlertOKButton);
    EXPECT_FALSE(RollMessageMonitorLog(*app));

    Hit("first");
    ASSERT_TRUE(QFileInfo(StoreFile()).isFile()) << "made at the first save";
    for (SInt16 answer : {SInt16(kAlertStdAlertCancelButton), SInt16(kAlertNotShown)}) {
        presenter->QueueAlert(answer);
        EXPECT_FALSE(RollMessageMonitorLog(*app)) << answer;
        EXPECT_EQ(RecordNames(), QStringList {"first"}) << answer;
    }
    ExpectLastAlert("Are you sure you want to roll the Message Monitor log?",
                    "To undo this operation you will need to re-open the previous log file after the new one is "
                    "created.");

    Hit("queued", false); // answered, not yet written
    presenter->QueueAlert(kAlertStdAlertOKButton);
    EXPECT_TRUE(RollMessageMonitorLog(*app));
    EXPECT_TRUE(RecordNames().isEmpty());
    QStringList aside = PutAsideFiles();
    ASSERT_EQ(aside.size(), 1) << QDir(Folder()).entryList(QDir::Files).join(", ").toStdString();
    EXPECT_EQ(NamesByPython(Folder() + "/" + aside[0]), "first,queued\n");

    // Two rolls within one second keep both logs.
    Hit("second");
    presenter->QueueAlert(kAlertStdAlertOKButton);
    EXPECT_TRUE(RollMessageMonitorLog(*app));
    Hit("third");
    presenter->QueueAlert(kAlertStdAlertOKButton);
    EXPECT_TRUE(RollMessageMonitorLog(*app));
    EXPECT_EQ(PutAsideFiles().size(), 3);

    // A rename that fails: said so, and the log goes on recording.
    Hit("kept");
    SetMessageMonitorLogRenamer([](const QString&, const QString&) { return OSErr(permErr); });
    presenter->QueueAlert(kAlertStdAlertOKButton);
    presenter->QueueAlert(kAlertStdAlertOKButton);
    EXPECT_FALSE(RollMessageMonitorLog(*app));
    ExpectLastAlert("The Message Monitor log could not be put aside.", "Permission denied.");
    Hit("after");
    EXPECT_EQ(RecordNames(), (QStringList {"kept", "after"}));
    EXPECT_EQ(PutAsideFiles().size(), 3);
}

TEST_F(MonitorStoreTest, OpenLogTakesOnlyLogsAndLeavesOutsideFilesAlone)
{
    StartApplication();
    Hit("old");
    presenter->QueueAlert(kAlertStdAlertOKButton);
    ASSERT_TRUE(RollMessageMonitorLog(*app));
    const QString oldLog = Folder() + "/" + PutAsideFiles().value(0);
    Hit("current");

    // Cancel, and the current store itself: nothing happens.
    presenter->QueueOpenFile(std::nullopt);
    OpenMessageMonitorLog(*app);
    presenter->QueueOpenFile(StoreFile());
    OpenMessageMonitorLog(*app);
    EXPECT_EQ(RecordNames(), QStringList {"current"});

    // Not a log: said so, nothing changes.
    const QString fake = folder.filePath("image.cdbvto");
    QFile::copy(BREVANTO_SOURCE_DIR "/resources/33.png", fake);
    presenter->QueueOpenFile(fake);
    presenter->QueueAlert(kAlertStdAlertOKButton);
    OpenMessageMonitorLog(*app);
    ExpectLastAlert("The file is not a Message Monitor log.", "image.cdbvto");
    EXPECT_EQ(RecordNames(), QStringList {"current"});

    // A log of the folder becomes the store; the current one is put aside.
    presenter->QueueOpenFile(oldLog);
    OpenMessageMonitorLog(*app);
    EXPECT_EQ(RecordNames(), QStringList {"old"});
    EXPECT_FALSE(QFile::exists(oldLog));
    EXPECT_EQ(PutAsideFiles().size(), 1);

    // A log from elsewhere is copied in, the user's file untouched.
    const QString outside = folder.filePath("elsewhere.cdbvto");
    ASSERT_TRUE(QFile::copy(StoreFile(), outside));
    Hit("not in the copy");
    const QByteArray before = FileBytes(outside);
    presenter->QueueOpenFile(outside);
    OpenMessageMonitorLog(*app);
    EXPECT_EQ(RecordNames(), QStringList {"old"});
    EXPECT_EQ(FileBytes(outside), before);
    Hit("new");
    EXPECT_EQ(FileBytes(outside), before);
    EXPECT_EQ(RecordNames(), (QStringList {"old", "new"}));
}

TEST_F(MonitorStoreTest, AFileThatIsNoLogIsPutAsideAtStartUp)
{
    QDir().mkpath(Folder());
    QFile garbage(StoreFile());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("this is not a database at all, just text that happens to lie there\n");
    garbage.close();
    StartApplication();
    EXPECT_EQ(PutAsideFiles().size(), 1);
    Hit("fresh");
    EXPECT_EQ(RecordNames(), QStringList {"fresh"});
    EXPECT_TRUE(MessageMonitorStatusText().startsWith("The Message Monitor is listening at: "));
}

TEST_F(MonitorStoreTest, AStoreThatCantBeUsedIsReportedAndHitsStillAnswered)
{
    QDir().mkpath(StoreFile()); // a folder where the file should be
    StartApplication();
    EXPECT_TRUE(MessageMonitorStatusText().startsWith("The Message Monitor can't record hits: "))
        << MessageMonitorStatusText().toStdString();
    const std::string reply = Hit("lost");
    EXPECT_NE(reply.find("Content-Type: image/png"), std::string::npos);
    EXPECT_TRUE(Records().empty());
}

TEST_F(MonitorStoreTest, ACommitThatFailsIsLoggedAndLaterOnesRecover)
{
    StartApplication();
    Hit("one");
    // The log becomes read-only under the store's feet.
    QFile::setPermissions(StoreFile(), QFileDevice::ReadOwner);
    QFile capture(folder.filePath("stderr.txt"));
    ASSERT_TRUE(capture.open(QIODevice::ReadWrite));
    fflush(stderr);
    const int saved = dup(2);
    dup2(capture.handle(), 2);
    // A read-only file is still writable by root: make the write fail by locking the database.
    {
        QSqlDatabase locker = QSqlDatabase::addDatabase("QSQLITE", "locker");
        locker.setDatabaseName(StoreFile());
        ASSERT_TRUE(locker.open());
        QSqlQuery(locker).exec("BEGIN EXCLUSIVE");
        Hit("two");
        QSqlQuery(locker).exec("ROLLBACK");
        locker.close();
    }
    QSqlDatabase::removeDatabase("locker");
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    capture.seek(0);
    const QByteArray logged = capture.readAll();
    EXPECT_TRUE(logged.contains("Error while saving\n")) << logged.constData();
    EXPECT_TRUE(MessageMonitorStatusText().startsWith("The Message Monitor can't record hits: "));
    QFile::setPermissions(StoreFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    Hit("three");
    EXPECT_EQ(RecordNames(), (QStringList {"one", "three"}));
    EXPECT_TRUE(MessageMonitorStatusText().startsWith("The Message Monitor is listening at: "));
}

TEST_F(MonitorStoreTest, HitsSoonAfterAWriteWaitForTheIntervalAndGoTogether)
{
    // Long enough for two hits to be answered within it, also in the slower thread-checking build.
    const std::chrono::milliseconds interval = kBuiltWithThreadSanitizer ? 5000ms : 300ms;
    SetMessageMonitorDrainInterval(interval);
    StartApplication();
    QThread::msleep(interval.count() + 50); // a quiet spell (an earlier test in this process may have written)
    Hit("first"); // written with its drain
    EXPECT_EQ(RecordNames(), QStringList {"first"});
    Hit("second");
    Hit("third");
    EXPECT_EQ(RecordNames(), QStringList {"first"}); // within the interval: still queued
    EXPECT_TRUE(PumpUntil([] { return RecordNames().size() == 3; }, 10s)) << RecordNames().join(',').toStdString();
    EXPECT_EQ(RecordNames(), (QStringList {"first", "second", "third"}));

    Hit("fourth");
    Hit("fifth"); // queued when the monitor stops: Stop writes it
    ToggleMessageMonitor(true);
    EXPECT_EQ(RecordNames(), (QStringList {"first", "second", "third", "fourth", "fifth"}));
}

TEST_F(MonitorStoreTest, EqualDatesKeepArrivalOrder)
{
    const QString path = folder.filePath("order.cdbvto");
    MonitorStore store(path);
    ASSERT_EQ(store.Open(), MonitorStore::OpenResult::Opened);
    std::vector<QueuedMonitorHit> hits;
    for (const char* name : {"c", "a", "b"})
        hits.push_back({{name, "s", "m"}, 1000.0});
    hits.push_back({{"earlier", "s", "m"}, 999.0});
    ASSERT_TRUE(store.Save(hits));
    QStringList names;
    for (const MonitorRecord& record : store.Fetch())
        names << record.name;
    EXPECT_EQ(names, (QStringList {"earlier", "c", "a", "b"}));
    EXPECT_EQ(MonitorStore::Probe(path), MonitorStore::FileKind::Log);
    EXPECT_EQ(RunChild({PeerProcess::Python(), "-c",
                        "import sqlite3,sys\n"
                        "db = sqlite3.connect(sys.argv[1])\n"
                        "print(db.execute('PRAGMA journal_mode').fetchone()[0], db.execute('PRAGMA application_id').fetchone()[0])",
                        path.toStdString()})
                  .output,
              "delete " + std::to_string(MonitorStore::kApplicationID) + "\n");
}

// Events that reach the application from outside: web addresses, the people-import request and
// its text file, and the quit sequence (refusals, the remembered documents, threads stopped
// before their window's controls go).
#include "ApplicationFixture.h"

#include "CFPropertyList.h"
#include "CFPropertyListWriter.h"
#include "CFileItems.h"
#include "CThread.h"
#include "ControlMap.h"
#include "ControlValues.h"
#include "FileManager.h"
#include "PreferenceGetters.h"
#include "ProgramRequests.h"

#include <QDateTime>
#include <QLineEdit>
#include <QPointer>

namespace {

CFPropertyList PersonEntry(const char* inFirst, const char* inLast, const char* inAddress)
{
    CFPropertyList::Dictionary person;
    if (inFirst)
        person.insert("First Name", CFPropertyList(QString::fromUtf8(inFirst)));
    if (inLast)
        person.insert("Last Name", CFPropertyList(QString::fromUtf8(inLast)));
    if (inAddress)
        person.insert("Email Address", CFPropertyList(QString::fromUtf8(inAddress)));
    return CFPropertyList(person);
}

QStringList SupportFolderImports()
{
    FSRef support;
    if (!GetTessarocSupportFolder(&support))
        return {};
    return QDir(QString::fromStdString(support.path)).entryList({"Daylite Import *"}, QDir::Files);
}

QString ReadAll(const QString& inPath)
{
    QFile file(inPath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class EventsTest : public ApplicationFixture {
protected:
    void SetUp() override
    {
        ApplicationFixture::SetUp();
        FSRef support;
        if (GetTessarocSupportFolder(&support)) {
            for (const QString& name : SupportFolderImports())
                QFile::remove(QString::fromStdString(support.path) + "/" + name);
        }
    }

    QString WritePeople(const CFPropertyList& inPeople)
    {
        const QString path = folder.path() + "/people.plist";
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(CFPropertyListWriter::Write(inPeople));
        return path;
    }

    static QString URLText(CBrevantoWindow* inWindow)
    {
        auto* field = qobject_cast<QLineEdit*>(inWindow->Control(ControlRole::SourceField));
        return field ? field->text() : QStringLiteral("(no field)");
    }
};

// A worker that touches its window's main window at each step until it is asked to stop.
class ImportLikeThread : public CThread {
public:
    explicit ImportLikeThread(QWidget* inWindow, bool* outSawControlsGone, bool* outEnded)
        : mWindow(inWindow), mSawControlsGone(outSawControlsGone), mEnded(outEnded)
    {
    }
    void* Run() override
    {
        try {
            for (;;) {
                if (!mWindow)
                    *mSawControlsGone = true;
                CheckStop();
            }
        } catch (const CStopException&) {
        }
        *mEnded = true;
        return nullptr;
    }

private:
    QPointer<QWidget> mWindow;
    bool* mSawControlsGone;
    bool* mEnded;
};

} // namespace

TEST_F(EventsTest, GetURLOpensAWindowWithTheNormalisedHost)
{
    const struct {
        const char* url;
        const char* shown; // null: no window
    } cases[] = {
        // The host becomes the web-page address, which gets its scheme back when made whole.
        {"http://ex%41mple.com/page.html", "http://example.com"},
        {"http://user@b%C3%BCcher.de:8080/x", "http://b%C3%BCcher.de"},
        {"mailto:someone@example.com", ""},
        {"not a web address", ""},
        {"", nullptr},
    };
    CBrevantoApp& application = MakeApplication();
    // The first event starts the program up: its untitled window comes first.
    application.DispatchAppleEvent(AppleEvent::Make(kInternetEventClass, kAEGetURL, {"http://first.example/"}));
    EXPECT_TRUE(application.IsSetUp());
    ASSERT_EQ(Windows().size(), 2u);
    EXPECT_EQ(Windows().front()->GetDocumentPath(), QString());
    EXPECT_EQ(URLText(Windows().front()), QString());
    EXPECT_EQ(URLText(Windows().back()), "http://first.example");
    for (const auto& entry : cases) {
        const size_t before = Windows().size();
        if (entry.shown && *entry.shown == 0)
            presenter->QueueAlert(1);
        EXPECT_EQ(application.DispatchAppleEvent(
                      AppleEvent::Make(kInternetEventClass, kAEGetURL, {QString::fromUtf8(entry.url)})),
                  noErr);
        if (!entry.shown) {
            EXPECT_EQ(Windows().size(), before) << entry.url;
            continue;
        }
        ASSERT_EQ(Windows().size(), before + 1) << entry.url;
        EXPECT_EQ(URLText(Windows().back()), QString::fromUtf8(entry.shown)) << entry.url;
        // View follows the field; an address without a host is explained, not left blank.
        EXPECT_EQ(IsControlEnabled(Windows().back()->Control(ControlRole::ViewButton)), *entry.shown != 0) << entry.url;
        if (*entry.shown == 0) {
            EXPECT_TRUE(presenter->Requests().back().message.contains(QString::fromUtf8(entry.url))) << entry.url;
        }
    }
}

TEST_F(EventsTest, DayliteLinesNeutraliseSeparators)
{
    const struct {
        CFPropertyList person;
        const char* line;
    } cases[] = {
        {PersonEntry("Ann", "Lee", "ann@example.com"), "Ann,Lee,ann@example.com\n"},
        {PersonEntry(nullptr, "Lee", "lee@example.com"), ",Lee,lee@example.com\n"},
        {PersonEntry("Bo", nullptr, "bo@example.com"), "Bo,,bo@example.com\n"},
        {PersonEntry("John", "Smith, Jr.", "js@example.com"), "John,Smith  Jr.,js@example.com\n"},
        {PersonEntry("Tab\tbed", "Two\r\nLines", "x@example.com"), "Tab bed,Two  Lines,x@example.com\n"},
        {PersonEntry("No", "Address", nullptr), ""},
        {PersonEntry("Empty", "Address", ""), ""},
        {CFPropertyList(QStringLiteral("not a person")), ""},
    };
    for (const auto& entry : cases)
        EXPECT_EQ(DayliteImportLine(entry.person), QString::fromUtf8(entry.line)) << entry.line;
    EXPECT_TRUE(DayliteImportFileName().startsWith("Daylite Import ["));
    EXPECT_TRUE(DayliteImportFileName().endsWith("].txt"));
    EXPECT_FALSE(DayliteImportFileName().contains(':'));
}

TEST_F(EventsTest, DayliteRequestWritesTheFileAndOpensAnImportWindow)
{
    CFPropertyList::Array people = {PersonEntry("Ann", "Lee", "ann@example.com"), PersonEntry("No", "Mail", nullptr),
                                    PersonEntry(nullptr, "Ono", "ono@example.com")};
    const QString request = WritePeople(CFPropertyList(people));
    CBrevantoApp& application = MakeApplication();
    application.SetUpApplication();
    const size_t before = Windows().size();

    EXPECT_EQ(application.DispatchAppleEvent(AppleEvent::Make(kImportEventClass, kImportEventID, {request})), noErr);

    const QStringList written = SupportFolderImports();
    ASSERT_EQ(written.size(), 1);
    FSRef support;
    ASSERT_TRUE(GetTessarocSupportFolder(&support));
    const QString path = QString::fromStdString(support.path) + "/" + written.front();
    EXPECT_EQ(ReadAll(path), "Ann,Lee,ann@example.com\n,Ono,ono@example.com\n");
    ASSERT_EQ(Windows().size(), before + 1);
    EXPECT_EQ(Windows().back()->mImportPath, path) << "the new mailing imports the file";
}

TEST_F(EventsTest, DayliteRequestWithoutPeopleDoesNothing)
{
    CBrevantoApp& application = MakeApplication();
    application.SetUpApplication();
    const size_t before = Windows().size();
    const QString notArray = WritePeople(CFPropertyList(CFPropertyList::Dictionary{}));
    QFile garbage(folder.path() + "/garbage.plist");
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("<plist><array><dict>");
    garbage.close();
    for (const QString& path : {notArray, garbage.fileName(), folder.path() + "/missing.plist", QString()})
        EXPECT_EQ(application.DispatchAppleEvent(AppleEvent::Make(kImportEventClass, kImportEventID, {path})), noErr);
    EXPECT_TRUE(SupportFolderImports().isEmpty());
    EXPECT_EQ(Windows().size(), before);
}

TEST_F(EventsTest, QuitIsRefusedWhileSendingOrScheduled)
{
    CBrevantoApp& application = MakeApplication();
    application.SetUpApplication();
    CBrevantoWindow* window = Windows().front();

    window->mSending = 1;
    presenter->QueueAlert(1);
    application.PerformQuit(kAEAsk);
    EXPECT_NE(application.GetState(), LApplication::EProgramState::quitting);
    EXPECT_EQ(presenter->Requests().back().message, "A mailing is in progress.");
    window->mSending = 0;

    window->mScheduledTime = SInt64(QDateTime::currentSecsSinceEpoch()) + 2082844800 + 3600;
    presenter->QueueAlert(1);
    application.PerformQuit(kAEAsk);
    EXPECT_NE(application.GetState(), LApplication::EProgramState::quitting);
    EXPECT_EQ(presenter->Requests().back().message, "A mailing is scheduled.");
    window->mScheduledTime = 0;

    application.PerformQuit(kAEAsk);
    EXPECT_EQ(application.GetState(), LApplication::EProgramState::quitting);
    EXPECT_TRUE(Windows().empty());
}

TEST_F(EventsTest, QuitRemembersTheLast25DocumentsLastFirst)
{
    CBrevantoApp& application = MakeApplication();
    application.SetUpApplication(); // an untitled window first: it has no file to remember
    QStringList paths;
    for (int index = 1; index <= 30; ++index) {
        paths << MakeDocument(QStringLiteral("mailing%1.bvto").arg(index));
        application.OpenDocumentFile(paths.back());
    }
    ASSERT_EQ(Windows().size(), 31u);

    application.PerformQuit(kAEAsk);
    ASSERT_EQ(application.GetState(), LApplication::EProgramState::quitting);

    CFileItems stored(QString::fromUtf8(kOpenItemsKey), 25);
    QStringList remembered;
    for (SInt32 index = 0; index < stored.Count(); ++index) {
        FSRef file;
        ASSERT_EQ(stored.GetItemRef(index, file), noErr);
        remembered << QString::fromStdString(file.path);
    }
    QStringList expected;
    for (int index = 29; index >= 5; --index)
        expected << paths.at(index);
    EXPECT_EQ(remembered, expected);
}

TEST_F(EventsTest, QuitDuringAnImportStopsItBeforeItsControlsGo)
{
    CBrevantoApp& application = MakeApplication();
    application.SetUpApplication();
    CBrevantoWindow* window = Windows().front();
    bool sawControlsGone = false;
    bool ended = false;
    auto* thread = new ImportLikeThread(window->GetMainWindow(), &sawControlsGone, &ended);
    window->AdoptThread(thread);
    thread->Resume();
    LThread::Yield(); // the import is under way

    application.PerformQuit(kAEAsk);
    EXPECT_EQ(application.GetState(), LApplication::EProgramState::quitting);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(sawControlsGone);
    EXPECT_TRUE(gThreadList.Count() == 0);
}

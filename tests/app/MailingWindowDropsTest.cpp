// Drags on a real mailing window: synthetic drag events sent to the widget at each field's
// centre, as a desktop would send them; the HTTP peer serves the pages whose titles become
// subjects.
#include "MailingWindowFixture.h"

#include "../peers/HttpPeer.h"
#include "CEnvironment.h"
#include "ControlValues.h"
#include "DragLayer.h"
#include "LThread.h"
#include "MailingWindowDrops.h"
#include "WindowAttributes.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace {

const QByteArray kAnn = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Cox;Ann;;;\r\nFN:Ann Cox\r\n"
                        "EMAIL;TYPE=HOME,pref:ann@home.test\r\nEMAIL;TYPE=WORK:ann@x.test\r\nEND:VCARD\r\n";
const QByteArray kAcme = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:;;;;\r\nORG:Acme Ltd\r\nEMAIL;TYPE=WORK:sales@acme.test\r\nEND:VCARD\r\n";
const QByteArray kBare = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:;;;;\r\nEMAIL;TYPE=WORK:who@x.test\r\nEND:VCARD\r\n";

QMimeData* VCard(const QByteArray& inCards)
{
    auto* data = new QMimeData;
    data->setData("text/vcard", inCards);
    return data;
}

QMimeData* Text(const QString& inText)
{
    auto* data = new QMimeData;
    data->setText(inText);
    return data;
}

QMimeData* Files(const QStringList& inPaths)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : inPaths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

class DropTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        gEnvironment = &mEnvironment;
        for (const char* key : {kZipFoldersKey, kSetSubjectToFilenameKey, kSetSubjectToTitleKey})
            SetPreference(nullptr, CString256(key));
        mWindow = new CBrevantoWindow();
        mWindow->SelectSenderTab(2);
        for (auto which : {CBrevantoWindow::ENibWindow::addRecipient, CBrevantoWindow::ENibWindow::otherOptions})
            mWindow->Window(which)->show();
        for (ControlRole popup : {ControlRole::SenderAddressTypePopup, ControlRole::AddAddressTypePopup,
                                  ControlRole::OptionsAddressTypePopup})
            SelectAddressType(popup, 'WORK');
    }

    void TearDown() override
    {
        MailingWindowTest::TearDown();
        gEnvironment = nullptr;
    }

    void SelectAddressType(ControlRole inPopup, CommandT inType)
    {
        ControlRef popup = mWindow->Control(inPopup);
        SetControl32BitValue(popup, inType == 0 ? 0 : FindPopupItemWithCommand(popup, inType));
    }

    // The widget at the field's centre, and that centre in its coordinates.
    static std::pair<QWidget*, QPoint> Under(ControlRef inField)
    {
        QWidget* window = inField->window();
        const QPoint centre = inField->mapTo(window, inField->rect().center());
        QWidget* widget = window->childAt(centre);
        if (!widget)
            widget = window;
        return {widget, widget->mapFrom(window, centre)};
    }

    // Moves the drag over the field; the data stays the test's.
    static void DragOver(ControlRef inField, QMimeData* inData)
    {
        const auto [widget, point] = Under(inField);
        QDragEnterEvent enter(point, Qt::CopyAction, inData, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &enter);
        QDragMoveEvent move(point, Qt::CopyAction, inData, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }

    static void Drop(ControlRef inField, QMimeData* inData)
    {
        std::unique_ptr<QMimeData> owned(inData);
        DragOver(inField, inData);
        const auto [widget, point] = Under(inField);
        QDropEvent drop(point, Qt::CopyAction, inData, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &drop);
    }

    QString Field(ControlRole inRole) const { return GetControlText(mWindow->Control(inRole)); }
    ControlRef Control(ControlRole inRole) const { return mWindow->Control(inRole); }

    QStringList Attachments() const { return mWindow->mAttachmentPaths; }

    // Runs the cooperative threads and events until the condition holds or 10 seconds pass.
    static bool RunUntil(const std::function<bool()>& inDone)
    {
        QElapsedTimer clock;
        clock.start();
        while (!inDone() && clock.elapsed() < 10000) {
            LThread::Yield();
            QCoreApplication::processEvents();
        }
        return inDone();
    }

    CEnvironment mEnvironment;
    CBrevantoWindow* mWindow = nullptr;
};

} // namespace

TEST_F(DropTest, AcceptableDragsHighlightTheFieldUnderThem)
{
    WindowRef main = mWindow->GetMainWindow();
    ControlRef name = Control(ControlRole::SenderNameField);
    std::unique_ptr<QMimeData> card(VCard(kAnn));
    DragOver(name, card.get());
    QRect bounds;
    GetControlBounds(name, &bounds);
    EXPECT_EQ(DragHiliteRect(main), bounds.adjusted(1, 1, -1, -1));
    const QImage grab = main->grab().toImage();
    EXPECT_FALSE(grab.isNull());

    // Leaving hides it; so does a drop.
    QDragLeaveEvent leave;
    QApplication::sendEvent(Under(name).first, &leave);
    EXPECT_TRUE(DragHiliteRect(main).isEmpty());
    DragOver(Control(ControlRole::SourceField), card.get());
    EXPECT_FALSE(DragHiliteRect(main).isEmpty());
    DragOver(Control(ControlRole::SubjectField), card.get());
    EXPECT_TRUE(DragHiliteRect(main).isEmpty());

    // Two files: never acceptable.
    QFile(FolderPath("one.txt")).open(QIODevice::WriteOnly);
    QFile(FolderPath("two.txt")).open(QIODevice::WriteOnly);
    std::unique_ptr<QMimeData> two(Files({FolderPath("one.txt"), FolderPath("two.txt")}));
    DragOver(Control(ControlRole::SourceField), two.get());
    EXPECT_TRUE(DragHiliteRect(main).isEmpty());
    Drop(Control(ControlRole::SourceField), Files({FolderPath("one.txt"), FolderPath("two.txt")}));
    EXPECT_TRUE(Field(ControlRole::SourceField).isEmpty());
}

TEST_F(DropTest, VCardsFillTheSenderRecipientAndOptionFields)
{
    Drop(Control(ControlRole::SenderEmailField), VCard(kAnn));
    EXPECT_EQ(Field(ControlRole::SenderNameField), "Ann Cox");
    EXPECT_EQ(Field(ControlRole::SenderEmailField), "ann@x.test");
    SelectAddressType(ControlRole::SenderAddressTypePopup, 'PRIM');
    Drop(Control(ControlRole::SenderNameField), VCard(kAnn));
    EXPECT_EQ(Field(ControlRole::SenderEmailField), "ann@home.test");
    SelectAddressType(ControlRole::SenderAddressTypePopup, 0);
    Drop(Control(ControlRole::SenderNameField), VCard(kAnn));
    EXPECT_TRUE(Field(ControlRole::SenderNameField).isEmpty());
    EXPECT_TRUE(Field(ControlRole::SenderEmailField).isEmpty());

    Drop(Control(ControlRole::AddLastNameField), VCard(kAnn));
    EXPECT_EQ(Field(ControlRole::AddFirstNameField), "Ann");
    EXPECT_EQ(Field(ControlRole::AddLastNameField), "Cox");
    EXPECT_EQ(Field(ControlRole::AddEmailField), "ann@x.test");

    struct Case {
        QByteArray card;
        const char* bcc;
    } cases[] = {{kAnn, "Ann Cox <ann@x.test>"}, {kAcme, "Acme Ltd <sales@acme.test>"}, {kBare, "who@x.test"}};
    for (const Case& c : cases) {
        Drop(Control(ControlRole::BccField), VCard(c.card));
        EXPECT_EQ(Field(ControlRole::BccField), c.bcc);
    }
    EXPECT_TRUE(Field(ControlRole::CcField).isEmpty());

    // Refused or ignored: two cards, a card on the source, text on the sender name.
    SetControlText(Control(ControlRole::BccField), "kept");
    Drop(Control(ControlRole::BccField), VCard(kAnn + kAcme));
    EXPECT_EQ(Field(ControlRole::BccField), "kept");
    Drop(Control(ControlRole::SourceField), VCard(kAnn));
    EXPECT_TRUE(Field(ControlRole::SourceField).isEmpty());
    SetControlText(Control(ControlRole::SenderNameField), "Me");
    Drop(Control(ControlRole::SenderNameField), Text("http://example.test/"));
    EXPECT_EQ(Field(ControlRole::SenderNameField), "Me");
    EXPECT_TRUE(Field(ControlRole::SourceField).isEmpty());

    // A drop on the main window where the Bcc field lies in its own sheet reaches no Bcc.
    WindowRef main = mWindow->GetMainWindow();
    ControlRef bcc = Control(ControlRole::BccField);
    const QPoint spot = bcc->mapTo(bcc->window(), bcc->rect().center());
    std::unique_ptr<QMimeData> card(VCard(kAnn));
    QDropEvent drop(spot, Qt::CopyAction, card.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main, &drop);
    EXPECT_EQ(Field(ControlRole::BccField), "kept");
}

TEST_F(DropTest, FoldersBecomeAttachmentsAndFilesTheSource)
{
    QDir(mFolder.path()).mkpath("drop/sub");
    for (const char* name : {"b.txt", "a.pdf", ".hidden", "sub/inner.txt"})
        QFile(FolderPath(QStringLiteral("drop/") + name)).open(QIODevice::WriteOnly);
    const QString folder = FolderPath("drop");
    Drop(Control(ControlRole::SourceField), Files({folder}));
    Drop(Control(ControlRole::SourceField), Files({folder}));
    EXPECT_EQ(Attachments(), (QStringList {folder + "/a.pdf", folder + "/b.txt"}));
    EXPECT_TRUE(WindowAttributes::IsWindowModified(mWindow->GetMainWindow()));
    EXPECT_TRUE(Field(ControlRole::SourceField).isEmpty());

    SetPreference("true", CString256(kZipFoldersKey));
    mWindow->ClearAttachments();
    Drop(Control(ControlRole::SourceField), Files({folder}));
    Drop(Control(ControlRole::SourceField), Files({folder}));
    EXPECT_EQ(Attachments(), QStringList {folder});

    Drop(Control(ControlRole::SourceField), Files({folder + "/b.txt"}));
    EXPECT_EQ(Field(ControlRole::SourceField), folder + "/b.txt");
    EXPECT_EQ(Field(ControlRole::SubjectField), "b.txt");
    SetPreference("false", CString256(kSetSubjectToFilenameKey));
    Drop(Control(ControlRole::SourceField), Files({folder + "/a.pdf"}));
    EXPECT_EQ(Field(ControlRole::SourceField), folder + "/a.pdf");
    EXPECT_EQ(Field(ControlRole::SubjectField), "b.txt");

    QFile webloc(FolderPath("Site.webloc"));
    ASSERT_TRUE(webloc.open(QIODevice::WriteOnly));
    webloc.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                 "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n<dict>\n"
                 "\t<key>URL</key>\n\t<string>http://127.0.0.1:1/site/</string>\n</dict>\n</plist>\n");
    webloc.close();
    SetPreference("false", CString256(kSetSubjectToTitleKey));
    Drop(Control(ControlRole::SourceField), Files({FolderPath("Site.webloc")}));
    EXPECT_EQ(Field(ControlRole::SourceField), "http://127.0.0.1:1/site/");
}

TEST_F(DropTest, ADroppedAddressOfAnHTMLPageGivesItsTitleWhenFetched)
{
    HttpPeer peer;
    ASSERT_TRUE(peer.IsRunning());
    QFile home(peer.Root() + "/home.html");
    ASSERT_TRUE(home.open(QIODevice::WriteOnly));
    home.write("<html><head><TITLE>Home</TITLE></head><body>hi</body></html>");
    home.close();
    QFile plain(peer.Root() + "/plain.txt");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("<title>Not a page</title>");
    plain.close();

    const QString page = QString::fromStdString(peer.URL("/static/home.html"));
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    Drop(Control(ControlRole::SourceField), Text(page));
    EXPECT_EQ(Field(ControlRole::SourceField), page);
    ASSERT_TRUE(RunUntil([this] { return Field(ControlRole::SubjectField) == "Home"; }));
    EXPECT_TRUE(fired);

    // Counts the requests of that method and path so far.
    const auto served = [&peer](const char* inMethod, const char* inPath) {
        int count = 0;
        for (const HttpPeer::Recorded& request : peer.Requests())
            count += request.method == inMethod && request.path == inPath;
        return count;
    };
    // Lets a fetch that has had its last answer end.
    const auto settle = [] {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 300) {
            LThread::Yield();
            QCoreApplication::processEvents();
        }
    };
    SetControlText(Control(ControlRole::SubjectField), "unchanged");
    Drop(Control(ControlRole::SourceField), Text(QString::fromStdString(peer.URL("/static/plain.txt"))));
    ASSERT_TRUE(RunUntil([&] { return served("HEAD", "/static/plain.txt") == 1; }));
    settle();
    EXPECT_EQ(Field(ControlRole::SubjectField), "unchanged");

    // A source changed before the page came leaves the subject too (the site icon is known by
    // now: the one new GET is the title's).
    const int before = served("GET", "/static/home.html");
    Drop(Control(ControlRole::SourceField), Text(page));
    SetControlText(Control(ControlRole::SourceField), "typed meanwhile");
    ASSERT_TRUE(RunUntil([&] { return served("GET", "/static/home.html") == before + 1; }));
    settle();
    EXPECT_EQ(Field(ControlRole::SubjectField), "unchanged");
}

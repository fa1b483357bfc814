// The mailing window's three lists as a user meets them: the recipients list sorted by each
// column with names and addresses missing, files dropped on it (every card of a vCard file, a
// text file imported), the delivered list's cells, sorting and errors caption, and the
// attachments list's sizes, order, moved rows and dropped folders.
#include "MailingWindowFixture.h"

#include "CThread.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "Events.h"
#include "LThread.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <chrono>

namespace {

void WriteFile(const QString& inPath, const QByteArray& inBytes)
{
    QFile file(inPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(inBytes);
}

std::unique_ptr<QMimeData> FileDrag(const QStringList& inPaths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : inPaths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

class MailingWindowListsTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        window = new CBrevantoWindow();
        window->GetMainWindow()->show();
    }
    void TearDown() override
    {
        SetPreference(nullptr, CString256(kZipFoldersKey));
        MailingWindowTest::TearDown();
    }

    DataBrowser* List(ControlRole inRole) const { return qobject_cast<DataBrowser*>(window->Control(inRole)); }

    // The column's text of every row, in view order.
    QStringList Column(ControlRole inList, DataBrowserPropertyID inProperty) const
    {
        DataBrowser* list = List(inList);
        QStringList texts;
        for (DataBrowserItemID item : list->Model()->Items()) {
            DataBrowserItemData data;
            list->Callbacks().itemData(list, item, inProperty, data, false);
            texts.append(data.text);
        }
        return texts;
    }

    void ShowImported()
    {
        window->mRecipientsTab = 2;
        window->ShowImportedRecipients();
    }

    CBrevantoWindow* window = nullptr;
};

} // namespace

TEST_F(MailingWindowListsTest, RecipientsSortByEachColumnWithMissingValuesLast)
{
    // 1,000 recipients; every fifth lacks a first name, every seventh a last name, every third an
    // address; the rest vary in letter case.
    for (int index = 0; index < 1000; ++index) {
        const QByteArray first = index % 5 == 0 ? "" : QByteArray(index % 2 ? "ann" : "Bob") + QByteArray::number(index % 13);
        const QByteArray last = index % 7 == 0 ? "" : QByteArray(index % 3 ? "Lee" : "adams") + QByteArray::number(index % 11);
        const QByteArray email = index % 3 == 0 ? "" : "p" + QByteArray::number(1000 - index) + "@Example.org";
        window->mImported.Append(Person(first.constData(), last.constData(), email.constData()));
    }
    ShowImported();
    DataBrowser* list = List(ControlRole::RecipientsList);
    ASSERT_EQ(list->CountItems(), 1000u);
    const QStringList byIndex = Column(ControlRole::RecipientsList, 'indx');
    EXPECT_EQ(byIndex.mid(8, 3), QStringList({"9", "10", "11"})) << "numbers, not texts";

    for (DataBrowserPropertyID property : {DataBrowserPropertyID('fnme'), DataBrowserPropertyID('lnme'),
                                           DataBrowserPropertyID('mail')}) {
        list->SetSortProperty(property);
        const QStringList texts = Column(ControlRole::RecipientsList, property);
        const auto firstEmpty = std::find(texts.begin(), texts.end(), QString());
        EXPECT_TRUE(std::all_of(firstEmpty, texts.end(), [](const QString& inText) { return inText.isEmpty(); }))
            << "missing values last";
        EXPECT_TRUE(std::is_sorted(texts.begin(), firstEmpty, [](const QString& inA, const QString& inB) {
            return inA.compare(inB, Qt::CaseInsensitive) < 0;
        }));
    }

    // The send column: flagged recipients first (those with an address), each part by last name.
    list->SetSortProperty('send');
    const std::vector<DataBrowserItemID> order = list->Model()->Items();
    const auto flagged = [&](DataBrowserItemID inItem) { return (*window->mImportSendFlags)[inItem - 1]; };
    const auto firstUnflagged = std::find_if(order.begin(), order.end(), [&](DataBrowserItemID inItem) { return !flagged(inItem); });
    EXPECT_EQ(firstUnflagged - order.begin(), 666);
    EXPECT_TRUE(std::none_of(firstUnflagged, order.end(), flagged));
    EXPECT_TRUE(std::is_sorted(order.begin(), firstUnflagged, [&](DataBrowserItemID inA, DataBrowserItemID inB) {
        return window->CompareRecipientLastNames(inA, inB);
    }));
}

TEST_F(MailingWindowListsTest, DroppedFilesJoinTheImportedRecipients)
{
    window->mImported.Append(Person("Ann", "Able", "ann@example.org"));
    ShowImported();
    const QString cards = FolderPath("people.vcf");
    WriteFile(cards, "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Able;Ann;;;\r\nFN:Ann Able\r\nEMAIL:ann@example.org\r\nEND:VCARD\r\n"
                     "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Baker;Bob;;;\r\nFN:Bob Baker\r\n"
                     "EMAIL;TYPE=WORK:bob@work.example\r\nEMAIL;TYPE=HOME,pref:bob@home.example\r\nEND:VCARD\r\n"
                     "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Cole;Cy\r\nEND:VCARD\r\n");
    const QString text = FolderPath("more.txt");
    WriteFile(text, "Dee Dunn\tdee@example.org\n");
    const QString other = FolderPath("picture.png");
    WriteFile(other, "\x89PNG");

    DataBrowser* list = List(ControlRole::RecipientsList);
    const DataBrowserCallbacks& callbacks = list->Callbacks();
    QMimeData words;
    words.setText("ann@example.org");
    const QMimeData empty;
    EXPECT_FALSE(callbacks.acceptDrag(list, &words, 0));
    EXPECT_FALSE(callbacks.acceptDrag(list, FileDrag({FolderPath("gone.vcf")}).get(), 0));
    EXPECT_TRUE(callbacks.acceptDrag(list, &empty, 0));

    // Every card once: Ann is there already; the last card has no address.
    EXPECT_TRUE(callbacks.receiveDrag(list, FileDrag({cards}).get(), 0));
    ASSERT_EQ(window->mImported.Count(), 3);
    EXPECT_EQ(window->mImported.At(1)->Email(), "bob@home.example") << "the primary address";
    EXPECT_EQ(window->mImported.At(2)->CopyFullName(), "Cy Cole");
    EXPECT_EQ(list->CountItems(), 3u);
    EXPECT_EQ(window->CountFlaggedRecipients(), 2);
    EXPECT_TRUE(callbacks.receiveDrag(list, FileDrag({cards}).get(), 0));
    EXPECT_EQ(window->mImported.Count(), 3) << "a second drop adds nothing";

    EXPECT_FALSE(callbacks.receiveDrag(list, FileDrag({other}).get(), 0));
    EXPECT_TRUE(callbacks.receiveDrag(list, FileDrag({text}).get(), 0));
    ASSERT_TRUE(LThread::WaitUntil([] { return gThreadList.Count() == 0; }, DeadlineAfter(std::chrono::minutes(1))));
    EXPECT_EQ(window->mImported.Count(), 4) << "the text file is appended";
    EXPECT_EQ(window->mImported.At(3)->Email(), "dee@example.org");
}

TEST_F(MailingWindowListsTest, DeliveredListShowsSortsAndCountsErrors)
{
    const struct {
        const char* last;
        UInt16 retries;
        SInt32 errorCode;
        const char* errorText;
    } results[] = {{"Cole", 2, 550, "b: mailbox unavailable"}, {"Able", 0, 0, "None"}, {"Baker", 1, 451, "A: try later"}};
    for (const auto& result : results) {
        DeliveredRecipient record;
        record.lastName = result.last;
        record.retries = result.retries;
        record.errorCode = result.errorCode;
        record.errorText = CString256(result.errorText);
        window->deliveredList.Append(record);
        window->RefreshDeliveredList(0);
    }
    ControlRef caption = window->Control(ControlRole::ErrorCountCaption);
    EXPECT_EQ(CopyControlTitleAsCFString(caption), "2 errors");
    EXPECT_EQ(Column(ControlRole::DeliveredList, 'rtry'), QStringList({"2", "0", "1"}));

    DataBrowser* list = List(ControlRole::DeliveredList);
    list->SetSortProperty('rtry');
    EXPECT_EQ(Column(ControlRole::DeliveredList, 'lnme'), QStringList({"Able", "Baker", "Cole"}));
    list->SetSortProperty('erro');
    EXPECT_EQ(Column(ControlRole::DeliveredList, 'erro'),
              QStringList({"A: try later", "b: mailbox unavailable", "None"}));

    // A new run starts from an empty list.
    window->deliveredList.RemoveAll();
    window->RefreshDeliveredList(0);
    EXPECT_EQ(CopyControlTitleAsCFString(caption), "0 errors");
    DeliveredRecipient failed;
    failed.errorCode = 554;
    window->deliveredList.Append(failed);
    window->RefreshDeliveredList(1);
    EXPECT_EQ(CopyControlTitleAsCFString(caption), "1 error");
    EXPECT_EQ(list->CountItems(), 1u);
}

TEST_F(MailingWindowListsTest, AttachmentsShowSizesSortMoveAndTakeFolders)
{
    QDir().mkpath(FolderPath("folder/inner"));
    WriteFile(FolderPath("b.txt"), QByteArray(1000, 'x'));
    WriteFile(FolderPath("A.txt"), QByteArray(1001, 'x'));
    WriteFile(FolderPath("c.txt"), QByteArray(2999, 'x'));
    for (const char* name : {"b.txt", "A.txt", "c.txt", "folder", "gone.txt"})
        window->AppendAttachmentPath(FolderPath(name));
    window->RefreshAttachmentsList();
    EXPECT_EQ(Column(ControlRole::AttachmentsList, 'size'), QStringList({"1000 bytes", "1 KB", "2 KB", "-", "-"}));
    EXPECT_EQ(Column(ControlRole::AttachmentsList, 'name'), QStringList({"b.txt", "A.txt", "c.txt", "folder", "gone.txt"}));

    DataBrowser* list = List(ControlRole::AttachmentsList);
    list->SetSortProperty('name');
    EXPECT_EQ(Column(ControlRole::AttachmentsList, 'name'), QStringList({"A.txt", "b.txt", "c.txt", "folder", "gone.txt"}));
    list->SetSortProperty('size');
    EXPECT_EQ(Column(ControlRole::AttachmentsList, 'name').mid(3), QStringList({"A.txt", "c.txt"}));
    list->SetSortProperty('indx');

    // Row 1 dragged onto row 3 of four: they change places.
    window->mAttachmentPaths.removeOne(FolderPath("gone.txt"));
    window->RefreshAttachmentsList();
    auto row = std::make_unique<QMimeData>();
    list->Callbacks().addDragItem(list, 1, row.get());
    ASSERT_TRUE(list->Callbacks().acceptDrag(list, row.get(), 3));
    EXPECT_TRUE(list->Callbacks().receiveDrag(list, row.get(), 3));
    EXPECT_EQ(Column(ControlRole::AttachmentsList, 'name'), QStringList({"c.txt", "A.txt", "b.txt", "folder"}));

    // A dropped folder gives its visible files; with folders zipped, itself.
    window->ClearAttachments();
    WriteFile(FolderPath("folder/one.txt"), "1");
    WriteFile(FolderPath("folder/.hidden"), "2");
    EXPECT_TRUE(list->Callbacks().receiveDrag(list, FileDrag({FolderPath("folder")}).get(), 0));
    EXPECT_EQ(Column(ControlRole::AttachmentsList, 'name'), QStringList({"one.txt"}));
    SetPreference("true", CString256(kZipFoldersKey));
    EXPECT_TRUE(list->Callbacks().receiveDrag(list, FileDrag({FolderPath("folder")}).get(), 0));
    EXPECT_EQ(Column(ControlRole::AttachmentsList, 'name'), QStringList({"one.txt", "folder"}));

    // The remove button follows the selection.
    ControlRef remove = window->Control(ControlRole::RemoveAttachmentButton);
    list->SelectAll();
    EXPECT_TRUE(IsControlEnabled(remove));
    list->SelectNone();
    EXPECT_FALSE(IsControlEnabled(remove));
}

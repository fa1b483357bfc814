// The mailing window's Address Book source over a contacts folder: the groups popup (nameless
// groups first, "All" last), the chosen group's people as recipients with their flags, the Me
// card's addresses, the merge values of a card, add-to-group imports, and the refresh when the
// folder changes.
#include "MailingWindowFixture.h"

#include "AddressBookAccess.h"
#include "ApplicationDocuments.h"
#include "ContactsFolder.h"
#include "ContactsStore.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "Launcher.h"
#include "CThread.h"
#include "Events.h"
#include "LThread.h"
#include "SystemLookups.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <chrono>

namespace {

void WriteFile(const QString& inPath, const QByteArray& inBytes)
{
    QFile file(inPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(inBytes);
}

void WriteCard(const char* inFile, const QByteArray& inProperties)
{
    QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\n" + inProperties;
    card.replace("\n", "\r\n").replace("\r\r\n", "\r\n");
    WriteFile(ContactsFolder::Path() + "/" + inFile, card + "END:VCARD\r\n");
}

QStringList PopupItems(ControlRef inPopup)
{
    QStringList items;
    for (SInt32 item = 1; item <= CountPopupItems(inPopup); ++item)
        items.append(IsPopupItemSeparator(inPopup, item) ? QStringLiteral("-") : GetPopupItemText(inPopup, item));
    return items;
}

class AddressBookRecipientsTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        QDir(ContactsFolder::Path()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(ContactsFolder::Path()));
        SetPreference(nullptr, CString256(kMeCardKey));
        WriteCard("g1.vcf", "UID:g-beta\nKIND:group\nFN:beta\n");
        WriteCard("g2.vcf", "UID:g-alpha\nKIND:group\nFN:Alpha\n");
        WriteCard("g3.vcf", "UID:g-none\nKIND:group\n");
        WriteCard("g4.vcf", "UID:g-inner\nKIND:group\nFN:Inner\nCATEGORIES:Alpha\n");
        WriteCard("p1.vcf", "UID:p-c\nN:Cole;Carl;;;\nFN:Carl Cole\nEMAIL;TYPE=WORK:carl@work.example\n"
                            "CATEGORIES:Inner,Alpha\n");
        WriteCard("p2.vcf", "UID:p-a\nN:Able;Ann;Beth;Dr.;Jr.\nFN:Ann Able\nEMAIL;TYPE=HOME:ann@home.example\n"
                            "CATEGORIES:Alpha\nADR;TYPE=HOME:;;1 Elm St;Springfield;IL;62701;USA\n"
                            "TEL;TYPE=CELL:555-0101\nNOTE:Likes tea\nNICKNAME:Annie\nTITLE:Boss\nBDAY:1976-07-04\n");
        WriteCard("p3.vcf", "UID:p-b\nN:Baker;Bob;;;\nFN:Bob Baker\nCATEGORIES:beta\n");
        WriteCard("p4.vcf", "UID:p-me\nN:Me;Mia;;;\nFN:Mia Me\nEMAIL:mia1@me.example\nEMAIL:mia2@me.example\n"
                            "EMAIL:mia3@me.example\n");
        ContactsStore::Shared().Reload();
    }
    void TearDown() override
    {
        MailingWindowTest::TearDown();
        // Later tests start from an empty address book, as they would on a fresh machine.
        SetPreference(nullptr, CString256(kMeCardKey));
        QDir(ContactsFolder::Path()).removeRecursively();
        ContactsStore::Shared().Reload();
    }

    CBrevantoWindow* NewWindow()
    {
        auto* window = new CBrevantoWindow();
        window->GetMainWindow()->show();
        return window;
    }

    static void Choose(CBrevantoWindow* inWindow, ControlRole inPopup, SInt32 inValue)
    {
        SetControl32BitValue(inWindow->Control(inPopup), inValue);
        if (inPopup == ControlRole::GroupPopup)
            inWindow->ApplyGroupSelection();
    }

    static QStringList Recipients(CBrevantoWindow* inWindow)
    {
        QStringList recipients;
        for (SInt32 index = 0; index < inWindow->CountRecipients(); ++index) {
            const bool flagged = (*inWindow->mABSendFlags)[size_t(index)];
            recipients.append(inWindow->GetRecipientFirstName(index) + " " + inWindow->GetRecipientLastName(index) +
                              " <" + inWindow->GetRecipientEmail(index) + ">" + (flagged ? "+" : "-"));
        }
        return recipients;
    }
};

bool WaitForThreads()
{
    return LThread::WaitUntil([] { return gThreadList.Count() == 0; }, DeadlineAfter(std::chrono::minutes(1)));
}

} // namespace

TEST_F(AddressBookRecipientsTest, GroupsPopupListsNamelessGroupsFirstAndAllLast)
{
    CBrevantoWindow* window = NewWindow();
    ControlRef popup = window->Control(ControlRole::GroupPopup);
    EXPECT_EQ(PopupItems(popup), QStringList({"No Group Name?", "Alpha", "beta", "Inner", "-", "All"}));
    EXPECT_FALSE(IsPopupItemEnabled(popup, 1));

    ContactsRecord unnamed(VCard{});
    ContactsStore& store = ContactsStore::Shared();
    const struct {
        const ContactsRecord* a;
        const ContactsRecord* b;
        int expected;
    } cases[] = {
        {&unnamed, store.FindByUID("g-alpha"), -1},
        {store.FindByUID("g-alpha"), &unnamed, 1},
        {&unnamed, store.FindByUID("g-none"), 0},
        {store.FindByUID("g-beta"), store.FindByUID("g-alpha"), 1},
        {store.FindByUID("g-alpha"), store.FindByUID("g-inner"), -1},
    };
    for (const auto& one : cases)
        EXPECT_EQ(CBrevantoWindow::CompareGroupsByName(one.a, one.b), one.expected);
}

TEST_F(AddressBookRecipientsTest, TheChosenGroupsPeopleAreTheRecipientsOfTabOne)
{
    CBrevantoWindow* window = NewWindow();
    window->mRecipientsTab = 1;
    Choose(window, ControlRole::AddressTypePopup, 1); // primary
    Choose(window, ControlRole::GroupPopup, 2);
    EXPECT_EQ(window->GetGroupName(), "Alpha");
    // Members before the subgroup's, each once, ordered by unique ID.
    EXPECT_EQ(Recipients(window), QStringList({"Ann Able <ann@home.example>+", "Carl Cole <carl@work.example>+"}));
    QString name;
    QString email;
    window->GetRecipientNameAndAddress(CBrevantoWindow::ERecipientSource::addressBook, 1, name, email);
    EXPECT_EQ(name + "|" + email, "Carl Cole|carl@work.example");

    // The same group again keeps the flags where they are; another group starts afresh.
    (*window->mABSendFlags)[0] = false;
    Choose(window, ControlRole::GroupPopup, 2);
    EXPECT_EQ(window->CountFlaggedRecipients(), 1);
    Choose(window, ControlRole::AddressTypePopup, 5); // work
    Choose(window, ControlRole::GroupPopup, 6);       // All
    EXPECT_TRUE(window->GetGroupName().isNull());
    EXPECT_EQ(Recipients(window), QStringList({"Ann Able <>-", "Bob Baker <>-", "Carl Cole <carl@work.example>+",
                                               "Mia Me <>-"}));
    EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::GroupCountCaption)), "1/4");

    // The separator, or a value past the groups, picks the first group (here the nameless one).
    Choose(window, ControlRole::GroupPopup, 5);
    EXPECT_EQ(GetControl32BitValue(window->Control(ControlRole::GroupPopup)), 1);
    EXPECT_EQ(window->CountRecipients(), 0);
    EXPECT_FALSE(window->mABSendFlags.has_value());
}

TEST_F(AddressBookRecipientsTest, MeCardPopupListsTheFirstAddressThenTheOthersFromTheLast)
{
    CBrevantoWindow* without = NewWindow();
    ControlRef popup = without->Control(ControlRole::FromMeAtPopup);
    EXPECT_EQ(PopupItems(popup), QStringList({"No \"My Card\" in Address Book"}));
    EXPECT_FALSE(IsPopupItemEnabled(popup, 1));

    SetPreference("p-me", CString256(kMeCardKey));
    without->RefreshFromAddressBook();
    EXPECT_EQ(PopupItems(popup), QStringList({"mia1@me.example", "mia3@me.example", "mia2@me.example"}));
    SetControl32BitValue(popup, 2);
    without->UpdateSenderCaption(true);
    EXPECT_EQ(QString::fromUtf8(without->SenderText().text), "Mia Me <mia3@me.example>");
}

TEST_F(AddressBookRecipientsTest, MergeValuesComeFromTheRecipientsCardOrImportedRecord)
{
    CBrevantoWindow* window = NewWindow();
    window->mRecipientsTab = 1;
    Choose(window, ControlRole::GroupPopup, 2);
    window->mMergeRecipient.index = 0; // Ann
    CText text("{HomeAddressStreet}|{HomeAddressCity}|{HomeAddressZip}|{PhoneMobile}|{OtherNote}|"
               "{OtherNickname}|{OtherJobTitle}|{OtherMiddleName}|{OtherPrefix}|{OtherSuffix}|{UID}|"
               "{DateBirthday}|{Email=home}|{WorkAddressCity}");
    window->ExpandMergeTags(text);
    EXPECT_STREQ(text.buffer, "1 Elm St|Springfield|62701|555-0101|Likes tea|Annie|Boss|Beth|Dr.|Jr.|p-a|7-4-1976|"
                              "ann@home.example|");

    Person::Columns columns{{"Email Address", "c@x.example"}, {"Company", "Acme"}};
    window->mImported.Append(Person("a", "b", "a@x.example"));
    window->mImported.Append(Person("b", "c", "b@x.example"));
    window->mImported.Append(Person(columns));
    window->mRecipientsTab = 2;
    window->mMergeRecipient.index = 2;
    CText imported("{UID}|{PhoneMobile}|{ImportFileTag=Company}|{ImportFileTag=Missing}");
    window->ExpandMergeTags(imported);
    EXPECT_STREQ(imported.buffer, "2||Acme|{ImportFileTag=Missing}");
}

TEST_F(AddressBookRecipientsTest, AddToGroupImportPutsEveryoneIntoANewGroupNamedAfterTheFile)
{
    const QString path = FolderPath("club.csv");
    WriteFile(path, "!!First Name,Last Name,Email Address,Company\n"
                    "Ann,Able,ann@new.example,Acme\n"
                    "New,Person,new@p.example,Beta\n"
                    ",,lone@p.example,\n");
    CBrevantoWindow* window = NewWindow();
    window->StartFileImport(path, true, true);
    ASSERT_TRUE(WaitForThreads());
    EXPECT_EQ(window->mImported.Count(), 3);

    ContactsStore& store = ContactsStore::Shared();
    EXPECT_FALSE(store.HasUnsavedChanges());
    const ContactsRecord* group = FindGroupNamed("club.csv");
    ASSERT_NE(group, nullptr);
    QStringList members;
    for (const ContactsRecord* member : CopyGroupMembersDeep(group))
        members.append(GetRecordFirstLastName(member) + "|" + GetRecordEmailForType(nullptr, member, 'ALL ') + "|" +
                       GetRecordValue(member, "NOTE"));
    // Ann's card is the existing one, unchanged; the others are new, noting their columns.
    EXPECT_EQ(members, QStringList({"Ann Able|ann@home.example|Likes tea",
                                    "New Person|new@p.example|Company = Beta\nEmail Address = new@p.example\n"
                                    "First Name = New\nLast Name = Person\n",
                                    "|lone@p.example|Company = \nEmail Address = lone@p.example\n"
                                    "First Name = \nLast Name = \n"}));
    EXPECT_TRUE(QFileInfo::exists(store.FilePath(*group)));
    // The window follows: the new group is offered.
    EXPECT_TRUE(PopupItems(window->Control(ControlRole::GroupPopup)).contains("club.csv"));

    // A second import under a group name that exists makes no group and no people.
    const size_t people = store.People().size();
    QDir().mkpath(FolderPath("again"));
    const QString again = FolderPath("again/CLUB.csv");
    WriteFile(again, "Third One\tthird@p.example\n");
    window->StartFileImport(again, true, false);
    ASSERT_TRUE(WaitForThreads());
    EXPECT_EQ(window->mImported.Count(), 4);
    EXPECT_EQ(store.People().size(), people);
}

TEST_F(AddressBookRecipientsTest, ActivationRereadsAChangedFolderIntoEveryWindow)
{
    CBrevantoWindow* window = NewWindow();
    window->mRecipientsTab = 1;
    Choose(window, ControlRole::GroupPopup, 2); // Alpha
    AddressBookChangedSince();                  // the stamp as it is now
    WriteCard("g0.vcf", "UID:g-aardvark\nKIND:group\nFN:Aardvark\n"); // sorts before Alpha
    WriteCard("p5.vcf", "UID:p-d\nN:Dunn;Dee;;;\nFN:Dee Dunn\nEMAIL:dee@example.org\nCATEGORIES:Alpha\n");
    QFile card(ContactsFolder::Path() + "/p5.vcf");
    ASSERT_TRUE(card.open(QIODevice::ReadWrite));
    ASSERT_TRUE(card.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    card.close();

    RefreshWindowsOnActivate();
    EXPECT_EQ(window->GetGroupName(), "Alpha") << "the chosen group stays chosen where it moved";
    EXPECT_EQ(GetControl32BitValue(window->Control(ControlRole::GroupPopup)), 3);
    EXPECT_EQ(Recipients(window), QStringList({"Ann Able <ann@home.example>+", "Carl Cole <carl@work.example>+",
                                               "Dee Dunn <dee@example.org>+"}));
}

namespace {
// Records what would have been opened instead of opening it.
class RecordingLauncher : public Launcher {
public:
    bool Open(const QString& inPathOrURL) override
    {
        opened.append(inPathOrURL);
        return true;
    }
    QStringList opened;
};
} // namespace

TEST_F(AddressBookRecipientsTest, AGroupsPeopleAreShownNotEditedAndOpenTheirCard)
{
    CBrevantoWindow* window = NewWindow();
    window->mRecipientsTab = 1;
    Choose(window, ControlRole::GroupPopup, 2); // Alpha: Ann, Carl
    auto* list = qobject_cast<DataBrowser*>(window->Control(ControlRole::RecipientsList));
    ASSERT_EQ(list->CountItems(), 2u);
    DataBrowserItemData editable;
    ASSERT_EQ(list->Callbacks().itemData(list, 1, kDataBrowserItemIsEditableProperty, editable, false), noErr);
    EXPECT_FALSE(editable.boolean);
    DataBrowserItemData name;
    name.text = "Changed";
    EXPECT_NE(list->Callbacks().itemData(list, 1, 'fnme', name, true), noErr);
    EXPECT_EQ(window->GetRecipientFirstName(0), "Ann");

    RecordingLauncher launcher;
    Launcher::Install(&launcher);
    list->Callbacks().notification(list, 2, kDataBrowserItemDoubleClicked);
    Launcher::Install(nullptr);
    EXPECT_EQ(launcher.opened, QStringList({ContactsFolder::Path() + "/p1.vcf"})) << "Carl's card";
}

// The mail programs' script results as the importers read them, the Entourage group sheet
// filled by a stand-in groups script, and the Entourage and Mail imports run against stand-in
// scripts, a real contacts folder and a verbose log.
#include "MailingWindowFixture.h"

#include "AddressBookAccess.h"
#include "AppleScriptRunner.h"
#include "CEnvironment.h"
#include "CLogFile.h"
#include "CThread.h"
#include "CommandRouter.h"
#include "ContactsFolder.h"
#include "ContactsStore.h"
#include "ControlValues.h"
#include "LThread.h"
#include "PrivateHome.h"
#include "ScriptResultLists.h"
#include "ScriptRunner.h"
#include "WindowEvents.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QWidget>

#include <chrono>

namespace {

void WriteScript(const QString& inPath, const QByteArray& inBody)
{
    QFile file(inPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + inBody);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QStringList PopupItems(ControlRef inPopup)
{
    QStringList items;
    for (SInt32 item = 1; item <= CountPopupItems(inPopup); ++item)
        items << (IsPopupItemSeparator(inPopup, item) ? QStringLiteral("-") : GetPopupItemText(inPopup, item));
    return items;
}

class EntourageGroupsTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        ScriptRunner::SetScriptsFolder(mFolder.path());
        mWindow = new CBrevantoWindow();
        mPopup = mWindow->Control(ControlRole::EntourageGroupPopup);
    }
    void TearDown() override
    {
        MailingWindowTest::TearDown();
        ScriptRunner::SetScriptsFolder(QString());
    }

    CBrevantoWindow* mWindow = nullptr;
    ControlRef mPopup = nullptr;
};

} // namespace

TEST(ScriptResultLists, QuotedItemsKeepTheirCommasQuotesAndPlaces)
{
    struct Case {
        const char* result;
        QStringList items;
    } cases[] = {
        {R"({"Friends", "Work, Inc.", "Team \"A\"", "back\\slash"})", {"Friends", "Work, Inc.", "Team \"A\"", "back\\slash"}},
        {R"({"a@x.test", "", "b@x.test"})", {"a@x.test", "", "b@x.test"}},
        {R"({"brace } inside", "x"} {"after"})", {"brace } inside", "x"}},
        {"{}", {}},
        {"no list", {}},
        {R"(before "q" {unquoted, "kept"})", {"kept"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseScriptList(QString::fromUtf8(c.result)), c.items) << c.result;

    QString first, last;
    SplitNameAtLastBlank("Robert \"Bob\" Smith", &first, &last);
    EXPECT_EQ(first, "Robert \"Bob\"");
    EXPECT_EQ(last, "Smith");
    SplitNameAtLastBlank("Cher", &first, &last);
    EXPECT_EQ(first, "Cher");
    EXPECT_TRUE(last.isEmpty());
}

TEST(ScriptResultLists, MailLinesGiveNamesAndAddresses)
{
    const std::vector<MailSelectionPerson> people = ParseMailSelection(
        "Mary Ann Lee <mary@x.test>\rAnn <ann@x.test>\n<only@x.test>\r\nbare@x.test\n\nA  B <ab@x.test>, C <c@x.test>\n");
    struct Expected {
        const char* first;
        const char* last;
        const char* email;
    } expected[] = {
        {"Mary Ann", "Lee", "mary@x.test"}, {"Ann", "", "ann@x.test"}, {"<only@x.test>", "", "only@x.test"},
        {"bare@x.test", "", "bare@x.test"}, {"", "", ""},
        // A list result joined with ", " is one line: one record.
        {"A  B <ab@x.test>,", "C", "c@x.test"}, {"", "", ""},
    };
    ASSERT_EQ(people.size(), std::size(expected));
    for (size_t index = 0; index < people.size(); ++index) {
        EXPECT_EQ(people[index].firstName, expected[index].first) << index;
        EXPECT_EQ(people[index].lastName, expected[index].last) << index;
        EXPECT_EQ(people[index].email, expected[index].email) << index;
    }
}

TEST_F(EntourageGroupsTest, GroupsFillThePopupAndTheWindowsGroupIsChosen)
{
    WriteScript(FolderPath("GetEntourageGroups"),
                R"(printf '%s' '{"Friends", "Work, Inc.", "Team \"A\"", "Friends"}')");
    mWindow->mEntourageGroup = "team \"a\"";
    ASSERT_EQ(mWindow->ShowEntourageGroups(), noErr);
    EXPECT_EQ(PopupItems(mPopup), (QStringList {"Friends", "Work, Inc.", "Team \"A\"", "-", "All"}));
    EXPECT_EQ(GetControl32BitValue(mPopup), 3);
    EXPECT_TRUE(IsControlEnabled(mPopup));
    EXPECT_FALSE(IsControlVisible(mWindow->Control(ControlRole::EntourageCaption)));
    EXPECT_FALSE(IsControlVisible(mWindow->Control(ControlRole::EntourageArrows)));

    // No groups: the items stay and "All" comes once more, chosen.
    WriteScript(FolderPath("GetEntourageGroups"), "printf '{}'");
    ASSERT_EQ(mWindow->ShowEntourageGroups(), noErr);
    EXPECT_EQ(PopupItems(mPopup), (QStringList {"Friends", "Work, Inc.", "Team \"A\"", "-", "All", "All"}));
    EXPECT_EQ(GetControl32BitValue(mPopup), 6);

    for (const QByteArray& body : {QByteArray("exit 3"), QByteArray()}) {
        if (body.isEmpty())
            QFile::remove(FolderPath("GetEntourageGroups"));
        else
            WriteScript(FolderPath("GetEntourageGroups"), body);
        const int beeps = mPresenter->Beeps();
        EXPECT_NE(mWindow->ShowEntourageGroups(), noErr);
        EXPECT_EQ(mPresenter->Beeps(), beeps + 1);
        EXPECT_FALSE(IsControlEnabled(mPopup));
        ControlRef caption = mWindow->Control(ControlRole::EntourageCaption);
        EXPECT_TRUE(IsControlVisible(caption));
        EXPECT_EQ(CopyControlTitleAsCFString(caption), "Entourage groups could not be loaded.");
        EXPECT_EQ(CountPopupItems(mPopup), 6);
    }
}

namespace {

// A window with the import scripts' folder, a private contacts folder and a verbose log.
class RecipientImportTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        ASSERT_TRUE(mHome.IsValid());
        ContactsStore::Shared().Reload();
        ScriptRunner::SetScriptsFolder(mFolder.path());
        SetPingSound([] {});
        mEnvironment = std::make_unique<CEnvironment>();
        gEnvironment = mEnvironment.get();
        mLog = std::make_unique<CLogFile>(mEnvironment->version, mEnvironment->dateStampLogEntries);
        ASSERT_EQ(mLog->Open(FolderPath("Brevanto.log").toUtf8().constData()), 0);
        mEnvironment->logFile = mLog.get();
        mEnvironment->verboseLogging = 1;
        mWindow = new CBrevantoWindow();
        mWindow->GetMainWindow()->show();
        mWindow->mImported.Append(Person("Old", "Entry", "old@x.test"));
    }
    void TearDown() override
    {
        MailingWindowTest::TearDown();
        SetPreference(nullptr, CString256(kEliminateDuplicatesKey));
        mEnvironment->logFile = nullptr;
        gEnvironment = nullptr;
        mLog.reset();
        mEnvironment.reset();
        SetPingSound({});
        ScriptRunner::SetScriptsFolder(QString());
    }

    // The two scripts of a group ("All": the all-contacts ones), each printing its list.
    void WriteGroupScripts(const char* inGroupGuard, const QByteArray& inAddresses, const QByteArray& inNames,
                           bool inAll = false)
    {
        const QString prefix = inAll ? "GetAllEntourage" : "GetEntourageGroup";
        WriteScript(FolderPath(prefix + "Addresses"), QByteArray(inGroupGuard) + "\nprintf '%s' '" + inAddresses + "'\n");
        WriteScript(FolderPath(prefix + "Names"), QByteArray(inGroupGuard) + "\nprintf '%s' '" + inNames + "'\n");
    }
    void ImportGroup(const QString& inGroup, bool inAddToGroup = false)
    {
        mWindow->mEntourageGroup = inGroup;
        mWindow->StartEntourageImport(inAddToGroup);
        ASSERT_TRUE(WaitForImports());
    }
    static bool WaitForImports()
    {
        return LThread::WaitUntil([] { return gThreadList.Count() == 0; }, DeadlineAfter(std::chrono::minutes(2)));
    }
    QStringList People() const
    {
        QStringList people;
        for (SInt32 index = 0; index < mWindow->mImported.Count(); ++index) {
            const Person* person = mWindow->mImported.At(index);
            people << person->FirstName() + "|" + person->LastName() + "|" + person->Email();
        }
        return people;
    }
    QString Caption(ControlRole inRole) const { return CopyControlTitleAsCFString(mWindow->Control(inRole)); }
    QString LogText() const
    {
        QFile file(FolderPath("Brevanto.log"));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }
    // The members of a group as a store reading the contacts folder afresh sees them.
    static QStringList MemberNames(const ContactsStore& inStore, const ContactsRecord* inGroup)
    {
        QStringList names;
        if (!inGroup)
            return names;
        for (const ContactsRecord* person : inStore.Members(*inGroup))
            names << GetRecordFirstLastName(person);
        names.sort();
        return names;
    }

    PrivateHome mHome;
    std::unique_ptr<CEnvironment> mEnvironment;
    std::unique_ptr<CLogFile> mLog;
    CBrevantoWindow* mWindow = nullptr;
};

} // namespace

TEST_F(RecipientImportTest, GroupNameReachesTheScriptsAsDataAndNamesPairWithAddresses)
{
    // The stand-ins answer only when their one argument is exactly the group's name.
    WriteGroupScripts(R"([ $# -eq 1 ] && [ "$1" = 'Team "A", Inc.' ] || exit 1)",
                      R"({"bob@x.test", "", "cher@x.test"})", R"({"Robert \"Bob\" Smith", "Nobody", "Cher"})");
    // Chosen in the group sheet: OK takes the popup's item and forgets the import file.
    mWindow->mImportPath = FolderPath("earlier.txt");
    ControlRef popup = mWindow->Control(ControlRole::EntourageGroupPopup);
    mWindow->FillEntourageGroupsMenu({"Friends", "Team \"A\", Inc."});
    SetControl32BitValue(popup, 2);
    ASSERT_TRUE(CommandRouter::Get().SendWindowCommand(mWindow->Window(CBrevantoWindow::ENibWindow::entourageGroup),
                                                       'ok  '));
    ASSERT_TRUE(WaitForImports());
    EXPECT_EQ(People(), (QStringList {"Robert \"Bob\"|Smith|bob@x.test", "Nobody||", "Cher||cher@x.test"}));
    EXPECT_TRUE(mWindow->mImportPath.isEmpty());
    EXPECT_EQ(mWindow->mRecipientsTab, 2);
    EXPECT_EQ(Caption(ControlRole::ImportStatusCaption), "(Imported 3 of 3)");
    EXPECT_EQ(Caption(ControlRole::ImportSourceCaption), "Entourage Group: Team \"A\", Inc. (3 recipients)");
    EXPECT_FALSE(IsControlVisible(mWindow->Control(ControlRole::ImportStopButton)));
    EXPECT_TRUE(IsProgressIndeterminate(mWindow->Control(ControlRole::ImportProgressBar)));

    // "All", in any case, runs the all-contacts scripts without an argument.
    WriteGroupScripts("[ $# -eq 0 ] || exit 1", R"({"zed@x.test"})", R"({"Zed"})", true);
    ImportGroup("aLL");
    EXPECT_EQ(People(), QStringList {"Zed||zed@x.test"});
    EXPECT_TRUE(LogText().contains("Loading recipients from Entrourage group: aLL"));
}

TEST_F(RecipientImportTest, EntourageFailuresAlertAndKeepTheList)
{
    const struct {
        const char* group;
        const char* addresses; // null: no script
        const char* names;
        const char* alert;
    } cases[] = {
        {"", "{}", "{}", "The Entourage group name is empty."},
        {"G", "exit 2", "{}", "An error was encountered obtaining recipient addresses."},
        {"G", "{\"a@x.test\"}", nullptr, "An error was encountered obtaining recipient names."},
        {"G", "{\"a@x.test\"}", "{\"Ann\", \"Bo\"}", "The number and names and addresses does not match."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.alert);
        QFile::remove(FolderPath("GetEntourageGroupNames"));
        const auto body = [](const char* inList) {
            return QByteArray(inList).startsWith('{') ? "printf '%s' '" + QByteArray(inList) + "'" : QByteArray(inList);
        };
        WriteScript(FolderPath("GetEntourageGroupAddresses"), body(c.addresses));
        if (c.names)
            WriteScript(FolderPath("GetEntourageGroupNames"), body(c.names));
        mPresenter->QueueAlert(1);
        const int beeps = mPresenter->Beeps();
        ImportGroup(c.group);
        ASSERT_FALSE(mPresenter->Requests().empty());
        EXPECT_EQ(mPresenter->Requests().back().message, QString("Loading Entourage Group Contacts: ") + c.alert);
        EXPECT_EQ(mPresenter->Requests().back().kind, ScriptedPresenter::Kind::alert) << "modal, not a sheet";
        EXPECT_EQ(mPresenter->Beeps(), beeps + 2) << "the alert's and the stop's";
        EXPECT_EQ(People(), QStringList {"Old|Entry|old@x.test"});
        EXPECT_EQ(Caption(ControlRole::ImportStatusCaption), "Entourage import stopped.");
        EXPECT_TRUE(IsControlVisible(mWindow->Control(ControlRole::ImportSourceCaption)));
    }
}

TEST_F(RecipientImportTest, DuplicatesAreCountedAndLoggedAndTheGroupIsNewOrUnused)
{
    SetPreference("true", CString256(kEliminateDuplicatesKey));
    WriteGroupScripts("", R"({"ann@x.test", "ann@x.test", "bo@x.test"})", R"({"Ann Lee", "Ann Lee", "Bo"})");
    ImportGroup("Club", true);
    EXPECT_EQ(People(), (QStringList {"Ann|Lee|ann@x.test", "Bo||bo@x.test"}));
    EXPECT_EQ(Caption(ControlRole::ImportStatusCaption), "(Imported 3 of 3; 1 duplicates)");
    const QString log = LogText();
    for (const char* line : {"The following 1 duplicates were encountered:", "AnnLee <ann@x.test>", "Done!"})
        EXPECT_TRUE(log.contains(line)) << line;
    // The group card and its members are written to the contacts folder.
    {
        const ContactsStore saved(ContactsFolder::Path());
        const ContactsRecord* club = saved.FindGroupNamed("Club");
        ASSERT_NE(club, nullptr);
        EXPECT_EQ(MemberNames(saved, club), (QStringList {"Ann Lee", "Bo"}));
    }

    // A group of that name already there is not filled.
    WriteGroupScripts("", R"({"cy@x.test"})", R"({"Cy Young"})");
    ImportGroup("club", true);
    EXPECT_EQ(People(), QStringList {"Cy|Young|cy@x.test"});
    const ContactsStore saved(ContactsFolder::Path());
    EXPECT_EQ(saved.FindPersonNamed("Cy", "Young"), nullptr);
    EXPECT_EQ(MemberNames(saved, saved.FindGroupNamed("Club")), (QStringList {"Ann Lee", "Bo"}));
}

TEST_F(RecipientImportTest, StopButtonAbandonsWhileParsingAndKeepsWhatWasLoaded)
{
    // A thousand people: "P 1" <p1@x.test> and on.
    for (const char* which : {"Addresses", "Names"}) {
        const QByteArray item = QByteArray(which) == "Names" ? R"("P %d", )" : R"("p%d@x.test", )";
        WriteScript(FolderPath(QString("GetEntourageGroup") + which),
                    "printf '{'; i=1; while [ $i -le 1000 ]; do printf '" + item + "' $i; i=$((i+1)); done; printf '}'");
    }
    ImportGroup("Many");
    ASSERT_EQ(mWindow->mImported.Count(), 1000);
    EXPECT_EQ(Caption(ControlRole::ImportStatusCaption), "(Imported 1000 of 1000)");
    EXPECT_EQ(mWindow->GetRecipientEmail(999), "p1000@x.test");

    const auto stopWhen = [this](const QString& inStatusStart) {
        mWindow->StartEntourageImport(false);
        ASSERT_TRUE(LThread::WaitUntil([&] { return Caption(ControlRole::ImportStatusCaption).startsWith(inStatusStart); },
                                       DeadlineAfter(std::chrono::minutes(1))));
        ASSERT_TRUE(CommandRouter::Get().SendControlCommand(mWindow->Control(ControlRole::ImportStopButton), 'SipT'));
        ASSERT_TRUE(WaitForImports());
    };
    mWindow->mImported.RemoveAll();
    mWindow->mImported.Append(Person("Old", "Entry", "old@x.test"));
    const int beeps = mPresenter->Beeps();
    stopWhen("Preprocessing, address index: ");
    EXPECT_EQ(People(), QStringList {"Old|Entry|old@x.test"});
    EXPECT_EQ(Caption(ControlRole::ImportStatusCaption), "Entourage import stopped.");
    EXPECT_EQ(mPresenter->Beeps(), beeps + 1);

    stopWhen("(Imported ");
    EXPECT_GT(mWindow->mImported.Count(), 0);
    EXPECT_LT(mWindow->mImported.Count(), 1000);
    EXPECT_EQ(mWindow->GetRecipientEmail(0), "p1@x.test");
    EXPECT_EQ(Caption(ControlRole::ImportSourceCaption),
              QString("Entourage Group: Many (%1 recipients)").arg(mWindow->mImported.Count()));
}

TEST_F(RecipientImportTest, MailSelectionReplacesTheListAndFillsANewGroup)
{
    SetPreference("true", CString256(kEliminateDuplicatesKey));
    WriteScript(FolderPath("MailRecipient"), R"(printf 'Ann Lee <ann@x.test>\r\n\rbo@x.test\nAnn Lee <ann@x.test>\n')");
    SetControl32BitValue(mWindow->Control(ControlRole::AddToGroupCheckBox), 1);
    mWindow->mImportPath = FolderPath("earlier.txt");
    mWindow->mEntourageGroup = "Friends";
    mWindow->ImportFromMail(true);
    // The empty line is an empty record; the second Ann a duplicate.
    EXPECT_EQ(People(), (QStringList {"Ann|Lee|ann@x.test", "||", "bo@x.test||bo@x.test"}))
        << People().join(", ").toStdString();
    EXPECT_TRUE(mWindow->mImportPath.isEmpty());
    EXPECT_EQ(Caption(ControlRole::ImportStatusCaption), "Saving Address Book");
    EXPECT_EQ(Caption(ControlRole::ImportSourceCaption), "Entourage Group: Friends (3 recipients)");
    const ContactsStore saved(ContactsFolder::Path());
    const std::vector<ContactsRecord*> groups = saved.Groups();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_TRUE(QRegularExpression(R"(^MailCM \d{4}-\d\d-\d\d \d\d:\d\d:\d\d [+-]\d{4}$)")
                    .match(groups[0]->GroupName())
                    .hasMatch())
        << groups[0]->GroupName().toStdString();
    // Ann, offered twice, is one card; the bare address makes one of its own.
    EXPECT_EQ(saved.Members(*groups[0]).size(), 2u);

    // A list result is one line, one record: its items joined with ", ".
    SetControl32BitValue(mWindow->Control(ControlRole::AddToGroupCheckBox), 0);
    WriteScript(FolderPath("MailSender"), R"(printf 'a@x.test\000b@x.test')");
    mWindow->ImportFromMail(false);
    EXPECT_EQ(People(), QStringList {"b@x.test||b@x.test"});
    EXPECT_EQ(Caption(ControlRole::ImportStatusCaption), "(Imported 1 of 1)");
}

TEST_F(RecipientImportTest, FailedMailImportsKeepTheListAndTheCaption)
{
    mWindow->mImportPath = FolderPath("earlier.txt");
    mWindow->UpdateImportSourceText();
    const QString caption = Caption(ControlRole::ImportSourceCaption);
    // No script: nothing changes, and the caption stops saying "Loading".
    mWindow->ImportFromMail(true);
    EXPECT_EQ(People(), QStringList {"Old|Entry|old@x.test"});
    EXPECT_EQ(Caption(ControlRole::ImportSourceCaption), caption);

    // The group cannot be made (a file stands where the contacts folder should): said, and the
    // list and the import file stay.
    WriteScript(FolderPath("MailRecipient"), "printf 'New <new@x.test>'");
    SetControl32BitValue(mWindow->Control(ControlRole::AddToGroupCheckBox), 1);
    ASSERT_TRUE(QDir().rmdir(ContactsFolder::Path()));
    QFile blocker(ContactsFolder::Path());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_TRUE(CBrevantoWindow::ReloadAddressBookIntoWindows());
    mPresenter->QueueSheet(kSheetOKCommand);
    mWindow->ImportFromMail(true);
    EXPECT_EQ(mPresenter->Requests().back().message, "The recipients from Mail were not imported.");
    EXPECT_EQ(People(), QStringList {"Old|Entry|old@x.test"});
    EXPECT_EQ(mWindow->mImportPath, FolderPath("earlier.txt"));
    EXPECT_EQ(Caption(ControlRole::ImportSourceCaption), caption);
    EXPECT_TRUE(IsControlVisible(mWindow->Control(ControlRole::ImportSourceCaption)));
}

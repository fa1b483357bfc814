// Imported recipients: the record and its flat form, the indexed list, the window's accessors,
// send flags with their operations and captions, and the recipients list's cells.
#include "MailingWindowFixture.h"

#include "CFPreferenceDomain.h"
#include "CFPropertyList.h"
#include "ControlValues.h"
#include "DataBrowser.h"
#include "ImportedRecipients.h"

#include <cstring>

namespace {

QByteArray FlatRecord(const char* inFirst, const char* inLast, const char* inEmail)
{
    QByteArray record(768, 'x');
    std::memcpy(record.data(), inFirst, std::strlen(inFirst) + 1);
    std::memcpy(record.data() + 256, inLast, std::strlen(inLast) + 1);
    std::memcpy(record.data() + 512, inEmail, std::strlen(inEmail) + 1);
    return record;
}

} // namespace

TEST(Person, FlatRecordsReadAndWrite)
{
    ImportedRecipients list;
    // Whole records only; the bytes after a NUL mean nothing.
    list.AppendFromData(FlatRecord("Ann", "Lee", "ann@x.org") + QByteArray(232, 'z'));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(*list.At(0), Person("Ann", "Lee", "ann@x.org"));
    list.AppendFromData(QByteArray(767, 'a'));
    EXPECT_EQ(list.Count(), 1);

    // A field without a NUL gives 255 bytes; one that is not UTF-8 is Mac OS Roman.
    QByteArray record = FlatRecord("", "Lee", "a@x.org");
    std::memset(record.data(), 'f', 256);
    std::memcpy(record.data() + 256, "Gr\x9f" "n\0", 5);
    const Person read = Person::FromFlatRecord(record.constData());
    EXPECT_EQ(read.FirstName(), QString(255, 'f'));
    EXPECT_EQ(read.LastName(), QString::fromUtf8("Grün"));

    // Written back: three NUL-terminated fields at 0, 256 and 512; an empty list is no data.
    EXPECT_TRUE(ImportedRecipients().ToData().isEmpty());
    const QByteArray data = list.ToData();
    ASSERT_EQ(data.size(), 768);
    EXPECT_STREQ(data.constData() + 256, "Lee");
    EXPECT_STREQ(data.constData() + 512, "ann@x.org");
}

TEST(Person, EqualityAndFullName)
{
    EXPECT_FALSE(Person("Ann", "Lee", "a@x.org") == Person("ann", "Lee", "a@x.org"));
    EXPECT_TRUE(Person("Ann", "Lee", "a@x.org") ==
                Person(Person::Columns{{"First Name", "Ann"}, {"Last Name", "Lee"}, {"Email Address", "a@x.org"},
                                       {"Company", "Acme"}}));
    const Person lowerCaseColumn(Person::Columns{{"First Name", "Ann"}, {"email address", "a@x.org"}});
    EXPECT_TRUE(lowerCaseColumn.Email().isEmpty());
    EXPECT_EQ(Person("", "Smith", "").CopyFullName(), "Smith");
    EXPECT_EQ(Person("", "", "").CopyFullName(), "");
    EXPECT_EQ(Person("Ann", "", "").CopyFullName(), "Ann");
    EXPECT_EQ(Person("Ann", "Lee", "").CopyFullName(), "Ann Lee");
}

TEST(ImportedRecipients, IndexAndDuplicatesFollowEveryChange)
{
    ImportedRecipients list;
    for (int i = 0; i < 6; ++i)
        list.Append(Person("F", QByteArray::number(i).constData(), "a@x.org"));
    EXPECT_TRUE(list.Contains(Person("F", "3", "a@x.org")));
    EXPECT_FALSE(list.Contains(Person("F", "3", "A@x.org")));

    list.RemoveAt({4, 1, 99, -1, 1});
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.At(1)->LastName(), "2");
    EXPECT_EQ(list.At(3)->LastName(), "5");
    EXPECT_FALSE(list.Contains(Person("F", "1", "a@x.org")));
    EXPECT_EQ(list.At(4), nullptr);

    ASSERT_TRUE(list.SetField(0, ImportedRecipients::EField::email, "b@x.org"));
    EXPECT_FALSE(list.Contains(Person("F", "0", "a@x.org")));
    EXPECT_TRUE(list.Contains(Person("F", "0", "b@x.org")));
}

TEST_F(MailingWindowTest, AccessorsReadTheCurrentSource)
{
    CBrevantoWindow* window = WindowWithImported({Person("Ann", "Lee", "ann@x.org"), Person("", "", "bo@x.org")});
    EXPECT_EQ(window->GetRecipientFirstName(0), "Ann");
    EXPECT_EQ(window->GetRecipientLastName(0), "Lee");
    EXPECT_EQ(window->GetRecipientEmail(1), "bo@x.org");
    EXPECT_TRUE(window->GetRecipientEmail(2).isEmpty());
    EXPECT_TRUE(window->GetRecipientEmail(-1).isEmpty());
    // The Address Book tab reads no imported recipient.
    window->mRecipientsTab = 1;
    EXPECT_TRUE(window->GetRecipientFirstName(0).isEmpty());
    EXPECT_EQ(window->CountRecipients(), 0);
}

TEST_F(MailingWindowTest, SendFlagsFollowTheRecipientCount)
{
    CBrevantoWindow* window = WindowWithImported({Person("A", "", "a@x.org"), Person("B", "", ""),
                                                  Person("C", "", "c@x.org")});
    ASSERT_TRUE(window->mImportSendFlags);
    EXPECT_EQ(*window->mImportSendFlags, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::ImportCountCaption)), "2/3");

    // The same count keeps hand-set flags; another count starts again from the addresses.
    window->InvertSendFlags();
    window->ResetSendFlags(CBrevantoWindow::ERecipientSource::imported, 3, window->mImportSendFlags, false);
    EXPECT_EQ(*window->mImportSendFlags, (std::vector<bool>{false, true, false}));
    window->mImported.Append(Person("D", "", "d@x.org"));
    window->ResetSendFlags(CBrevantoWindow::ERecipientSource::imported, 4, window->mImportSendFlags, false);
    EXPECT_EQ(*window->mImportSendFlags, (std::vector<bool>{true, false, true, true}));
    window->mImportSendFlags.reset();
    window->ResetSendFlags(CBrevantoWindow::ERecipientSource::imported, 4, window->mImportSendFlags, true);
    EXPECT_EQ(*window->mImportSendFlags, (std::vector<bool>(4, false)));
    EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::ImportCountCaption)), "0/4");

    // All, selected, and the list's check box.
    window->SetAllSendFlags(true);
    EXPECT_EQ(window->CountFlaggedRecipients(), 4);
    DataBrowser* list = RecipientsList(window);
    window->RefreshRecipientsList();
    ASSERT_EQ(list->CountItems(), 4u);
    list->SetSelectedItems({2, 4}, DataBrowserSetOption::assign);
    window->SetSelectedSendFlags(false);
    EXPECT_EQ(*window->mImportSendFlags, (std::vector<bool>{true, false, true, false}));
    DataBrowserItemData cell;
    cell.value = 1;
    ASSERT_EQ(list->Callbacks().itemData(list, 2, 'send', cell, true), noErr);
    EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::ImportCountCaption)), "3/4");
    EXPECT_TRUE(WindowAttributes::IsWindowModified(window->GetMainWindow()));
}

TEST_F(MailingWindowTest, ImportedNamesAreEditableInTheList)
{
    CBrevantoWindow* window = WindowWithImported({Person("Ann", "Lee", "ann@x.org")});
    DataBrowser* list = RecipientsList(window);
    DataBrowserItemData cell;
    ASSERT_EQ(list->Callbacks().itemData(list, 1, kDataBrowserItemIsEditableProperty, cell, false), noErr);
    EXPECT_TRUE(cell.boolean);
    cell.text = "Anne";
    ASSERT_EQ(list->Callbacks().itemData(list, 1, 'fnme', cell, true), noErr);
    EXPECT_EQ(window->GetRecipientFirstName(0), "Anne");
    ASSERT_EQ(list->Callbacks().itemData(list, 1, 'indx', cell, false), noErr);
    EXPECT_EQ(cell.text, "1");
    EXPECT_EQ(list->Callbacks().itemData(list, 2, 'fnme', cell, false), errDataBrowserItemNotFound);
}

TEST_F(MailingWindowTest, BlacklistUnflagsMatchingAddresses)
{
    CBrevantoWindow* window =
        WindowWithImported({Person("", "", "Ann@Example.org"), Person("", "", "bo@example.org"),
                            Person("", "", "cy@other.org"), Person("", "", "ann@example.org.uk")});
    CFPreferenceDomain preferences = CFPreferenceDomain::Application();
    const auto blacklist = [&](QStringList inEntries, bool inRegex) {
        CFPropertyList::Array entries;
        for (const QString& entry : inEntries)
            entries.append(CFPropertyList(entry));
        preferences.SetValue(QString::fromUtf8(kBlacklistKey), CFPropertyList(entries));
        SetPreference(inRegex ? "true" : "false", CString256(kRegularExpressionKey));
        window->SetAllSendFlags(true);
        window->ApplyBlacklist();
        return *window->mImportSendFlags;
    };
    // Plain: the whole address, letter case aside; a part of an address is no match.
    EXPECT_EQ(blacklist({"ann@example.org", "example.org"}, false), (std::vector<bool>{false, true, true, true}));
    // Patterns: a whole-domain pattern; an invalid one matches nothing.
    EXPECT_EQ(blacklist({".*@example\\.org", "(["}, true), (std::vector<bool>{false, false, true, true}));

    preferences.SetValue(QString::fromUtf8(kBlacklistKey), CFPropertyList(CFPropertyList::Array()));
    mPresenter->QueueAlert(1);
    window->ApplyBlacklist();
    ASSERT_FALSE(mPresenter->Requests().empty());
    EXPECT_EQ(mPresenter->Requests().back().message, "The Blacklist is empty.");
    preferences.SetValue(QString::fromUtf8(kBlacklistKey), CFPropertyList());
    SetPreference(nullptr, CString256(kRegularExpressionKey));
}

TEST_F(MailingWindowTest, UnflagFromLogCountsAndSays)
{
    CBrevantoWindow* window = WindowWithImported({Person("", "", "a@x.org"), Person("", "", "B@x.org"),
                                                  Person("", "", "c@x.org")});
    mPresenter->QueueAlert(1);
    window->UnflagRecipientsFromLog({"b@x.org", "c@x.org", "z@x.org"});
    EXPECT_EQ(*window->mImportSendFlags, (std::vector<bool>{true, false, false}));
    EXPECT_EQ(mPresenter->Requests().back().message, "2 of 3 recipients were unflagged.");
    mPresenter->QueueAlert(1);
    window->UnflagRecipientsFromLog({});
    EXPECT_EQ(mPresenter->Requests().back().message, "The recipients from the log is empty.");
}

TEST_F(MailingWindowTest, ImportSourceCaptionCountsRecipients)
{
    CBrevantoWindow* window = WindowWithImported({});
    ControlRef caption = window->Control(ControlRole::ImportSourceCaption);
    window->UpdateImportSourceText();
    EXPECT_EQ(CopyControlTitleAsCFString(caption), "");
    window->mImported.Append(Person("", "", "a@x.org"));
    window->mImportPath = FolderPath("gone.txt");
    window->UpdateImportSourceText();
    EXPECT_EQ(CopyControlTitleAsCFString(caption), "Current Import File:  (1 recipient)");
    QFile file(FolderPath("list.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    window->mImportPath = FolderPath("list.txt");
    window->mImported.Append(Person("", "", "b@x.org"));
    window->UpdateImportSourceText();
    EXPECT_EQ(CopyControlTitleAsCFString(caption), "Current Import File: " + FolderPath("list.txt") + " (2 recipients)");
}

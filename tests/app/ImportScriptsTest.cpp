// The mail programs' script results as the importers read them, and the Entourage group sheet
// filled by a stand-in groups script.
#include "MailingWindowFixture.h"

#include "ControlValues.h"
#include "ScriptResultLists.h"
#include "ScriptRunner.h"

#include <QFile>

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

// The merge fields of a mailing window for its current recipient, under a fixed clock.
#include "MailingWindowFixture.h"

#include "Clock.h"
#include "ControlValues.h"
#include "DatesAndTimes.h"

#include <QFile>

class MergeFieldValuesTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        Clock::SetForTests(QDateTime(QDate(2026, 12, 11), QTime(10, 20, 30)));
        window = new CBrevantoWindow();
        window->mMergeRecipient = {2, "Ann Lee", "Ann", "Lee", "ann@example.org"};
        window->mSenderTab = 2;
        SetControlText(window->Control(ControlRole::SenderNameField), "Zoë Ærø Extra");
        SetControlText(window->Control(ControlRole::SenderEmailField), "zoe@example.org");
        window->ResolveSender();
        SetControlText(window->Control(ControlRole::SubjectField), "Q&A {ToNameFirst}");
        window->mRecipientsTab = 2;
        window->mImportPath = "/data/list.txt";
    }
    void TearDown() override
    {
        Clock::UseSystemClock();
        MailingWindowTest::TearDown();
    }

    std::string Expand(const char* inText)
    {
        CText text(inText);
        window->ExpandMergeTags(text);
        return std::string(text.buffer, size_t(text.length));
    }

    CBrevantoWindow* window = nullptr;
};

TEST_F(MergeFieldValuesTest, FieldsOfAnImportedRecipientAndTheSender)
{
    const QDateTime now = Clock::NowDateTime();
    const std::string dateTime = (LongDateText(now.date()) + "," + TimeTextWithSeconds(now.time())).toStdString();
    const struct {
        const char* text;
        std::string expected;
    } cases[] = {
        {"{CurrentIndex}|{ToName}|{ToNameFirst}|{ToNameLast}|{ToAddress}", "2|Ann Lee|Ann|Lee|ann@example.org"},
        {"{FromName}|{FromNameFirst}|{FromNameLast}|{FromAddress}", "Zoë Ærø Extra|Zoë|Ærø|zoe@example.org"},
        // The subject's own tag is not expanded again.
        {"{Subject}", "Q&A {ToNameFirst}"},
        {"{ToGroup}", "/data/list.txt"},
        {"{DateTime}", dateTime},
        {"{Time}", TimeTextWithSeconds(QTime(10, 20, 30)).toStdString()},
        // Address-card fields are empty for imported recipients; their label forms stay.
        {"[{EmailWork}{PhoneMobile}{RelatedNamesSpouse}]", "[]"},
        {"{Phone=Fax} {Email=work} {ImportFileTag=Company} {Nope}",
         "{Phone=Fax} {Email=work} {ImportFileTag=Company} {Nope}"},
    };
    for (const auto& one : cases)
        EXPECT_EQ(Expand(one.text), one.expected) << one.text;

    CText quoted;
    EXPECT_TRUE(window->ResolveMergeTag(0, "ToName", quoted));
    EXPECT_STREQ(quoted.buffer, "\"Ann Lee\"");
}

TEST_F(MergeFieldValuesTest, ScriptFileTagsAndBlocksGiveTheScriptErrorText)
{
    const QString script = FolderPath("greeting.applescript");
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("return __ToName");
    file.close();
    const std::string error = "Script error: the script contains an error.";
    EXPECT_EQ(Expand(("Hi {" + script.toStdString() + "}!").c_str()), "Hi " + error + "!");
    EXPECT_EQ(Expand("<APPLESCRIPT>return __ToName</APPLESCRIPT>"), error);
}

TEST_F(MergeFieldValuesTest, TheTrackingImageNeedsTheMonitorAndAListenerAddress)
{
    // Without a listener address (or with the monitor off) HTML stays as it was.
    EXPECT_EQ(Expand("<body>{ToNameFirst}</body>"), "<body>Ann</body>");
}

// The message's character set from the charset pop-up: the set the header names is the set the
// side texts are converted with, and anything the table or the converters don't know is UTF-8.
#include "CharsetChoice.h"

#include "CharsetConversion.h"
#include "ControlValues.h"
#include "MailingWindowFixture.h"

namespace {

TEST(MimeCharsetForItem, LooksUpTheDisplayNameAndFallsBackToUTF8)
{
    const CharsetTable table = {{"Greek", "ISO-8859-7"},
                                {"Chinese Simplified", "GB2312"},
                                {"Korean", "ISO-2022-KR"},
                                {"Martian", "X-MARTIAN-NOT-A-SET"}};
    struct Case {
        const char* item;
        const char* expected;
    };
    const Case cases[] = {
        {"Greek (ISO-8859-7)", "ISO-8859-7"},
        {"Chinese Simplified (GB2312)", "GB2312"},
        {"Korean (ISO-2022-KR)", "ISO-2022-KR"},
        {"Greek (whatever the item says)", "ISO-8859-7"}, // the table decides, not the item's text
        {"Other", "UTF-8"},                               // no " ("
        {"Greek(ISO-8859-7)", "UTF-8"},
        {"", "UTF-8"},
        {"Klingon (X-KLINGON)", "UTF-8"},                 // not in the table
        {"greek (ISO-8859-7)", "UTF-8"},                  // names compare exactly
        {"Martian (X-MARTIAN-NOT-A-SET)", "UTF-8"},       // a set the converters don't know
    };
    for (const Case& test : cases)
        EXPECT_EQ(MimeCharsetForItem(test.item, table), test.expected) << test.item;
}

// Every item of the real pop-up names a set the texts convert into, and the bytes of the plain
// text alternative are in that set; an item without " (" gives UTF-8 bytes and the UTF-8 name.
TEST_F(MailingWindowTest, TheSideTextsAreConvertedWithTheSetTheMessageNames)
{
    auto* window = new CBrevantoWindow();
    ControlRef popup = window->Control(ControlRole::CharsetPopup);
    const QString greek = QString::fromUtf8("\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1");
    window->SetSideText(CBrevantoWindow::ESideText::plainTextAlternative, greek);
    bool sawGreek = false;
    for (SInt32 item = 1; item <= CountPopupItems(popup); ++item) {
        SetControl32BitValue(popup, item);
        const QString text = GetPopupItemText(popup, item);
        const QString name = window->GetCharsetName();
        EXPECT_TRUE(text.endsWith(" (" + name + ")")) << text.toStdString();
        if (!text.startsWith("Greek"))
            continue;
        sawGreek = true;
        CText bytes;
        window->GetPlainTextAlternative(bytes);
        EXPECT_EQ(QByteArray(bytes.buffer, bytes.length), EncodeInCharset(greek, "ISO-8859-7"));
    }
    EXPECT_TRUE(sawGreek);

    AppendPopupItem(popup, "Other");
    SetControl32BitValue(popup, CountPopupItems(popup));
    EXPECT_EQ(window->GetCharsetName(), "UTF-8");
    CText bytes;
    window->GetPlainTextAlternative(bytes);
    EXPECT_EQ(QByteArray(bytes.buffer, bytes.length), greek.toUtf8());
}

} // namespace

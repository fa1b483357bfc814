// Control data accessors over real Qt controls: null controls, the 255-byte cut on a character
// boundary, determinate progress, and the control-character remover.
#include "ControlDataAccessors.h"

#include "ControlValues.h"
#include "LMainContext.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <cstring>

namespace {
class ControlDataAccessorsTest : public ::testing::Test {
protected:
    void SetUp() override { LMainContext::Get(); }
};

std::string PString(const Str255 text) { return std::string(reinterpret_cast<const char*>(text + 1), text[0]); }
} // namespace

TEST_F(ControlDataAccessorsTest, NullControlIsParamErrAndAFailedSetDrawsNothing)
{
    const unsigned char text[] = "\x03" "abc";
    Str255 out = {};
    EXPECT_EQ(SetControlTextPString(nullptr, text, true), paramErr);
    EXPECT_EQ(GetControlTextPString(nullptr, out), paramErr);
    EXPECT_EQ(SetControlDeterminate(nullptr, true), paramErr);
    EXPECT_TRUE(GetControlCFString(nullptr).isNull());

    QLineEdit field;
    EXPECT_EQ(GetControlTextPString(&field, nullptr), paramErr);
    EXPECT_EQ(SetControlKeyFilter(&field, nullptr), paramErr);

    QPushButton button; // holds no edit text: the set fails and nothing is drawn
    EXPECT_EQ(SetControlTextPString(&button, text, true), errDataNotSupported);
    EXPECT_EQ(ControlRedrawCount(&button), 0);
    EXPECT_EQ(SetControlTextPString(&field, text, true), noErr);
    EXPECT_EQ(ControlRedrawCount(&field), 1);
    EXPECT_EQ(field.text(), QStringLiteral("abc"));
}

TEST_F(ControlDataAccessorsTest, LongTextIsCutTo255BytesOnACharacterBoundary)
{
    struct Case {
        QString text;
        size_t expectedLength;
    };
    const Case cases[] = {
        {QString(300, QLatin1Char('x')), 255},
        {QString(150, QChar(0x00E9)), 254},   // 300 bytes of two-byte characters
        {QString(100, QChar(0x20AC)), 255},   // three-byte characters: 85 of them fit
        {QStringLiteral("short"), 5},
    };
    for (const Case& c : cases) {
        QLineEdit field(c.text);
        Str255 out = {};
        ASSERT_EQ(GetControlTextPString(&field, out), noErr);
        EXPECT_EQ(size_t(out[0]), c.expectedLength);
        const QString back = QString::fromUtf8(reinterpret_cast<const char*>(out + 1), out[0]);
        EXPECT_TRUE(c.text.startsWith(back)) << "cut inside a character";
    }
}

TEST_F(ControlDataAccessorsTest, CFStringAndPasswordRoundTrip)
{
    QLineEdit field;
    ASSERT_EQ(SetControlCFString(&field, QStringLiteral("Grüße"), false), noErr);
    EXPECT_EQ(GetControlCFString(&field), QStringLiteral("Grüße"));

    const unsigned char secret[] = "\x06" "s3cr\xc3\xa9";
    ASSERT_EQ(SetControlPasswordPString(&field, secret, false), noErr);
    Str255 out = {};
    ASSERT_EQ(GetControlPasswordPString(&field, out), noErr);
    EXPECT_EQ(PString(out), "s3cr\xc3\xa9");
}

TEST_F(ControlDataAccessorsTest, DeterminateTrueClearsTheIndeterminateState)
{
    QProgressBar bar;
    bar.setRange(0, 50);
    ASSERT_EQ(SetControlDeterminate(&bar, false), noErr);
    EXPECT_TRUE(IsProgressIndeterminate(&bar));
    ASSERT_EQ(SetControlDeterminate(&bar, true), noErr);
    EXPECT_FALSE(IsProgressIndeterminate(&bar));
    EXPECT_EQ(bar.maximum(), 50);

    QLineEdit field;
    EXPECT_EQ(SetControlDeterminate(&field, true), errDataNotSupported);
    Handle list = nullptr;
    EXPECT_EQ(GetControlListHandle(&field, &list), errDataNotSupported);
}

TEST_F(ControlDataAccessorsTest, ControlCharacterRemover)
{
    const QString plain = QStringLiteral("ab");
    const QString same = StringByRemovingControlCharacters(plain);
    EXPECT_EQ(same.constData(), plain.constData()); // the very same string, not a copy
    EXPECT_EQ(StringByRemovingControlCharacters(QStringLiteral("a\tb")), QStringLiteral("ab"));
    EXPECT_EQ(StringByRemovingControlCharacters(QStringLiteral("\r\na\x7f" "b\u200Bc")), QStringLiteral("abc"));
}

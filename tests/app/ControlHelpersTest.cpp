// Control helpers: the delay caption, the key filters (with the scripted presenter hearing the
// beeps), popup ranges, window size limits.
#include "ControlHelpers.h"

#include "ControlDataAccessors.h"
#include "ControlValues.h"
#include "LMainContext.h"
#include "ScriptedPresenter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QWidget>

namespace {
class ControlHelpersTest : public ::testing::Test {
protected:
    void SetUp() override { LMainContext::Get(); }

    static void Type(QLineEdit& ioField, const QString& inKeys)
    {
        for (const QChar c : inKeys) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(&ioField, &press);
        }
    }
};
} // namespace

TEST_F(ControlHelpersTest, DelayCaptionForNoneAndSixSteps)
{
    QSlider slider;
    slider.setRange(0, 30);
    QLabel caption;
    SetDelayCaption(&slider, &caption);
    EXPECT_EQ(caption.text(), QStringLiteral("No delay"));
    slider.setValue(6);
    SetDelayCaption(&slider, &caption);
    EXPECT_EQ(caption.text(), QStringLiteral("1 min"));
    EXPECT_EQ(ControlRedrawCount(&caption), 2);
}

TEST_F(ControlHelpersTest, DigitsOnlyFilterRefusesALeadingZeroAndBeepsOnLetters)
{
    ScriptedPresenter presenter;
    QLineEdit field;
    ASSERT_EQ(SetControlKeyFilter(&field, DigitsOnlyKeyFilter), noErr);

    Type(field, QStringLiteral("0"));
    EXPECT_EQ(field.text(), QString());
    EXPECT_EQ(presenter.Beeps(), 1);
    Type(field, QStringLiteral("10"));
    EXPECT_EQ(field.text(), QStringLiteral("10"));
    Type(field, QStringLiteral("x"));
    EXPECT_EQ(field.text(), QStringLiteral("10"));
    EXPECT_EQ(presenter.Beeps(), 2);
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(&field, &backspace);
    EXPECT_EQ(field.text(), QStringLiteral("1"));
    EXPECT_EQ(presenter.Beeps(), 2);
}

TEST_F(ControlHelpersTest, RejectReturnKeyPassesEverythingElse)
{
    struct Case {
        SInt16 charCode;
        ControlKeyFilterResult expected;
    };
    for (const Case c : {Case{13, kControlKeyFilterBlockKey}, Case{'a', kControlKeyFilterPassKey},
                         Case{8, kControlKeyFilterPassKey}, Case{3, kControlKeyFilterPassKey}}) {
        SInt16 key = 0;
        SInt16 charCode = c.charCode;
        UInt16 modifiers = 0;
        EXPECT_EQ(RejectReturnKey(nullptr, &key, &charCode, &modifiers), c.expected) << c.charCode;
    }
    QLineEdit field;
    int accepted = 0;
    QObject::connect(&field, &QLineEdit::returnPressed, [&] { ++accepted; });
    ASSERT_EQ(SetControlKeyFilter(&field, RejectReturnKey), noErr);
    QKeyEvent returnKey(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(&field, &returnKey);
    EXPECT_EQ(accepted, 0);
}

TEST_F(ControlHelpersTest, PopupRangeOfAnEmptyMenuIsZero)
{
    QComboBox popup;
    SetPopupMenuRange(&popup);
    EXPECT_EQ(GetControl32BitMinimum(&popup), 0);
    EXPECT_EQ(GetControl32BitMaximum(&popup), 0);
    popup.addItems({QStringLiteral("a"), QStringLiteral("b")});
    SetPopupMenuRange(&popup);
    EXPECT_EQ(GetControl32BitMinimum(&popup), 1);
    EXPECT_EQ(GetControl32BitMaximum(&popup), 2);
}

TEST_F(ControlHelpersTest, WindowLimitsFromTheCurrentContentSize)
{
    QWidget window;
    window.resize(400, 300);
    window.show();
    SetWindowMinSize(&window);
    EXPECT_EQ(window.minimumSize(), QSize(400, 300));
    EXPECT_EQ(window.maximumWidth(), QWIDGETSIZE_MAX); // unchanged
    SetWindowMaxSize(&window, 2000);
    EXPECT_EQ(window.maximumSize(), QSize(2000, 300));
    EXPECT_EQ(window.minimumSize(), QSize(400, 300));
}

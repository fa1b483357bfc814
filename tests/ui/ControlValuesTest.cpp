// Values by kind, item commands and marks, tagged control data and key filters.
#include "UiTestSupport.h"

#include "ControlData.h"
#include "ControlLookup.h"
#include "ControlValues.h"

#include <QKeyEvent>
#include <QMenu>
#include <QLineEdit>
#include <QTabBar>
#include <QToolButton>

namespace {
ControlRef Control(QWidget* inWindow, OSType inSignature, SInt32 inID)
{
    ControlRef control = ControlLookup::FindControl(inWindow, inSignature, inID);
    EXPECT_NE(control, nullptr);
    return control;
}
} // namespace

TEST_F(NibTest, PopupsAndTabsAreOneBasedWithZeroForNoneAndPinnedToTheirLastItem)
{
    QWidget* window = Load(QStringLiteral("Main"));
    ControlRef popup = Control(window, 'CNTL', 3);
    auto* tabs = qobject_cast<QTabBar*>(Control(window, 'RTAB', 0));
    ASSERT_NE(tabs, nullptr);
    tabs->addTab(QStringLiteral("Group"));
    tabs->addTab(QStringLiteral("Import"));

    struct Case {
        ControlRef control;
        SInt32 set;
        SInt32 expected;
    };
    for (const Case& c : {Case{popup, 3, 3}, Case{popup, 0, 0}, Case{popup, 4, 3}, Case{popup, 1, 1},
                          Case{tabs, 2, 2}, Case{tabs, 1, 1}, Case{tabs, 7, 2}}) {
        SetControl32BitValue(c.control, c.set);
        EXPECT_EQ(GetControl32BitValue(c.control), c.expected) << "set " << c.set;
    }
    EXPECT_EQ(GetControl32BitMinimum(popup), 1);
    EXPECT_EQ(GetControl32BitMaximum(popup), 3);
    ControlRef empty = Control(window, 'CNTL', 9);
    EXPECT_EQ(GetControl32BitMinimum(empty), 0);
    EXPECT_EQ(GetControl32BitMaximum(empty), 0);
    EXPECT_EQ(GetControl32BitValue(empty), 0);
}

TEST_F(NibTest, PopupItemsCarryCommandsMarksAndEnabling)
{
    QWidget* window = Load(QStringLiteral("Main"));
    ControlRef popup = Control(window, 'CNTL', 3);
    EXPECT_EQ(GetPopupItemCommand(popup, 1), CommandT('PRIM'));
    EXPECT_EQ(FindPopupItemWithCommand(popup, 'ALL '), 3);
    EXPECT_EQ(FindPopupItemWithCommand(popup, 'WORK'), 0);

    AppendPopupSeparator(popup);
    AppendPopupItem(popup, QStringLiteral("Work"), 'WORK');
    EXPECT_EQ(CountPopupItems(popup), 5);
    EXPECT_TRUE(IsPopupItemSeparator(popup, 4));
    EXPECT_EQ(FindPopupItemWithCommand(popup, 'WORK'), 5);
    SetPopupItemEnabled(popup, 2, false);
    SetPopupItemMark(popup, 5, true);
    EXPECT_FALSE(IsPopupItemEnabled(popup, 2));
    EXPECT_TRUE(IsPopupItemMarked(popup, 5));
    EXPECT_FALSE(IsPopupItemMarked(popup, 1));

    // The search field's menu is addressed the same way.
    ControlRef search = Control(window, 'CNTL', 6);
    ASSERT_EQ(CountPopupItems(search), 3);
    SetPopupItemCommand(search, 2, 'lnme');
    SetPopupItemMark(search, 2, true);
    EXPECT_EQ(GetPopupItemCommand(search, 2), CommandT('lnme'));
    EXPECT_TRUE(IsPopupItemMarked(search, 2));
}

TEST_F(NibTest, PullDownRemembersTheChosenItemUntilReset)
{
    QWidget* window = Load(QStringLiteral("Main"));
    auto* pullDown = qobject_cast<QToolButton*>(Control(window, 'CNTL', 4));
    ASSERT_NE(pullDown, nullptr);
    ASSERT_NE(pullDown->menu(), nullptr);
    pullDown->menu()->actions()[2]->trigger();
    EXPECT_EQ(GetControl32BitValue(pullDown), 3);
    SetControl32BitValue(pullDown, 1);
    EXPECT_EQ(GetControl32BitValue(pullDown), 0);
}

TEST_F(NibTest, IndeterminateProgressKeepsItsDeterminateRange)
{
    QWidget* window = Load(QStringLiteral("Main"));
    ControlRef bar = Control(window, 'CNTL', 18);
    Boolean indeterminate = true;
    ASSERT_EQ(SetControlData(bar, 0, 'inde', sizeof indeterminate, &indeterminate), noErr);
    EXPECT_TRUE(IsProgressIndeterminate(bar));
    EXPECT_EQ(GetControl32BitMaximum(bar), 10);
    SetControl32BitMaximum(bar, 20);
    indeterminate = false;
    ASSERT_EQ(SetControlData(bar, 0, 'inde', sizeof indeterminate, &indeterminate), noErr);
    EXPECT_FALSE(IsProgressIndeterminate(bar));
    EXPECT_EQ(GetControl32BitMaximum(bar), 20);
}

TEST_F(NibTest, TaggedDataReportsTheFullTextSizeAndRefusesWhatTheKindLacks)
{
    QWidget* window = Load(QStringLiteral("Main"));
    ControlRef field = Control(window, 'CC  ', 0);
    const QByteArray text(300, 'x');
    ASSERT_EQ(SetControlData(field, 0, 'text', text.size(), text.constData()), noErr);
    char buffer[255];
    Size actual = 0;
    EXPECT_EQ(GetControlData(field, 0, 'text', sizeof buffer, buffer, &actual), noErr);
    EXPECT_EQ(actual, 300);

    QString cfString;
    EXPECT_EQ(GetControlData(field, 0, 'cfst', sizeof cfString, &cfString, nullptr), noErr);
    EXPECT_EQ(cfString.size(), 300);

    ControlRef button = Control(window, 'CNTL', 1);
    EXPECT_EQ(GetControlData(button, 0, 'text', sizeof buffer, buffer, &actual), errDataNotSupported);
    EXPECT_EQ(GetControlData(field, 0, 'lhan', sizeof buffer, buffer, &actual), errDataNotSupported);
    EXPECT_EQ(GetControlData(nullptr, 0, 'text', sizeof buffer, buffer, &actual), paramErr);
    EXPECT_EQ(GetControlData(field, 0, 'cfst', 4, &cfString, nullptr), errDataSizeMismatch);
}

namespace {
ControlKeyFilterResult NoLetterA(ControlRef, SInt16*, SInt16* ioCharCode, UInt16*)
{
    return *ioCharCode == 'a' ? kControlKeyFilterBlockKey : kControlKeyFilterPassKey;
}
} // namespace

TEST_F(NibTest, KeyFilterBlocksWhatItRefuses)
{
    QWidget* window = Load(QStringLiteral("Main"));
    auto* field = qobject_cast<QLineEdit*>(Control(window, 'CC  ', 0));
    const ControlKeyFilterProcPtr filter = NoLetterA;
    ASSERT_EQ(SetControlData(field, 0, 'fltr', sizeof filter, &filter), noErr);
    for (const char* key : {"b", "a", "c"}) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromLatin1(key));
        QApplication::sendEvent(field, &press);
    }
    EXPECT_EQ(field->text(), QStringLiteral("bc"));
}

TEST_F(NibTest, ControlPropertiesByCreatorAndTag)
{
    QWidget* window = Load(QStringLiteral("Main"));
    ControlRef field = Control(window, 'CC  ', 0);
    QByteArray data;
    EXPECT_EQ(GetControlProperty(field, 'KWRD', 'Mail', &data), controlPropertyNotFoundErr);
    ASSERT_EQ(SetControlProperty(field, 'KWRD', 'Mail', QByteArray("\x01\x02", 2)), noErr);
    EXPECT_EQ(GetControlProperty(field, 'KWRD', 'Mail', &data), noErr);
    EXPECT_EQ(data, QByteArray("\x01\x02", 2));
    EXPECT_EQ(RemoveControlProperty(field, 'KWRD', 'Mail'), noErr);
    EXPECT_EQ(GetControlProperty(field, 'KWRD', 'Mail', &data), controlPropertyNotFoundErr);
}

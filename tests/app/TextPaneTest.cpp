// The editors' text panes in a real mailing window: their control-data tags and codes, Tab
// between controls, read-only panes, the editing commands and their status through the
// focused control, and a first click that only focuses.
#include "MailingWindowFixture.h"

#include "CommandRouter.h"
#include "ControlData.h"
#include "ControlDataAccessors.h"
#include "ControlValues.h"
#include "TextPane.h"
#include "ToolboxCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {

class TextPaneTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        mWindow = new CBrevantoWindow();
        mEditor = mWindow->Window(CBrevantoWindow::ENibWindow::preamble);
        mPane = qobject_cast<TextPane*>(mWindow->Control(ControlRole::PreambleTextPane));
        ASSERT_NE(mPane, nullptr);
        mEditor->show();
        mEditor->activateWindow();
        QApplication::setActiveWindow(mEditor);
    }

    void Key(QWidget* inTarget, int inKey, Qt::KeyboardModifiers inModifiers = Qt::NoModifier, const QString& inText = {})
    {
        QKeyEvent press(QEvent::KeyPress, inKey, inModifiers, inText);
        QApplication::sendEvent(inTarget, &press);
    }

    template <class T>
    OSErr Set(ResType inTag, const T& inValue)
    {
        return SetControlData(mPane, 0, inTag, sizeof(T), &inValue);
    }

    Boolean Enabled(CommandT inCommand)
    {
        Boolean enabled = false;
        EXPECT_TRUE(mPane->FindFocusedCommandStatus(inCommand, enabled));
        return enabled;
    }

    CBrevantoWindow* mWindow = nullptr;
    WindowRef mEditor = nullptr;
    TextPane* mPane = nullptr;
};

} // namespace

TEST_F(TextPaneTest, TagsAnswerInUTF8BytesAndUTF16Offsets)
{
    SetControlCFString(mPane, QString::fromUtf8("Zo\xC3\xAB abc"), false);
    char bytes[8] = {};
    Size actual = 0;
    ASSERT_EQ(GetControlData(mPane, 0, 'text', 3, bytes, &actual), noErr);
    EXPECT_EQ(actual, 2);
    EXPECT_EQ(std::string(bytes, 2), "Zo");

    struct Case {
        ResType tag;
        Size size;
        OSErr expected;
    } cases[] = {
        {'tsel', 4, paramErr}, {'tabs', 4, paramErr}, {'rdpm', 2, paramErr},
        {'cfst', 8, paramErr}, {'txob', 4, paramErr}, {'what', 4, eventNotHandledErr},
    };
    for (const Case& c : cases) {
        char buffer[16] = {};
        EXPECT_EQ(GetControlData(mPane, 0, c.tag, c.size, buffer, nullptr), c.expected) << c.tag;
    }
    void* object = nullptr;
    ASSERT_EQ(GetControlData(mPane, 0, 'txob', sizeof object, &object, nullptr), noErr);
    EXPECT_EQ(object, static_cast<void*>(mPane));
    EXPECT_EQ(SetControlData(mPane, 0, 'txob', sizeof object, &object), eventNotHandledErr);

    // Selections count UTF-16 units: "ë" is one, the emoji two.
    SetControlCFString(mPane, QString::fromUtf8("Zo\xC3\xAB \xF0\x9F\x98\x80 end"), false);
    const SInt32 range[2] = {4, 6};
    ASSERT_EQ(Set('tsel', range), noErr);
    QString selected;
    ASSERT_EQ(GetControlData(mPane, 0, 'selt', sizeof selected, &selected, nullptr), noErr);
    EXPECT_EQ(selected, QString::fromUtf8("\xF0\x9F\x98\x80"));
    ASSERT_EQ(Set('selt', QString("x")), noErr);
    EXPECT_EQ(GetControlCFString(mPane), QString::fromUtf8("Zo\xC3\xAB x end"));
    SInt32 after[2] = {};
    ASSERT_EQ(GetControlData(mPane, 0, 'tsel', sizeof after, after, nullptr), noErr);
    EXPECT_EQ(after[0], 5);
    EXPECT_EQ(after[1], 5);

    ASSERT_EQ(Set('tabs', SInt16(24)), noErr);
    SInt16 tabs = 0;
    ASSERT_EQ(GetControlData(mPane, 0, 'tabs', sizeof tabs, &tabs, nullptr), noErr);
    EXPECT_EQ(tabs, 24);

    ASSERT_EQ(SetControlCFString(mPane, QString(), false), noErr);
    EXPECT_TRUE(mPane->toPlainText().isEmpty());
}

TEST_F(TextPaneTest, TabMovesTheFocusOnlyWhileTabNavigationIsOn)
{
    SetKeyboardFocus(mEditor, mPane);
    ASSERT_EQ(mEditor->focusWidget(), mPane);
    Key(mPane, Qt::Key_Tab);
    QWidget* next = mEditor->focusWidget();
    EXPECT_NE(next, mPane);
    EXPECT_TRUE(mPane->toPlainText().isEmpty());
    Key(next, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(mEditor->focusWidget(), mPane);

    ASSERT_EQ(Set('ftab', Boolean(0)), noErr);
    Key(mPane, Qt::Key_Tab, Qt::NoModifier, "\t");
    EXPECT_EQ(mEditor->focusWidget(), mPane);
    EXPECT_EQ(mPane->toPlainText(), "\t");
}

TEST_F(TextPaneTest, ReadOnlyRefusesTypingAndPaste)
{
    SetKeyboardFocus(mEditor, mPane);
    QApplication::clipboard()->setText("pasted");
    ASSERT_EQ(Set('rdpm', Boolean(1)), noErr);
    Key(mPane, Qt::Key_A, Qt::NoModifier, "a");
    mPane->ObeyFocusedCommand(cmd_Paste);
    EXPECT_TRUE(mPane->toPlainText().isEmpty());
    EXPECT_FALSE(Enabled(cmd_Paste));

    ASSERT_EQ(Set('rdpm', Boolean(0)), noErr);
    Key(mPane, Qt::Key_A, Qt::NoModifier, "a");
    EXPECT_EQ(mPane->toPlainText(), "a");
}

TEST_F(TextPaneTest, EditingCommandsGoToTheFocusedPaneWithTheirStatus)
{
    SetKeyboardFocus(mEditor, mPane);
    EXPECT_FALSE(Enabled('SLCT'));
    EXPECT_FALSE(Enabled(cmd_Undo));
    Key(mPane, Qt::Key_H, Qt::NoModifier, "h");
    Key(mPane, Qt::Key_I, Qt::NoModifier, "i");
    EXPECT_TRUE(Enabled('SLCT'));
    EXPECT_TRUE(Enabled(cmd_Undo));
    for (CommandT command : {cmd_Cut, cmd_Copy, cmd_Clear})
        EXPECT_FALSE(Enabled(command)) << command;

    // Through the menu route: the focused pane answers first.
    ASSERT_TRUE(CommandRouter::Get().SendMenuCommand('SLCT'));
    for (CommandT command : {cmd_Cut, cmd_Copy, cmd_Clear})
        EXPECT_TRUE(Enabled(command)) << command;
    ASSERT_TRUE(CommandRouter::Get().SendMenuCommand(cmd_Cut));
    EXPECT_TRUE(mPane->toPlainText().isEmpty());
    EXPECT_EQ(QApplication::clipboard()->text(), "hi");
    ASSERT_TRUE(CommandRouter::Get().SendMenuCommand(cmd_Undo));
    EXPECT_EQ(mPane->toPlainText(), "hi");
    EXPECT_TRUE(Enabled('redo'));
    Boolean other = false;
    EXPECT_FALSE(mPane->FindFocusedCommandStatus('SIMS', other));
}

TEST_F(TextPaneTest, AFirstClickOnlyFocusesAndTheEditorDraws)
{
    mPane->setPlainText("one two three");
    SetKeyboardFocus(mEditor, mWindow->Control(ControlRole::PreambleOKButton));
    QTextCursor start = mPane->textCursor();
    start.setPosition(0);
    mPane->setTextCursor(start);
    const QPoint inside = mPane->viewport()->rect().center();
    QMouseEvent click(QEvent::MouseButtonPress, inside, mPane->viewport()->mapToGlobal(inside), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(mPane->viewport(), &click);
    EXPECT_TRUE(mPane->hasFocus());
    EXPECT_EQ(mPane->textCursor().position(), 0);

    const QImage grab = mEditor->grab().toImage();
    ASSERT_FALSE(grab.isNull());
    EXPECT_NE(grab.pixel(0, 0), grab.pixel(mPane->geometry().center()));
}

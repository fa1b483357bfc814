// The drag-and-drop field with synthetic drags: the drag starter hands the drag to a target
// field the way the window system would (enter, move, drop), so a drag out of one field lands
// in itself or in another.
#include "CDDTextField.h"
#include "DragStarter.h"
#include "LListener.h"
#include "LQtApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTextCursor>

namespace {

QPoint PointOf(CDDTextField& inField, int inOffset)
{
    QTextCursor at(inField.document());
    at.setPosition(inOffset);
    return inField.cursorRect(at).center();
}

// Enter, move and drop at the offset; the drop's answer.
bool Drop(CDDTextField& inField, QMimeData* inData, int inOffset, Qt::KeyboardModifiers inModifiers = Qt::NoModifier)
{
    const QPoint at = PointOf(inField, inOffset);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, inData, Qt::LeftButton, inModifiers);
    QApplication::sendEvent(inField.viewport(), &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, inData, Qt::LeftButton, inModifiers);
    QApplication::sendEvent(inField.viewport(), &move);
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, inData, Qt::LeftButton, inModifiers);
    QApplication::sendEvent(inField.viewport(), &drop);
    return drop.isAccepted();
}

void Select(CDDTextField& inField, int inStart, int inEnd)
{
    QTextCursor cursor = inField.textCursor();
    cursor.setPosition(inStart);
    cursor.setPosition(inEnd, QTextCursor::KeepAnchor);
    inField.setTextCursor(cursor);
}

// Presses on the selection and moves past the drag distance.
void DragSelection(CDDTextField& inField)
{
    const QTextCursor cursor = inField.textCursor();
    const QPoint from = PointOf(inField, (cursor.selectionStart() + cursor.selectionEnd()) / 2);
    QMouseEvent press(QEvent::MouseButtonPress, from, inField.viewport()->mapToGlobal(from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(inField.viewport(), &press);
    const QPoint to = from + QPoint(QApplication::startDragDistance() + 5, 0);
    QMouseEvent move(QEvent::MouseMove, to, inField.viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(inField.viewport(), &move);
}

class DDTextFieldTest : public ::testing::Test {
protected:
    // The fields are members: the application must exist before the fixture is made.
    static void SetUpTestSuite() { LQtApplication::Instance(); }

    void SetUp() override
    {
        for (CDDTextField* field : {&a, &b}) {
            field->resize(400, 60);
            field->show();
        }
        a.activateWindow();
        a.setFocus();
        QApplication::processEvents();
    }
    void TearDown() override { DragStarter::Install({}); }

    // The next drag out lands at the offset of the target.
    void DropInto(CDDTextField& inTarget, int inOffset, Qt::KeyboardModifiers inModifiers = Qt::NoModifier)
    {
        DragStarter::Install([&inTarget, inOffset, inModifiers](QWidget*, QMimeData* inData, Qt::DropActions) {
            const bool accepted = Drop(inTarget, inData, inOffset, inModifiers);
            delete inData;
            return accepted ? Qt::CopyAction : Qt::IgnoreAction;
        });
    }

    CDDTextField a, b;
};

} // namespace

TEST(DDTextFieldMove, TheMoveRule)
{
    const struct {
        const char* text;
        int start, end, insertion;
        int deleteEnd, insertAt;
    } cases[] = {
        {"one two three", 4, 7, 13, 8, 9},  // the middle word takes its following space along
        {"one two three", 4, 7, 0, 8, 0},   // an insertion before the selection stays
        {"one\rtwo", 0, 4, 7, 4, 3},        // a selection ending in CR takes nothing extra
        {"one two", 4, 7, 0, 7, 0},         // the last word has no space after it
        {"one two three", 5, 7, 13, 7, 11}, // part of a word: nothing extra
    };
    for (const auto& entry : cases) {
        const auto plan = CDDTextField::PlanMove(entry.text, entry.start, entry.end, entry.insertion);
        EXPECT_EQ(plan.deleteStart, entry.start) << entry.text;
        EXPECT_EQ(plan.deleteEnd, entry.deleteEnd) << entry.text << " " << entry.start;
        EXPECT_EQ(plan.insertAt, entry.insertAt) << entry.text << " " << entry.start;
    }
}

TEST_F(DDTextFieldTest, WithinTheFieldADragMovesAndCtrlCopies)
{
    a.setPlainText("one two three");
    Select(a, 4, 7);
    DropInto(a, 13);
    DragSelection(a);
    EXPECT_EQ(a.toPlainText(), "one threetwo") << "the word took its space along";
    EXPECT_EQ(a.textCursor().selectedText(), "two") << "the dropped text is selected";

    a.setPlainText("one two three");
    Select(a, 4, 7);
    DropInto(a, 13, Qt::ControlModifier);
    DragSelection(a);
    EXPECT_EQ(a.toPlainText(), "one two threetwo");
}

TEST_F(DDTextFieldTest, ADropFromAnotherFieldOnlyInserts)
{
    a.setPlainText("alpha beta");
    Select(a, 0, 5);
    b.setPlainText("gamma delta");
    Select(b, 6, 11);
    DropInto(b, 0);
    DragSelection(a);
    EXPECT_EQ(a.toPlainText(), "alpha beta") << "the source keeps its text";
    EXPECT_EQ(b.toPlainText(), "alphagamma delta") << "the target's own selection is not replaced";
}

TEST_F(DDTextFieldTest, OutsideDropsAndRefusals)
{
    b.setPlainText("plain");
    auto* styled = new QMimeData;
    styled->setHtml("<b>bold</b>");
    styled->setText("bold");
    EXPECT_TRUE(Drop(b, styled, 5));
    delete styled;
    EXPECT_EQ(b.toPlainText(), "plainbold");
    EXPECT_TRUE(b.textCursor().charFormat().font().bold()) << "styled text keeps its style";

    auto* image = new QMimeData;
    image->setData("image/png", "\x89PNG");
    EXPECT_FALSE(Drop(b, image, 0)) << "no text: refused";
    delete image;
    EXPECT_EQ(b.InsertionOffset(), CDDTextField::kNoOffset) << "and never tracked";

    b.setPlainText("keep this");
    Select(b, 0, 4);
    auto* text = new QMimeData;
    text->setText("x");
    Drop(b, text, 2); // on its own selection
    delete text;
    EXPECT_EQ(b.toPlainText(), "keep this");
}

TEST_F(DDTextFieldTest, KeysAreBroadcastBeforeTheTextChanges)
{
    struct Listener : LListener {
        CDDTextField* field = nullptr;
        QString seen;
        UInt16 character = 0;
        void ListenToMessage(MessageT inMessage, void* ioParam) override
        {
            if (inMessage != CDDTextField::msg_KeyPress)
                return;
            seen = field->toPlainText();
            character = *static_cast<UInt16*>(ioParam);
        }
    } listener;
    listener.field = &a;
    a.AddListener(&listener);
    a.setPlainText("ab");
    a.moveCursor(QTextCursor::End);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_C, Qt::NoModifier, "c");
    QApplication::sendEvent(&a, &key);
    EXPECT_EQ(listener.seen, "ab");
    EXPECT_EQ(listener.character, UInt16('c'));
    EXPECT_EQ(a.toPlainText(), "abc");
}

TEST_F(DDTextFieldTest, TheDropCaretBlinks)
{
    qint64 now = 0;
    b.SetClock([&now] { return now; });
    b.setPlainText("some text");
    auto* text = new QMimeData;
    text->setText("x");
    const QPoint at = PointOf(b, 2);
    QDragEnterEvent enter(at, Qt::CopyAction, text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(b.viewport(), &enter);
    EXPECT_EQ(b.InsertionOffset(), 2);
    EXPECT_TRUE(b.CaretVisible());
    now += QGuiApplication::styleHints()->cursorFlashTime();
    QDragMoveEvent move(at, Qt::CopyAction, text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(b.viewport(), &move);
    EXPECT_FALSE(b.CaretVisible()) << "half a period later the caret is off";
    QDragLeaveEvent leave;
    QApplication::sendEvent(b.viewport(), &leave);
    delete text;
}

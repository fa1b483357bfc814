#include "TextPane.h"

#include "ToolboxCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

namespace {
constexpr CommandT kRedoCommand = 'redo';
constexpr CommandT kSelectAllCommand = 'SLCT';
constexpr int kFocusRingWidth = 2;
} // namespace

TextPane::TextPane(QWidget* inParent)
    : QTextEdit(inParent)
{
    setAcceptRichText(false);
    setUndoRedoEnabled(true);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setViewportMargins(3, 2, 1, 2);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setTabChangesFocus(false);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);
}

void TextPane::SetDrawsFocusRing(bool inOn)
{
    mDrawFocusRing = inOn;
    update();
}

bool TextPane::IsFocusRingShown() const
{
    return mDrawFocusRing && hasFocus() && window() && window()->isActiveWindow();
}

int TextPane::TabWidth() const { return qRound(tabStopDistance()); }

void TextPane::SetTabWidth(int inPixels) { setTabStopDistance(qMax(0, inPixels)); }

void TextPane::GetSelection(int* outStart, int* outEnd) const
{
    const QTextCursor cursor = textCursor();
    *outStart = cursor.selectionStart();
    *outEnd = cursor.selectionEnd();
}

void TextPane::SetSelection(int inStart, int inEnd)
{
    const int last = document()->characterCount() - 1;
    QTextCursor cursor(document());
    cursor.setPosition(qBound(0, inStart, last));
    cursor.setPosition(qBound(0, inEnd, last), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}

QString TextPane::SelectedPlainText() const
{
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void TextPane::ReplaceSelection(const QString& inText) { textCursor().insertText(inText); }

bool TextPane::FindFocusedCommandStatus(CommandT inCommand, Boolean& outEnabled)
{
    const bool selection = textCursor().hasSelection();
    switch (inCommand) {
    case cmd_Cut:
    case cmd_Clear: outEnabled = selection && !isReadOnly(); return true;
    case cmd_Copy: outEnabled = selection; return true;
    case cmd_Paste: outEnabled = !isReadOnly() && canPaste(); return true;
    case cmd_Undo: outEnabled = document()->isUndoAvailable(); return true;
    case kRedoCommand: outEnabled = document()->isRedoAvailable(); return true;
    case kSelectAllCommand: outEnabled = !document()->isEmpty(); return true;
    default: return false;
    }
}

bool TextPane::ObeyFocusedCommand(CommandT inCommand)
{
    switch (inCommand) {
    case cmd_Undo: undo(); return true;
    case kRedoCommand: redo(); return true;
    case cmd_Cut: cut(); return true;
    case cmd_Copy: copy(); return true;
    case cmd_Paste: paste(); return true;
    case cmd_Clear:
        if (!isReadOnly())
            textCursor().removeSelectedText();
        return true;
    case kSelectAllCommand: selectAll(); return true;
    default: return false;
    }
}

// The frame is the scroll area's own paint; the ring goes around it when it shows.
bool TextPane::event(QEvent* inEvent)
{
    const bool result = QTextEdit::event(inEvent);
    if (inEvent->type() == QEvent::Paint && IsFocusRingShown()) {
        QPainter painter(this);
        QPen pen(palette().color(QPalette::Active, QPalette::Highlight), kFocusRingWidth);
        painter.setPen(pen);
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
    if (inEvent->type() == QEvent::WindowActivate || inEvent->type() == QEvent::WindowDeactivate)
        update();
    return result;
}

void TextPane::keyPressEvent(QKeyEvent* inEvent)
{
    const bool tab = inEvent->key() == Qt::Key_Tab || inEvent->key() == Qt::Key_Backtab;
    if (tab && mTabNavigation && !(inEvent->modifiers() & Qt::ControlModifier)) {
        const bool back = inEvent->key() == Qt::Key_Backtab || (inEvent->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(!back); // the editor's own refuses while it takes tabs
        return;
    }
    QTextEdit::keyPressEvent(inEvent);
}

void TextPane::mousePressEvent(QMouseEvent* inEvent)
{
    if (!hasFocus()) {
        setFocus(Qt::MouseFocusReason);
        inEvent->accept();
        return;
    }
    QTextEdit::mousePressEvent(inEvent);
}

void TextPane::focusInEvent(QFocusEvent* inEvent)
{
    QTextEdit::focusInEvent(inEvent);
    update();
}

void TextPane::focusOutEvent(QFocusEvent* inEvent)
{
    QTextEdit::focusOutEvent(inEvent);
    update();
}

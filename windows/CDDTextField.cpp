#include "CDDTextField.h"

#include "DragStarter.h"
#include "NibRegistrar.h"

#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyleHints>
#include <QTextBlock>
#include <QTextCursor>

namespace {
// The field a drag now in progress started from (drags do not nest).
const CDDTextField* sDragSource = nullptr;

bool IsSeparator(const QString& inText, int inPosition)
{
    return inPosition < 0 || inPosition >= inText.size() || inText[inPosition] == QLatin1Char(' ') ||
           inText[inPosition] == QChar::ParagraphSeparator || inText[inPosition] == QLatin1Char('\r') ||
           inText[inPosition] == QLatin1Char('\n');
}
} // namespace

CDDTextField::CDDTextField(QWidget* inParent)
    : QTextEdit(inParent)
    , mClock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    setAcceptDrops(true);
}

CDDTextField::~CDDTextField()
{
    if (sDragSource == this)
        sDragSource = nullptr;
}

void CDDTextField::Register()
{
    NibRegistrar::Get().RegisterWidget(QStringLiteral("CDDTextField"), class_ID,
                                       [](QWidget* inParent) { return new CDDTextField(inParent); });
}

CDDTextField::MovePlan CDDTextField::PlanMove(const QString& inText, int inSelectionStart, int inSelectionEnd,
                                              int inInsertion)
{
    int end = inSelectionEnd;
    // A whole word takes its following space along.
    if (IsSeparator(inText, inSelectionStart - 1) && !IsSeparator(inText, inSelectionStart) &&
        !IsSeparator(inText, inSelectionEnd - 1) && inSelectionEnd < inText.size() &&
        inText[inSelectionEnd] == QLatin1Char(' '))
        ++end;
    int insertAt = inInsertion;
    if (insertAt > inSelectionStart)
        insertAt = inSelectionStart + (insertAt - end);
    return {inSelectionStart, end, insertAt};
}

void CDDTextField::keyPressEvent(QKeyEvent* inEvent)
{
    UInt16 character = inEvent->text().isEmpty() ? 0 : inEvent->text().at(0).unicode();
    BroadcastMessage(msg_KeyPress, &character);
    QTextEdit::keyPressEvent(inEvent);
}

void CDDTextField::mousePressEvent(QMouseEvent* inEvent)
{
    const QTextCursor cursor = textCursor();
    const int offset = cursorForPosition(inEvent->position().toPoint()).position();
    mMayDrag = inEvent->button() == Qt::LeftButton && hasFocus() && cursor.hasSelection() &&
               offset >= cursor.selectionStart() && offset <= cursor.selectionEnd();
    mPressAt = inEvent->position().toPoint();
    if (!mMayDrag)
        QTextEdit::mousePressEvent(inEvent);
}

void CDDTextField::mouseMoveEvent(QMouseEvent* inEvent)
{
    if (mMayDrag) {
        if ((inEvent->position().toPoint() - mPressAt).manhattanLength() >= QApplication::startDragDistance()) {
            mMayDrag = false;
            StartDrag();
        }
        return;
    }
    QTextEdit::mouseMoveEvent(inEvent);
}

void CDDTextField::mouseReleaseEvent(QMouseEvent* inEvent)
{
    if (mMayDrag) {
        // A press on the selection that never moved places the caret as usual.
        mMayDrag = false;
        setTextCursor(cursorForPosition(inEvent->position().toPoint()));
        return;
    }
    QTextEdit::mouseReleaseEvent(inEvent);
}

void CDDTextField::StartDrag()
{
    auto* data = new QMimeData;
    data->setText(textCursor().selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')));
    sDragSource = this;
    DragStarter::Start(this, data, Qt::CopyAction | Qt::MoveAction);
    sDragSource = nullptr;
}

bool CDDTextField::Accepts(const QMimeData* inData) const
{
    return isVisible() && isEnabled() && inData && (inData->hasText() || inData->hasHtml());
}

void CDDTextField::dragEnterEvent(QDragEnterEvent* inEvent)
{
    if (!Accepts(inEvent->mimeData())) {
        inEvent->ignore();
        return;
    }
    inEvent->acceptProposedAction();
    ResetCaret();
    TrackCaret(inEvent->position().toPoint());
}

void CDDTextField::dragMoveEvent(QDragMoveEvent* inEvent)
{
    if (!Accepts(inEvent->mimeData())) {
        inEvent->ignore();
        return;
    }
    inEvent->acceptProposedAction();
    TrackCaret(inEvent->position().toPoint());
}

void CDDTextField::dragLeaveEvent(QDragLeaveEvent*)
{
    ResetCaret();
    viewport()->update();
}

void CDDTextField::ResetCaret()
{
    mInsertion = kNoOffset;
    mLastOffset = kNoOffset;
    mCaretVisible = true;
    mCaretTime = mClock();
}

// The caret shows where a drop would insert; over the selection there is none. It blinks at
// the desktop's cursor rate.
void CDDTextField::TrackCaret(QPoint inWhere)
{
    const QTextCursor selection = textCursor();
    int offset = cursorForPosition(inWhere).position();
    if (selection.hasSelection() && offset >= selection.selectionStart() && offset <= selection.selectionEnd())
        offset = kNoOffset;
    mInsertion = offset;
    const qint64 now = mClock();
    const int halfPeriod = std::max(1, QGuiApplication::styleHints()->cursorFlashTime() / 2);
    if (offset != mLastOffset) {
        mCaretTime = now;
        mCaretVisible = true;
    } else if (now - mCaretTime > halfPeriod) {
        mCaretVisible = !mCaretVisible;
        mCaretTime = now;
    }
    mLastOffset = offset;
    viewport()->update();
}

void CDDTextField::dropEvent(QDropEvent* inEvent)
{
    const QMimeData* data = inEvent->mimeData();
    if (!Accepts(data)) {
        inEvent->ignore();
        return;
    }
    TrackCaret(inEvent->position().toPoint());
    const int insertion = mInsertion;
    ResetCaret();
    mInsertion = kNoOffset;
    viewport()->update();
    const QString text = data->hasHtml() ? data->html() : data->text();
    if (text.isEmpty() || insertion == kNoOffset) {
        inEvent->ignore(); // on its own selection: nothing changes
        return;
    }
    // A move only when the drag came from this very field and Ctrl (copy) is not held.
    const bool move = sDragSource == this && !(inEvent->modifiers() & Qt::ControlModifier);
    QTextCursor cursor = textCursor();
    int at = insertion;
    if (move && cursor.hasSelection()) {
        const QString plain = toPlainText();
        const MovePlan plan = PlanMove(plain, cursor.selectionStart(), cursor.selectionEnd(), insertion);
        cursor.setPosition(plan.deleteStart);
        cursor.setPosition(plan.deleteEnd, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        at = plan.insertAt;
    }
    cursor.setPosition(at);
    const int start = cursor.position();
    if (data->hasHtml())
        cursor.insertHtml(data->html());
    else
        cursor.insertText(data->text());
    const int end = cursor.position();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    inEvent->setDropAction(move ? Qt::MoveAction : Qt::CopyAction);
    inEvent->accept();
}

void CDDTextField::paintEvent(QPaintEvent* inEvent)
{
    QTextEdit::paintEvent(inEvent);
    if (mInsertion == kNoOffset || !mCaretVisible)
        return;
    QTextCursor at(document());
    at.setPosition(std::min(mInsertion, document()->characterCount() - 1));
    const QRect caret = cursorRect(at);
    QPainter painter(viewport());
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(Qt::white);
    painter.drawLine(caret.left(), caret.top(), caret.left(), caret.bottom());
}

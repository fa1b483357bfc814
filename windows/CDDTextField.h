// CDDTextField: an edit field whose text can be dragged out and dropped in. A selection dragged
// within the field moves (a word taking its following space along, so the words around it keep
// one space between them); with Ctrl held, or from anywhere else, a drop copies: it inserts at
// the caret shown under the mouse and selects what it inserted. Plain text and styled text
// (HTML) are taken; anything else is refused and never highlighted. A drop on the field's own
// selection changes nothing. Each key press is broadcast (message 814, its parameter a pointer
// to the key's character code) before the text changes. Nibs name it by class (CDDTextField,
// class ID 'CDDT'). GUI thread only.
#pragma once

#include "LBroadcaster.h"
#include "UITypes.h"

#include <QTextEdit>

#include <functional>

class CDDTextField : public QTextEdit, public LBroadcaster {
    Q_OBJECT

public:
    static constexpr ClassIDT class_ID = 'CDDT';
    static constexpr MessageT msg_KeyPress = 814;
    static constexpr int kNoOffset = -1;

    explicit CDDTextField(QWidget* inParent = nullptr);
    ~CDDTextField() override;

    static void Register();

    // Where a drop of a move lands: the (possibly widened) range to delete and the offset to
    // insert at once it is deleted.
    struct MovePlan {
        int deleteStart;
        int deleteEnd;
        int insertAt;
    };
    static MovePlan PlanMove(const QString& inText, int inSelectionStart, int inSelectionEnd, int inInsertion);

    // The drop caret: its offset (kNoOffset when none) and whether it shows now.
    int InsertionOffset() const { return mInsertion; }
    bool CaretVisible() const { return mCaretVisible; }
    // The clock of the caret's blinking, in milliseconds (tests give their own).
    void SetClock(std::function<qint64()> inClock) { mClock = std::move(inClock); }

protected:
    void keyPressEvent(QKeyEvent* inEvent) override;
    void mousePressEvent(QMouseEvent* inEvent) override;
    void mouseMoveEvent(QMouseEvent* inEvent) override;
    void mouseReleaseEvent(QMouseEvent* inEvent) override;
    void dragEnterEvent(QDragEnterEvent* inEvent) override;
    void dragMoveEvent(QDragMoveEvent* inEvent) override;
    void dragLeaveEvent(QDragLeaveEvent* inEvent) override;
    void dropEvent(QDropEvent* inEvent) override;
    void paintEvent(QPaintEvent* inEvent) override;

private:
    void StartDrag();
    void TrackCaret(QPoint inWhere);
    void ResetCaret();
    bool Accepts(const QMimeData* inData) const;

    std::function<qint64()> mClock;
    QPoint mPressAt;
    bool mMayDrag = false;
    int mInsertion = kNoOffset;
    int mLastOffset = kNoOffset;
    bool mCaretVisible = false;
    qint64 mCaretTime = 0;
};

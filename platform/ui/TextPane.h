// TextPane: the text pane of the message editors, a QTextEdit of plain text on white with
// margins (top 2, left 3, bottom 2, right 1), a vertical scroll bar and wrapping at the view's
// edge. It keeps undo and redo, answers the editing commands while it has the focus (Undo 11,
// 'redo', Cut 12, Copy 13, Paste 14, Clear 15, 'SLCT'), moves the focus on Tab (Shift+Tab back)
// while tab navigation is on, and may be read-only for typing and pasting. A click on a pane
// without the focus only gives it the focus. It draws its frame and, with the ring flag on,
// a focus ring while its window is active and it has the focus.
// GUI thread only.
#pragma once

#include "FocusedCommands.h"

#include <QTextEdit>

class TextPane : public QTextEdit, public FocusedCommandResponder {
    Q_OBJECT

public:
    explicit TextPane(QWidget* inParent = nullptr);

    bool TabNavigation() const { return mTabNavigation; }
    void SetTabNavigation(bool inOn) { mTabNavigation = inOn; }
    bool DrawsFocusRing() const { return mDrawFocusRing; }
    void SetDrawsFocusRing(bool inOn);
    // Whether the ring shows now (flag on, window active, pane focused).
    bool IsFocusRingShown() const;
    // The tab width in pixels.
    int TabWidth() const;
    void SetTabWidth(int inPixels);

    // The selection as UTF-16 offsets; setting it scrolls it into view.
    void GetSelection(int* outStart, int* outEnd) const;
    void SetSelection(int inStart, int inEnd);
    QString SelectedPlainText() const;
    void ReplaceSelection(const QString& inText);

    bool FindFocusedCommandStatus(CommandT inCommand, Boolean& outEnabled) override;
    bool ObeyFocusedCommand(CommandT inCommand) override;

protected:
    bool event(QEvent* inEvent) override;
    void keyPressEvent(QKeyEvent* inEvent) override;
    void mousePressEvent(QMouseEvent* inEvent) override;
    void focusInEvent(QFocusEvent* inEvent) override;
    void focusOutEvent(QFocusEvent* inEvent) override;

private:
    bool mTabNavigation = true;
    bool mDrawFocusRing = true;
};

// Control helpers: captions and key filters of text fields and sliders, moving and resizing
// controls, popup and Data Browser shortcuts, window size limits and truncated text. No state;
// null controls and windows are ignored (or answer paramErr / null). GUI thread only.
#pragma once

#include "ControlData.h"
#include "UITypes.h"

#include <QIcon>
#include <QRect>
#include <QString>

#include <vector>

class QPainter;

// The caption shows the slider's value times 10 seconds as a duration, or "No delay" for 0.
void SetDelayCaption(ControlRef inSlider, ControlRef inCaption);
// Key filters (install with SetControlKeyFilter): every key but Return; only digits and
// Backspace, with a beep for anything else and for a "0" typed first.
ControlKeyFilterResult RejectReturnKey(ControlRef inControl, SInt16* ioKeyCode, SInt16* ioCharCode,
                                       UInt16* ioModifiers);
ControlKeyFilterResult DigitsOnlyKeyFilter(ControlRef inControl, SInt16* ioKeyCode, SInt16* ioCharCode,
                                           UInt16* ioModifiers);
// The digits-only rule for the whole text of a field, so pasted and dropped text is judged too:
// only digits, at most nine (a number that atol reads without overflow), at most inMaximum.
// An edit that would break the rule is refused with a beep. For a QLineEdit; others are ignored.
void LimitDigitsField(ControlRef inField, long inMaximum = 999999999);
// Draws the text at the pen position, dropping characters from its end until it fits within the
// right edge of the painter's clip (or its device); at least one character stays. Returns what
// was drawn.
QString DrawTruncatedText(QPainter& ioPainter, QPoint inPen, const QString& inText);

ControlRef GetControlByIDWrapper(WindowRef inWindow, OSType inSignature, SInt32 inID);
void SetBevelIcon(ControlRef inButton, const QIcon& inIcon);
void SetControlIconRef(ControlRef inControl, const QIcon& inIcon);
void SetControlContentData(ControlRef inControl, const QIcon& inContent);
void WidenControl(ControlRef inControl, int inPixels);            // no redraw
void ResizeControlWidth(ControlRef inControl, int inPixels);      // redraws
void MoveControlHorizontally(ControlRef inControl, int inPixels);  // redraws
void MoveControlVertically(ControlRef inControl, int inPixels);    // redraws
// The menu of a pull-down or search field; null for a popup, whose items are edited through
// the control itself (ControlValues).
MenuRef GetPopupMenuRef(ControlRef inPopup);
// Minimum 1 and maximum the item count; both 0 for an empty menu.
void SetPopupMenuRange(ControlRef inPopup);
// The selected items in view order (appended to outList when given) and their count.
OSStatus GetDataBrowserItemList(ControlRef inBrowser, UInt32* outCount, std::vector<DataBrowserItemID>* outList);
void SetWindowMinSize(WindowRef inWindow);                // minimum = current content size
void SetWindowMaxSize(WindowRef inWindow, int inWidth);   // maximum = width x current height
void GetWindowStructureBounds(WindowRef inWindow, QRect* outBounds);

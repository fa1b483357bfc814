// ControlValues: the values and looks of a control, by the names the window code calls them.
// Values by kind: popups (QComboBox) and tabs (QTabBar, or the bar of a QTabWidget) are 1-based
// with 0 for none; check boxes
// 0/1 (2 mixed); progress bars, sliders and spin boxes their value; a pull-down (a bevel button
// with a menu) its last chosen item, and setting it (to 1) resets it. A popup's range is 1 to its
// item count unless set (SetPopupMenuRange on an empty menu gives 0/0). Popup items are a
// QComboBox's items or the menu of a pull-down or search field: 1-based, separators counted,
// with a command ID (data), a check mark and enabling each. Bounds are in window coordinates.
// A null control is ignored (getters answer 0 or empty). GUI thread only.
#pragma once

#include "UITypes.h"

#include <QByteArray>
#include <QIcon>
#include <QRect>
#include <QString>

class QTabBar;

// The tab bar of a tab control: the control itself, or the bar of a tab widget (whose pages
// follow it); null for any other control.
QTabBar* TabBarOf(ControlRef inControl);

SInt32 GetControl32BitValue(ControlRef inControl);
void SetControl32BitValue(ControlRef inControl, SInt32 inValue);
SInt32 GetControl32BitMinimum(ControlRef inControl);
void SetControl32BitMinimum(ControlRef inControl, SInt32 inMinimum);
SInt32 GetControl32BitMaximum(ControlRef inControl);
void SetControl32BitMaximum(ControlRef inControl, SInt32 inMaximum);

void ShowControl(ControlRef inControl);
void HideControl(ControlRef inControl);
void SetControlVisibility(ControlRef inControl, bool inVisible, bool inDraw);
bool IsControlVisible(ControlRef inControl); // its own flag, whatever its window shows
void EnableControl(ControlRef inControl);
void DisableControl(ControlRef inControl);
bool IsControlEnabled(ControlRef inControl);

// The title of buttons, check boxes and captions; the text of fields and text panes.
void SetControlTitleWithCFString(ControlRef inControl, const QString& inTitle);
QString CopyControlTitleAsCFString(ControlRef inControl);
void SetControlText(ControlRef inControl, const QString& inText);
QString GetControlText(ControlRef inControl);
void SetControlIcon(ControlRef inControl, const QIcon& inIcon);

void GetControlBounds(ControlRef inControl, QRect* outBounds);
void SetControlBounds(ControlRef inControl, const QRect& inBounds);
// Redraws the control now; each redraw is counted (ControlRedrawCount) so tests see it.
void Draw1Control(ControlRef inControl);
int ControlRedrawCount(ControlRef inControl);
void SetKeyboardFocus(WindowRef inWindow, ControlRef inControl);

// Byte properties by (creator, tag), e.g. ('KWRD', 'Mail').
enum : OSStatus { controlPropertyNotFoundErr = -5604 };
OSStatus SetControlProperty(ControlRef inControl, OSType inCreator, OSType inTag, const QByteArray& inData);
OSStatus GetControlProperty(ControlRef inControl, OSType inCreator, OSType inTag, QByteArray* outData);
OSStatus RemoveControlProperty(ControlRef inControl, OSType inCreator, OSType inTag);

// Popup-menu items (see above). Item indexes are 1-based.
SInt32 CountPopupItems(ControlRef inControl);
void AppendPopupItem(ControlRef inControl, const QString& inText, CommandT inCommand = 0);
void AppendPopupSeparator(ControlRef inControl);
void DeletePopupItems(ControlRef inControl);
QString GetPopupItemText(ControlRef inControl, SInt32 inItem);
bool IsPopupItemSeparator(ControlRef inControl, SInt32 inItem);
void SetPopupItemEnabled(ControlRef inControl, SInt32 inItem, bool inEnabled);
bool IsPopupItemEnabled(ControlRef inControl, SInt32 inItem);
void SetPopupItemMark(ControlRef inControl, SInt32 inItem, bool inMarked);
bool IsPopupItemMarked(ControlRef inControl, SInt32 inItem);
void SetPopupItemCommand(ControlRef inControl, SInt32 inItem, CommandT inCommand);
CommandT GetPopupItemCommand(ControlRef inControl, SInt32 inItem);
// The first item carrying the command, or 0.
SInt32 FindPopupItemWithCommand(ControlRef inControl, CommandT inCommand);

// Progress bars and busy arrows: indeterminate is the range 0-0; the determinate range is kept
// and comes back when the bar turns determinate again.
void SetProgressIndeterminate(ControlRef inControl, bool inIndeterminate);
bool IsProgressIndeterminate(ControlRef inControl);

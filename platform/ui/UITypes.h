// The names the window code was written with, mapped onto Qt Widgets: a control is a widget
// inside a nib window, a window is a top-level widget (main window, sheet, drawer or editor),
// a menu is a QMenu. Control IDs are (signature, number) pairs; the result codes below are the
// ones the program compares with. Plain declarations: no state, any thread may include it.
#pragma once

#include "MacTypes.h"

class QWidget;
class QMenu;

using ControlRef = QWidget*;
using WindowRef = QWidget*;
using MenuRef = QMenu*;
using PaneIDT = SInt32;
using ClassIDT = FourCharCode;
using DataBrowserItemID = UInt32;
using DataBrowserPropertyID = UInt32;

struct ControlID {
    OSType signature = 0;
    SInt32 id = 0;
};

// Result codes of the window layer.
enum : OSStatus {
    errMessageNotSupported = -30580,
    errDataNotSupported = -30581,
    errControlDoesntSupportFocus = -30582,
    errUnknownControl = -30584,
    errDataSizeMismatch = -30591,
    errDataBrowserItemNotFound = -4971,
    errDataBrowserPropertyNotFound = -4972,
    errDataBrowserPropertyNotSupported = -4979,
    eventNotHandledErr = -9874,
    menuItemNotFoundErr = -5620,
};

// Part codes: the whole control, or the 1-based tab of a tab control.
constexpr SInt16 kControlEntireControl = 0;

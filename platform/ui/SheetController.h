// SheetController: sheets are nib windows shown window-modal on a parent window without
// blocking: ShowSheetWindow returns at once and the sheet's controls report through its own
// handler. A sheet is built once and shown and hidden as often as needed. A second sheet shown
// on the same window stacks: it becomes modal to the sheet on top. The parent's handler hears
// "sheet opening" first. A shown sheet sits attached to its window: no frame, centred on the
// top edge of the window's content, following the window. Its keys press its buttons: Return
// the default button, Escape the cancel button ('not!' or 'CNCL'), or the default button of a
// sheet without one; a sheet never hides by itself. GUI thread only.
#pragma once

#include "UITypes.h"

class SheetController {
public:
    // paramErr for a null sheet or parent.
    static OSStatus ShowSheetWindow(WindowRef inSheet, WindowRef inParent);
    static OSStatus HideSheetWindow(WindowRef inSheet);

    static bool IsSheetShown(WindowRef inSheet);
    // The window (or sheet) the sheet is shown on; null when not shown.
    static WindowRef GetSheetParent(WindowRef inSheet);
    // The topmost shown sheet of a window, following stacked sheets; null when none.
    static WindowRef GetTopSheet(WindowRef inWindow);
};

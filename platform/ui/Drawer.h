// Drawer: a nib window docked as a panel along the bottom of its parent window. Opening it
// grows the parent window by the drawer's height (its size limits move with it, so a fixed
// height stays fixed for the rest of the window); closing gives the height back. The parent's
// content bounds exclude an open drawer; the drawer keeps its own bounds. Offsets indent the
// drawer's leading and trailing edges. There is no animation: a drawer is open or closed.
// GUI thread only; a null drawer or one without a parent answers paramErr.
#pragma once

#include "UITypes.h"

enum : UInt32 {
    kWindowDrawerOpening = 1,
    kWindowDrawerOpen = 2,
    kWindowDrawerClosing = 3,
    kWindowDrawerClosed = 4,
};

class Drawer {
public:
    static OSStatus SetDrawerParent(WindowRef inDrawer, WindowRef inParent);
    static WindowRef GetDrawerParent(WindowRef inDrawer);
    static OSStatus SetDrawerOffsets(WindowRef inDrawer, int inLeading, int inTrailing);
    static OSStatus GetDrawerOffsets(WindowRef inDrawer, int* outLeading, int* outTrailing);

    static OSStatus OpenDrawer(WindowRef inDrawer);
    static OSStatus CloseDrawer(WindowRef inDrawer);
    static OSStatus ToggleDrawer(WindowRef inDrawer);
    static UInt32 GetDrawerState(WindowRef inDrawer);

private:
    static void AdjustParentHeight(WindowRef inParent, int inDelta);
};

// WindowUtilities: free functions around the mailing windows: the progress sheet's icon pane,
// showing or hiding option controls in every open mailing window, two rectangle functions for
// stored bounds, and the scripts that ask the front web browser for its page. The process
// lookup behind the browser choice is replaceable (this system has no process signatures, so
// the default finds nothing). GUI thread only; nothing throws.
#pragma once

#include "MacTypes.h"

#include <functional>

class CText;
class QPainter;
class UserPane;

// A QuickDraw rectangle: four signed 16-bit numbers.
struct Rect {
    SInt16 top = 0;
    SInt16 left = 0;
    SInt16 bottom = 0;
    SInt16 right = 0;
};

// Draws the simulate-send icon centred in the pane, when the bundle has that icon.
void DrawIconUserPane(UserPane* inPane, QPainter& ioPainter);

// The charset popup of every open mailing window.
void ShowControlInAllWindows(Boolean inShow);
// Both priority controls of every open mailing window.
void HideControlInAllWindows(Boolean inShow);

// Reverses the byte order of each side, in place (stored big-endian bounds to native and back).
void SwapRectBytes(Rect* ioRect);
// True when they share an area; rectangles that only touch do not overlap.
Boolean RectsOverlap(const Rect& inA, const Rect& inB);

// The process search: noErr when a process of that signature runs.
using ProcessLookup = std::function<OSErr(OSType inSignature)>;
// Replaces the search (an empty one restores the default); returns the previous one.
ProcessLookup SetProcessLookup(ProcessLookup inLookup);

// The title and URL scripts of the first browser found running; the search's error, and the
// texts untouched, when none runs.
OSErr GetFrontBrowserScripts(CText& outTitleScript, CText& outURLScript);

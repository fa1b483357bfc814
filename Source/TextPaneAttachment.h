// TextPaneAttachment: turns a nib's text pane into one of the mailing window's editors: the
// pane answers the editors' control-data tags through its own handler, asked before any other:
//   'txob' (pointer-sized) the pane itself, get only
//   'tsel' two SInt32, the selection as UTF-16 offsets; setting it scrolls it into view
//   'text' / 'selc' the whole / the selected text as UTF-8 bytes, cut on a character boundary
//          to the buffer (the size returned is the count copied); setting replaces it
//   'cfst' / 'selt' the whole / the selected text as a QString (sizeof(QString))
//   'tabs' SInt16 tab width; 'fdrw', 'ftab', 'rdpm' one byte: focus ring, tab navigation,
//          read-only
// A wrong size answers -50 (paramErr), any other tag -9874 (eventNotHandledErr).
// GUI thread only.
#pragma once

#include "UITypes.h"

#include <QRect>

// 0, or -50 when the control is not a text pane.
OSStatus AttachTextPane(ControlRef inPane);
// A new text pane in the window at those bounds (window coordinates), attached.
OSStatus CreateTextPaneControl(WindowRef inWindow, const QRect& inBounds, ControlRef* outPane);

// What the application does with its mailing documents and windows as a whole: the Open and
// Import Recipients commands (a chosen file goes the application's open-document road), and the
// windows brought up to date when the program becomes active. GUI thread only.
#pragma once

#include "MacTypes.h"

// For every open mailing window, in order: the address book read again when it changed, the
// progress display hidden. When every window is minimised (the program was brought back from
// the task bar), the last one is shown again.
void RefreshWindowsOnActivate();

// Asks for a mailing document ("*.bvto") and opens it; noErr also when nothing was chosen.
OSStatus ChooseAndOpenDocument();
// Asks for any file and opens it as a document: a text file becomes a new mailing importing it.
OSStatus ImportRecipientsFile();

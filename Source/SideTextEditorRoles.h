// SideTextEditorRoles: the windows and controls of the three side-text editors, in the order of
// the window's editor texts (plain-text alternative, preamble, epilogue), so that every part of
// the window that serves the editors finds them in one table.
#pragma once

#include "CBrevantoWindow.h"

struct SideTextEditorRoles {
    CBrevantoWindow::ENibWindow window;
    ControlRole pane;
    ControlRole tagPullDown;            // the general merge fields
    ControlRole addressBookTagPullDown; // the address card fields and label forms
    const char* titleFormat;            // the window title, %1 the document's name
};

inline constexpr SideTextEditorRoles kSideTextEditors[] = {
    {CBrevantoWindow::ENibWindow::plainTextAlternative, ControlRole::PlainTextAlternativeTextPane,
     ControlRole::PlainTextAlternativeTagPullDown, ControlRole::PlainTextAlternativeAddressBookTagPullDown,
     "Plain Text Alternative: %1"},
    {CBrevantoWindow::ENibWindow::preamble, ControlRole::PreambleTextPane, ControlRole::PreambleTagPullDown,
     ControlRole::PreambleAddressBookTagPullDown, "Preamble: %1"},
    {CBrevantoWindow::ENibWindow::epilogue, ControlRole::EpilogueTextPane, ControlRole::EpilogueTagPullDown,
     ControlRole::EpilogueAddressBookTagPullDown, "Epilogue: %1"},
};

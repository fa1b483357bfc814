// The framework's command numbers and the save options of a quit. Commands are 32-bit:
// these small numbers or four-character codes ('SIMS').
#pragma once

#include "MacTypes.h"

enum : CommandT {
    cmd_Nothing = 0,
    cmd_About = 1,
    cmd_New = 2,
    cmd_Open = 3,
    cmd_Close = 4,
    cmd_Save = 5,
    cmd_SaveAs = 6,
    cmd_Revert = 7,
    cmd_Quit = 10,
    cmd_Undo = 11,
    cmd_Cut = 12,
    cmd_Copy = 13,
    cmd_Paste = 14,
    cmd_Clear = 15,
    cmd_Preferences = 27,
};

// How a quit treats unsaved documents.
enum : SInt32 {
    kAEAsk = 'ask ',
    kAEYes = 'yes ',
    kAENo = 'no  ',
};

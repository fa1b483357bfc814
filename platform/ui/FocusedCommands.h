// FocusedCommands: the editing commands (Undo, Redo, Cut, Copy, Paste, Clear, Select All) go
// first to the focused control of the front window when that control answers them, as a focus
// chain would have it; otherwise the command takes its usual route (CommandRouter).
// GUI thread only.
#pragma once

#include "UITypes.h"

class FocusedCommandResponder {
public:
    virtual ~FocusedCommandResponder() = default;
    // False when the control does not answer the command (it then takes its usual route).
    virtual bool FindFocusedCommandStatus(CommandT inCommand, Boolean& outEnabled) = 0;
    virtual bool ObeyFocusedCommand(CommandT inCommand) = 0;
};

// The focused control of the front window, when it answers commands; null otherwise.
FocusedCommandResponder* FindFocusedCommandResponder();

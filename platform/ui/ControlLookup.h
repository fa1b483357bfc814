// ControlLookup: finds a control of a nib window by its control ID, as the window code expects:
// a missing control answers -50 (paramErr) and a null
// control, and every miss is recorded (window name and ID) so tests can show that building a
// window looked up nothing that is absent. The search stays inside the window: it never
// descends into another nib window embedded in it (a drawer) or shown on it (a sheet), whose
// IDs may repeat the window's own. Panes of resource-ID windows are found by pane ID.
// GUI thread only.
#pragma once

#include "UITypes.h"

#include <QString>

#include <vector>

class ControlLookup {
public:
    struct Miss {
        QString window; // the nib window's name
        ControlID id;
    };

    // noErr and the control, or paramErr and null (also for a null window).
    static OSStatus GetControlByID(WindowRef inWindow, const ControlID& inID, ControlRef* outControl);
    static ControlRef FindControl(WindowRef inWindow, OSType inSignature, SInt32 inID);
    // The pane "pane:n" or "pane:'CODE'", or null (recorded as a miss too).
    static QWidget* FindPaneByID(WindowRef inWindow, PaneIDT inID);

    // The nib window a control lives in (the control itself when it is one), or null.
    static WindowRef NibWindowOf(const QWidget* inControl);
    static QString NibWindowName(const QWidget* inWindow);

    static std::vector<Miss> Misses();
    static void ClearMisses();

private:
    static QWidget* FindNamed(QWidget* inRoot, const QString& inName);
    static void RecordMiss(WindowRef inWindow, const ControlID& inID);
};

// The toolbox's spelling of the lookup.
inline OSStatus GetControlByID(WindowRef inWindow, const ControlID* inID, ControlRef* outControl)
{
    if (!inID)
        return paramErr;
    return ControlLookup::GetControlByID(inWindow, *inID, outControl);
}

// PreferencesSeams: the least the application needs of the preferences, servers and update
// windows until they are built: opening them does nothing (the preferences window pointer stays
// null), and the caution alert goes through the presenter. GUI thread only.
#pragma once

#include "MacTypes.h"

#include <QString>

class QWidget;

// The preferences window while one is open; null otherwise.
extern QWidget* gPreferencesWindow;

void OpenPreferencesWindow();
// The preferences window at its Message Monitor pane.
void ShowPreferencesWindow();
void OpenServersWindow();
void CheckForUpdates(bool inSilent);

// Beeps and asks with OK (default) and Cancel: 1 OK, 2 Cancel, -1 when the alert cannot be shown.
SInt16 ShowCautionAlert(const QString& inMessage, const QString& inExplanation);

// Alert helpers: the standard stop alert and the file choosers the windows use, all through
// the installed Presenter (so tests answer them). GUI thread; an alert shown from a cooperative
// thread holds the other threads until it closes.
#pragma once

#include "MacTypes.h"

#include <QString>
#include <QStringList>

#include <optional>

// Beeps, then shows a stop alert with OK alone and waits for it: noErr, or paramErr when the
// alert could not be shown.
OSStatus ShowStandardAlert(const QString& inMessage, const QString& inExplanation);
// Beeps and asks with OK (default) and Cancel: 1 OK, 2 Cancel, -1 when the alert cannot be shown.
SInt16 ShowCautionAlert(const QString& inMessage, const QString& inExplanation);
// Several files, the message shown in the chooser; null when the user cancelled.
std::optional<QStringList> ChooseFile(const QString& inDefaultLocation, const QString& inMessage);
// One file of the type (0: any); true when no file was chosen.
bool ChooseOneFile(OSType inFileType, QString& outPath);

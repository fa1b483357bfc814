// SoundPlayback: plays one of the program's short sounds ("Mail Sent", "Mail Not Sent" ...)
// to the end, or until the user presses a mouse button (SoundPlayer underneath). The result is
// 0 or the error code (-43 missing file, -2009 not a sound, -201 no sound device); callers may
// ignore it. GUI thread or cooperative threads (the player yields while the device is busy).
#pragma once

#include "FSSpec.h"
#include "MacTypes.h"

#include <QString>

OSErr PlaySoundFile(const FSSpec& file);
// The same for a path or a compiled-in resource (":/...").
OSErr PlaySoundFile(const QString& pathOrResource);

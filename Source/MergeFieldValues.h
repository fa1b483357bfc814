// MergeFieldValues: the values of the merge fields for a mailing window's current recipient,
// the table main() installs (InstallMergeFieldProcs) and the window's whole expansion step:
// tags, script blocks, then the tracking image. GUI thread or cooperative threads.
#pragma once

#include "MacTypes.h"
#include "MergeFieldRegistry.h"

#include <QString>

// The recipient a message is being made for; the send engine and the preview fill it.
struct MergeRecipient {
    SInt32 index = -1;   // into the current source; -1: the user's own card
    QString displayName; // as it goes into To
    QString firstName;
    QString lastName;
    QString address;     // the address being sent to
};

// The value functions by field name, and how many.
extern const MergeFieldBinding kMergeFieldBindings[];
extern const size_t kMergeFieldBindingCount;

// Installs kMergeFieldBindings; before the environment is built.
void InstallMergeFieldValues();

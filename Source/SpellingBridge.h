// SpellingBridge: spell checking for the side-text editors through the spell-checking module
// SpellCheck.so (platform/system/spellcheck), found in the program's private frameworks folder
// and bound by its function names when any operation is first used. A missing module or
// function falls back quietly: no misspelled word (0, 0), empty lists, tag 0, nothing done.
// A module whose initialisation fails counts as none at all. Texts are QStrings; ranges and
// offsets count UTF-16 code units. GUI thread only.
#pragma once

#include "MacTypes.h"

#include <QString>
#include <QStringList>

struct SpellCheckRange {
    SInt32 location = 0;
    SInt32 length = 0; // 0: no misspelled word
};

// The module's file name for a system version (0x1020 = 10.2): none below 10.2, the older
// module on 10.2.x, else "SpellCheck.so".
QString SpellBundleName(UInt32 inSystemVersion);

Boolean IsSpellCheckingAvailable();
SpellCheckRange SpellCheckString(const QString& inText, SInt32 inStart, const QString& inLanguage, Boolean inWrap,
                                 SInt32 inTag);
QStringList SpellCopyGuesses(const QString& inWord);
void SpellIgnoreWord(const QString& inWord, SInt32 inTag);
SInt32 SpellGetUniqueDocumentTag();
void SpellSetIgnoredWords(const QStringList& inWords, SInt32 inTag);
QStringList SpellCopyIgnoredWords(SInt32 inTag);
void SpellCloseDocument(SInt32 inTag);

// Ends the module's session and unloads it; the next operation loads it afresh (tests, quit).
void DisposeSpellBundle();

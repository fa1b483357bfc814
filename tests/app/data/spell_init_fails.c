/* A spell-checking module with every function whose initialisation finds no dictionary. */
#include "SpellCheckModule.h"

#define EXPORT __attribute__((visibility("default")))

EXPORT int InitializeCocoaSpellChecking(void) { return 1; }
EXPORT SpellRange CheckSpellingOfString(const uint16_t* text, int32_t length, int32_t start,
                                        const uint16_t* language, int32_t languageLength, int32_t wrap, int32_t tag)
{
    (void)text; (void)length; (void)start; (void)language; (void)languageLength; (void)wrap; (void)tag;
    SpellRange word = {0, 1};
    return word;
}
EXPORT int32_t GetUniqueSpellDocumentTag(void) { return 7; }

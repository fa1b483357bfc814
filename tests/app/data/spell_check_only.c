/* A spell-checking module that exports only the check: every text is correct. */
#include "SpellCheckModule.h"

__attribute__((visibility("default"))) SpellRange CheckSpellingOfString(const uint16_t* text, int32_t length,
                                                                        int32_t start, const uint16_t* language,
                                                                        int32_t languageLength, int32_t wrap,
                                                                        int32_t tag)
{
    (void)text; (void)length; (void)start; (void)language; (void)languageLength; (void)wrap; (void)tag;
    SpellRange none = {0, 0};
    return none;
}

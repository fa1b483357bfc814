/* SpellCheckModule: the C functions of the spell-checking module (SpellCheck.so), which the
 * program loads at run time and binds by name; the module may export any of them. Strings are
 * UTF-16 (pointer and length in code units); offsets and ranges count UTF-16 code units. Lists
 * come back as one malloc'ed block of NUL-separated UTF-8 items with their count; the caller
 * frees the block with free(). Called on the GUI thread only. */
#ifndef SPELL_CHECK_MODULE_H
#define SPELL_CHECK_MODULE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct {
    int32_t location;
    int32_t length; /* 0 (and location 0) when no word is misspelled */
} SpellRange;

typedef struct {
    char* items; /* count NUL-terminated UTF-8 items, back to back; null when count is 0 */
    int32_t count;
} SpellList;

/* 0 when a dictionary is ready; anything else: nothing can be checked. */
typedef int (*InitializeSpellCheckingProc)(void);
typedef void (*TerminateSpellCheckingProc)(void);
/* The first misspelled word from `start` on, then (with `wrap`) from the beginning up to
 * `start`, skipping words ignored under `tag`. An empty language is the default one. */
typedef SpellRange (*CheckSpellingOfStringProc)(const uint16_t* text, int32_t length, int32_t start,
                                                const uint16_t* language, int32_t languageLength, int32_t wrap,
                                                int32_t tag);
typedef void (*IgnoreWordProc)(const uint16_t* word, int32_t length, int32_t tag);
typedef SpellList (*CopyGuessesForWordProc)(const uint16_t* word, int32_t length);
typedef int32_t (*GetUniqueSpellDocumentTagProc)(void);
/* Replaces the words ignored under `tag` (`words`: `count` NUL-separated UTF-8 items). */
typedef void (*SetIgnoredWordsProc)(const char* words, int32_t count, int32_t tag);
typedef SpellList (*CopyIgnoredWordsProc)(int32_t tag);
typedef void (*CloseSpellDocumentProc)(int32_t tag);

#ifdef __cplusplus
}
#endif

#endif

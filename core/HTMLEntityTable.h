// CHTMLEntityTable: translates between single characters and HTML character entities, from a
// table text of lines "character TAB entity TAB second-form" (each line ended by CR or LF; runs
// of TABs count as one separator, empty lines are skipped). A character is one Unicode code point
// in UTF-8. Encoding writes the entity column; decoding accepts the entity column and then the
// second form, and writes the whole character.
//
// Invariants: at most 256 lines are read (later ones are ignored); a line lacking a column is
// skipped. The table owns a copy of the text that every entry points into. Built once and only
// read afterwards: any thread may read it. Nothing throws except allocation.
#pragma once

#include "MacTypes.h"

#include <cstddef>
#include <memory>

class CHTMLEntityTable {
public:
    static constexpr int kCapacity = 256;
    static constexpr size_t kLongestEntitySpan = 16;  // "&" to ";" must be shorter than this

    explicit CHTMLEntityTable(const char* tableText);
    CHTMLEntityTable(const CHTMLEntityTable&) = delete;
    CHTMLEntityTable& operator=(const CHTMLEntityTable&) = delete;

    // The character text for an entity (with "&" and ";"): the last entry whose entity column
    // matches exactly, else the last whose second form matches; null when none.
    const char* CharacterForEntity(const char* entity) const;
    // The entity of the last entry whose character column is exactly the `length` bytes at
    // `character`; null when none.
    const char* EntityForCharacter(const char* character, size_t length) const;

    // Replaces every entity the table knows by its character, in place (the text never grows).
    void DecodeEntities(char* text) const;
    // A new[] copy of text with every character that has an entity replaced by it; the caller
    // frees it with delete[].
    char* EncodeEntities(const char* text) const;

    int Count() const { return mCount; }
    SInt16 Longest() const { return mLongest; }

private:
    struct Entry {
        const char* entity = nullptr;
        const char* character = nullptr;
        const char* secondForm = nullptr;
        SInt16 entityLength = 0;
        SInt16 secondFormLength = 0;
    };

    void ReadLine(char* line);

    std::unique_ptr<char[]> mText;
    Entry mEntries[kCapacity];
    int mCount = 0;
    SInt16 mLongest = 0;
};

// CCharacterMaps: the two character maps the text code reads — the escape-text map (a character,
// by Unicode code point, to the text that replaces it when escaping; empty when the character is
// kept) and the characters-by-code map (a Windows-1252 code to the character it stands for, used
// by form decoding).
//
// The environment builds the program's maps and installs them once at start-up with
// SetCharacterMaps; tests install a fixture. Until one is installed both maps are empty: escaping
// keeps every character and form decoding turns every code into a space. The installed object is
// read-only from then on and must outlive its use; any thread may read it.
#pragma once

#include <cstddef>

class CString32;

class CCharacterMaps {
public:
    virtual ~CCharacterMaps() = default;
    // The escape text of a character, or null when it has none (or an empty one).
    virtual const CString32* FindEscapeText(char32_t character) const = 0;
    // The character a code stands for; false when the map has no entry.
    virtual bool FindCharacterForCode(long code, char32_t& character) const = 0;
};

// The maps in force (null before installation). Installing null removes them.
const CCharacterMaps* GetCharacterMaps();
void SetCharacterMaps(const CCharacterMaps* maps);

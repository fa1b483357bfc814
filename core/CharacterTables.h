// CCharacterTables: the program's two character maps, built from Windows-1252.
//   - escape texts: every printable Windows-1252 character, by Unicode code point, to "%" and two
//     upper-case hex digits of its Windows-1252 code; ASCII letters, digits, space, "*", "-", "."
//     and "_" map to the empty text (they are kept). Controls, DEL and characters Windows-1252
//     lacks have no entry, so escaping keeps them too.
//   - characters by code: each Windows-1252 code from 32 to 255 to its character; 127 and the
//     five codes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) have no entry.
// Filled by the constructor and read-only afterwards, so any thread may read a built table.
// The environment installs its table as the program's character maps (SetCharacterMaps).
#pragma once

#include "CMap.h"
#include "CString32.h"
#include "CharacterMaps.h"

class CCharacterTables : public CCharacterMaps {
public:
    CCharacterTables();

    const CString32* FindEscapeText(char32_t character) const override;
    bool FindCharacterForCode(long code, char32_t& character) const override;

    // The character of a Windows-1252 code, or 0 when the code stands for none (or is out of range).
    static char32_t Windows1252Character(unsigned code);

    CMap<char32_t, CString32> escapeTexts;
    CMap<long, char32_t> charactersByCode;
};

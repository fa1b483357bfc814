#include "CharacterTables.h"

#include <cstdio>

namespace {

// Windows-1252 codes 0x80-0x9F; 0 marks the five codes the character set leaves undefined.
constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool IsKeptCharacter(char32_t c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return c == ' ' || c == '*' || c == '-' || c == '.' || c == '_';
}

}  // namespace

char32_t CCharacterTables::Windows1252Character(unsigned code)
{
    if (code < 32 || code > 255 || code == 127)
        return 0;
    if (code >= 0x80 && code <= 0x9F)
        return kWindows1252High[code - 0x80];
    return code;
}

CCharacterTables::CCharacterTables()
{
    for (unsigned code = 32; code <= 255; ++code) {
        const char32_t character = Windows1252Character(code);
        if (character == 0)
            continue;
        CString32 escape;
        if (!IsKeptCharacter(character)) {
            char text[4];
            std::snprintf(text, sizeof text, "%%%02X", code);
            escape.Assign(text);
        }
        escapeTexts.FindOrInsert(character, escape);
        charactersByCode.FindOrInsert(long(code), character);
    }
}

const CString32* CCharacterTables::FindEscapeText(char32_t character) const
{
    const auto* entry = escapeTexts.Find(character);
    if (entry == nullptr || entry->value.text[0] == 0)
        return nullptr;
    return &entry->value;
}

bool CCharacterTables::FindCharacterForCode(long code, char32_t& character) const
{
    const auto* entry = charactersByCode.Find(code);
    if (entry == nullptr)
        return false;
    character = entry->value;
    return true;
}

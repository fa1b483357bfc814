// A character-map fixture made by the escaping rule the program's tables follow: every printable
// Windows-1252 character other than ASCII letters, digits, space, "*", "-", "." and "_" escapes to
// "%" and two upper-case hex digits of its Windows-1252 code; every defined Windows-1252 code from
// 32 to 255 maps back to its character. Installed for the lifetime of the object.
#pragma once

#include "CString32.h"
#include "CharacterMaps.h"

#include <cstdio>
#include <cstring>
#include <map>

class TextHelpersFixtureMaps : public CCharacterMaps {
public:
    TextHelpersFixtureMaps()
    {
        for (unsigned code = 32; code <= 255; ++code) {
            char32_t c = Windows1252(code);
            if (c == 0 || code == 127)
                continue;
            mCharacters.emplace(long(code), c);
            CString32 escape;
            if (!Kept(c)) {
                char text[4];
                std::snprintf(text, sizeof text, "%%%02X", code);
                escape.Assign(text);
            }
            mEscapes.emplace(c, escape);
        }
        mPrevious = GetCharacterMaps();
        SetCharacterMaps(this);
    }
    ~TextHelpersFixtureMaps() override { SetCharacterMaps(mPrevious); }

    const CString32* FindEscapeText(char32_t character) const override
    {
        auto found = mEscapes.find(character);
        return found == mEscapes.end() ? nullptr : &found->second;
    }
    bool FindCharacterForCode(long code, char32_t& character) const override
    {
        auto found = mCharacters.find(code);
        if (found == mCharacters.end())
            return false;
        character = found->second;
        return true;
    }

private:
    static bool Kept(char32_t c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               (c < 128 && std::strchr(" *-._", int(c)) != nullptr);
    }
    static char32_t Windows1252(unsigned code)
    {
        static constexpr char32_t kHigh[32] = {
            0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
            0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
            0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
        if (code >= 0x80 && code <= 0x9F)
            return kHigh[code - 0x80];
        return char32_t(code);
    }

    std::map<char32_t, CString32> mEscapes;
    std::map<long, char32_t> mCharacters;
    const CCharacterMaps* mPrevious = nullptr;
};

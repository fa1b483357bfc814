#include "HTMLEntityTable.h"

#include "TextHelpers.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Splits the next TAB-separated column off `cursor` (runs of TABs count as one); null at the end.
char* NextColumn(char*& cursor)
{
    while (*cursor == '\t')
        ++cursor;
    if (*cursor == 0)
        return nullptr;
    char* column = cursor;
    while (*cursor != 0 && *cursor != '\t')
        ++cursor;
    if (*cursor == '\t')
        *cursor++ = 0;
    return column;
}

// Bytes of the first character of a non-empty column (a byte that starts no UTF-8 sequence counts
// as one character).
size_t FirstCharacterLength(const char* column)
{
    char32_t ignored;
    return ReadCharacter(column, std::strlen(column), ignored);
}

}  // namespace

CHTMLEntityTable::CHTMLEntityTable(const char* tableText)
{
    const size_t length = tableText != nullptr ? std::strlen(tableText) : 0;
    mText = std::make_unique<char[]>(length + 1);
    if (length > 0)
        std::memcpy(mText.get(), tableText, length);
    mText[length] = 0;

    int linesRead = 0;
    char* cursor = mText.get();
    while (*cursor != 0 && linesRead < kCapacity) {
        while (IsLineEnd(*cursor))
            ++cursor;
        if (*cursor == 0)
            break;
        char* line = cursor;
        while (*cursor != 0 && !IsLineEnd(*cursor))
            ++cursor;
        if (*cursor != 0)
            *cursor++ = 0;
        ++linesRead;
        ReadLine(line);
    }
}

void CHTMLEntityTable::ReadLine(char* line)
{
    char* cursor = line;
    char* character = NextColumn(cursor);
    char* entity = NextColumn(cursor);
    char* secondForm = NextColumn(cursor);
    if (character == nullptr || entity == nullptr || secondForm == nullptr)
        return;
    Entry& entry = mEntries[mCount++];
    entry.character = character;
    entry.entity = entity;
    entry.secondForm = secondForm;
    entry.entityLength = SInt16(std::min<size_t>(std::strlen(entity), INT16_MAX));
    entry.secondFormLength = SInt16(std::min<size_t>(std::strlen(secondForm), INT16_MAX));
    mLongest = std::max({mLongest, entry.entityLength, entry.secondFormLength});
}

const char* CHTMLEntityTable::CharacterForEntity(const char* entity) const
{
    if (entity == nullptr)
        return nullptr;
    for (int i = mCount - 1; i >= 0; --i) {
        if (std::strcmp(mEntries[i].entity, entity) == 0)
            return mEntries[i].character;
    }
    for (int i = mCount - 1; i >= 0; --i) {
        if (std::strcmp(mEntries[i].secondForm, entity) == 0)
            return mEntries[i].character;
    }
    return nullptr;
}

const char* CHTMLEntityTable::EntityForCharacter(const char* character, size_t length) const
{
    if (character == nullptr || length == 0)
        return nullptr;
    for (int i = mCount - 1; i >= 0; --i) {
        const char* column = mEntries[i].character;
        if (std::strncmp(column, character, length) == 0 && column[length] == 0)
            return mEntries[i].entity;
    }
    return nullptr;
}

void CHTMLEntityTable::DecodeEntities(char* text) const
{
    if (text == nullptr)
        return;
    size_t length = std::strlen(text);
    char entity[kLongestEntitySpan + 1];
    for (char* amp = std::strchr(text, '&'); amp != nullptr; amp = std::strchr(amp + 1, '&')) {
        const char* semicolon = std::strchr(amp, ';');
        if (semicolon == nullptr)
            return;
        const size_t span = size_t(semicolon - amp);
        if (span >= kLongestEntitySpan)
            continue;
        std::memcpy(entity, amp, span + 1);
        entity[span + 1] = 0;
        const char* character = CharacterForEntity(entity);
        if (character == nullptr)
            continue;
        const size_t characterLength = FirstCharacterLength(character);
        if (characterLength > span + 1)
            continue;
        std::memcpy(amp, character, characterLength);
        char* tail = amp + span + 1;
        std::memmove(amp + characterLength, tail, length - size_t(tail - text) + 1);
        length -= span + 1 - characterLength;
        amp += characterLength - 1;
    }
}

char* CHTMLEntityTable::EncodeEntities(const char* text) const
{
    const size_t length = text != nullptr ? std::strlen(text) : 0;
    std::string out;
    out.reserve(length + length / 8 + 1);
    size_t index = 0;
    while (index < length) {
        char32_t ignored;
        const size_t width = ReadCharacter(text + index, length - index, ignored);
        const char* entity = EntityForCharacter(text + index, width);
        if (entity != nullptr)
            out.append(entity);
        else
            out.append(text + index, width);
        index += width;
    }
    char* result = new char[out.size() + 1];
    std::memcpy(result, out.c_str(), out.size() + 1);
    return result;
}

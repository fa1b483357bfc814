#include "HeaderWordEncoder.h"

#include "TextHelpers.h"

#include <vector>

namespace {

bool IsPlainByte(unsigned char c)
{
    return c == '\t' || c == ' ' || (c >= 33 && c <= 126 && c != '=');
}

bool IsPlain(const std::string& text)
{
    for (unsigned char c : text) {
        if (!IsPlainByte(c))
            return false;
    }
    return true;
}

bool StandsAsItIs(unsigned char c)
{
    return IsAlphaChar(c) || IsDigitChar(c) || c == '!' || c == '*' || c == '+' || c == '-' || c == '/';
}

void AppendQByte(std::string& out, unsigned char c)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    if (StandsAsItIs(c)) {
        out += char(c);
    } else if (c == ' ') {
        out += '_';
    } else {
        out += '=';
        out += kHex[c >> 4];
        out += kHex[c & 0x0F];
    }
}

std::vector<char32_t> Characters(const std::string& text)
{
    std::vector<char32_t> characters;
    for (size_t i = 0; i < text.size();) {
        char32_t c;
        i += ReadCharacter(text.data() + i, text.size() - i, c);
        characters.push_back(c);
    }
    return characters;
}

// The Q-encoded form of one character in the chosen character set.
std::string EncodedCharacter(char32_t c, bool latin1)
{
    std::string piece;
    if (latin1) {
        AppendQByte(piece, static_cast<unsigned char>(c));
        return piece;
    }
    char bytes[4];
    size_t count = WriteUtf8Character(c, bytes);
    for (size_t i = 0; i < count; ++i)
        AppendQByte(piece, static_cast<unsigned char>(bytes[i]));
    return piece;
}

std::vector<std::string> EncodedWords(const std::vector<char32_t>& characters)
{
    bool latin1 = true;
    for (char32_t c : characters)
        latin1 = latin1 && c <= 0xFF;
    const std::string prefix = latin1 ? "=?ISO-8859-1?Q?" : "=?UTF-8?Q?";
    const std::string suffix = "?=";
    const size_t room = CHeaderWordEncoder::kMaxWordLength - prefix.size() - suffix.size();

    std::vector<std::string> words;
    std::string payload;
    for (char32_t c : characters) {
        std::string piece = EncodedCharacter(c, latin1);
        if (!payload.empty() && payload.size() + piece.size() > room) {
            words.push_back(prefix + payload + suffix);
            payload.clear();
        }
        payload += piece;
    }
    if (!payload.empty())
        words.push_back(prefix + payload + suffix);
    return words;
}

}  // namespace

std::string CHeaderWordEncoder::Encode(const char* text, size_t length, size_t limit)
{
    std::string flat(text ? text : "", text ? length : 0);
    for (char& c : flat) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    if (IsPlain(flat))
        return flat.substr(0, CutAtCharacterBoundary(flat.data(), flat.size(), limit));

    std::string out;
    for (const std::string& word : EncodedWords(Characters(flat))) {
        size_t needed = word.size() + (out.empty() ? 0 : 1);
        if (out.size() + needed > limit)
            break;
        if (!out.empty())
            out += ' ';
        out += word;
    }
    return out;
}

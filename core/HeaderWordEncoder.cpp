#include "HeaderWordEncoder.h"

#include "TextHelpers.h"

#include <cstring>
#include <vector>

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr char kPhraseSpecials[] = "()<>[]:;@\\,\"";

bool IsControl(char32_t c)
{
    return c < 0x20 || c == 0x7F;
}

bool StandsAlone(unsigned char c)
{
    return c >= 32 && c <= 126 && c != '=' && std::strchr(kPhraseSpecials, c) == nullptr;
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

// The characters of the text: controls as spaces, bytes that start no UTF-8 sequence as U+FFFD.
std::vector<char32_t> Characters(const char* text, size_t length)
{
    std::vector<char32_t> characters;
    for (size_t i = 0; i < length;) {
        const size_t width = Utf8SequenceLength(text + i, length - i);
        if (width == 0) {
            characters.push_back(kReplacementCharacter);
            ++i;
            continue;
        }
        char32_t c;
        ReadCharacter(text + i, length - i, c);
        characters.push_back(IsControl(c) ? U' ' : c);
        i += width;
    }
    return characters;
}

bool IsPlain(const std::vector<char32_t>& characters)
{
    for (char32_t c : characters) {
        if (c > 0x7F || !StandsAlone(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

std::string PlainText(const std::vector<char32_t>& characters)
{
    std::string text;
    for (char32_t c : characters)
        text += char(c);
    return text;
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
    const size_t count = WriteUtf8Character(c, bytes);
    for (size_t i = 0; i < count; ++i)
        AppendQByte(piece, static_cast<unsigned char>(bytes[i]));
    return piece;
}

// Encoded words, separated by single spaces, of characters[0..count).
std::string EncodedWords(const std::vector<char32_t>& characters, size_t count)
{
    bool latin1 = true;
    for (size_t i = 0; i < count; ++i)
        latin1 = latin1 && characters[i] <= 0xFF;
    const std::string prefix = latin1 ? "=?ISO-8859-1?Q?" : "=?UTF-8?Q?";
    const std::string suffix = "?=";
    const size_t room = CHeaderWordEncoder::kMaxWordLength - prefix.size() - suffix.size();

    std::string out;
    std::string payload;
    auto closeWord = [&] {
        if (!out.empty())
            out += ' ';
        out += prefix + payload + suffix;
        payload.clear();
    };
    for (size_t i = 0; i < count; ++i) {
        const std::string piece = EncodedCharacter(characters[i], latin1);
        if (!payload.empty() && payload.size() + piece.size() > room)
            closeWord();
        payload += piece;
    }
    if (!payload.empty())
        closeWord();
    return out;
}

}  // namespace

std::string CHeaderWordEncoder::Encode(const char* text, size_t length, size_t limit)
{
    const std::vector<char32_t> characters = Characters(text != nullptr ? text : "", text != nullptr ? length : 0);
    if (IsPlain(characters)) {
        const std::string plain = PlainText(characters);
        return plain.substr(0, CutAtCharacterBoundary(plain.data(), plain.size(), limit));
    }
    std::string whole = EncodedWords(characters, characters.size());
    if (whole.size() <= limit)
        return whole;
    // The encoded length only grows with the prefix, so the longest fitting prefix is found by
    // halving.
    size_t fits = 0;
    size_t tooLong = characters.size();
    while (tooLong - fits > 1) {
        const size_t middle = fits + (tooLong - fits) / 2;
        if (EncodedWords(characters, middle).size() <= limit)
            fits = middle;
        else
            tooLong = middle;
    }
    return EncodedWords(characters, fits);
}

// CHeaderWordEncoder: the one encoder behind both EncodeHeaderWord forms (CString256, CText).
// It makes a text safe to stand in a mail header:
//   - CR and LF become spaces first, whatever else the text holds, so data never starts a line;
//   - a plain text (tab, space and printable ASCII except "=") is then left as it stands;
//   - any other text becomes RFC 2047 "Q" encoded words: ISO-8859-1 when every character is at
//     most U+00FF, else UTF-8; ASCII letters, digits and ! * + - / stand as they are, a space is
//     "_", every other byte "=XX"; words are at most 75 characters, separated by one space, and a
//     character is never split between two words.
// A length limit (CString256's 255 bytes) drops whole words from the end, never part of one.
// Bytes that are not valid UTF-8 count as Latin-1 characters. Stateless; any thread.
#pragma once

#include <cstddef>
#include <limits>
#include <string>

class CHeaderWordEncoder {
public:
    static constexpr size_t kMaxWordLength = 75;
    static constexpr size_t kNoLimit = std::numeric_limits<size_t>::max();

    // The header-safe form of text[0..length), at most `limit` bytes long.
    static std::string Encode(const char* text, size_t length, size_t limit = kNoLimit);
};

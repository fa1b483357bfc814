// CHeaderWordEncoder: the one encoder behind both EncodeHeaderWord forms (CString256, CText).
// It makes a text safe to stand as a display name or a subject in a mail header:
//   - every control character (0-31 and DEL, TAB, CR and LF among them) becomes a space first,
//     so data never starts a header line;
//   - the text then stays as it is only when every byte is printable ASCII and none is "=" or a
//     phrase special ( ) < > [ ] : ; @ \ , " — so a name never splits or forges an address;
//   - any other text becomes RFC 2047 "Q" encoded words: ISO-8859-1 when every character is at
//     most U+00FF, else UTF-8 (bytes that are not valid UTF-8 count as U+FFFD); ASCII letters,
//     digits and ! * + - / stand as they are, a space is "_", every other byte "=XX"; words are
//     at most 75 characters, separated by one space, and never split a character.
// With a length limit (CString256's 255 bytes) a plain text is cut on a character boundary and
// an encoded one is the encoding of the longest prefix of whole characters whose complete words
// fit, so it always ends with "?=". Stateless; any thread.
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

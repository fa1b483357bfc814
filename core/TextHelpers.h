// Character-level helpers under the string classes and the mail code: UTF-8 character walking
// and safe cuts, ASCII-only case-insensitive search and comparison, Pascal and C string
// conversions, numbers to text, the URL character classes of RFC 1738 with one-character escapes,
// and percent and form decoding.
//
// All are free functions without state; any thread may call them. Functions that return new text
// allocate it with new[]; the caller frees it with delete[]. Case folding is ASCII-only whatever
// the locale. Bytes that are not valid UTF-8 count as Latin-1 characters, one byte each.
#pragma once

#include "MacTypes.h"

#include <QString>
#include <cstddef>

class CText;

// --- UTF-8 characters ---------------------------------------------------------------------------

// Length (2-4) of the well-formed multi-byte UTF-8 sequence at p within `available` bytes, 1 for
// an ASCII byte, 0 when the byte starts no well-formed sequence (it then counts as Latin-1).
size_t Utf8SequenceLength(const char* p, size_t available);

// Reads one character at p (available > 0): its code point into `character` and the number of
// bytes it takes (at least 1). A byte that starts no well-formed sequence reads as Latin-1.
size_t ReadCharacter(const char* p, size_t available, char32_t& character);

// Appends the UTF-8 bytes of `character` to out (which must hold 4 bytes); returns their count.
size_t WriteUtf8Character(char32_t character, char* out);

// The longest prefix of text[0..length) of at most `maximum` bytes that does not split a
// well-formed multi-byte character.
size_t CutAtCharacterBoundary(const char* text, size_t length, size_t maximum);

// Copies at most `limit` bytes of source (cut on a character boundary) to dest and terminates it;
// dest holds limit + 1 bytes. A null source gives "". Returns the bytes copied.
size_t CopyCut(char* dest, const char* source, size_t sourceLength, size_t limit);

// --- Strings ------------------------------------------------------------------------------------

// Pascal string to C string; a length byte of 255 gives "".
void PToCString(const unsigned char* pascal, char* buffer);
// C string to Pascal string; up to 254 bytes, a longer text gives the empty Pascal string.
// Returns the length written.
size_t CToPString(const char* source, unsigned char* pascal);

const char* FindTextNoCase(const char* text, const char* pattern);  // empty pattern: null
int CompareNoCaseN(const char* a, const char* b, size_t count);
bool EqualNoCase(const char* a, const char* b);
void ReverseString(char* text);  // by characters: multi-byte characters stay whole
void SplitWords(const CText& text, CText& first, CText& second);
void SplitWordsInPlace(unsigned char* whole, unsigned char* first, unsigned char* second);
bool ReplaceFirstChar(const char* lengthText, const char* newText, char* destination, size_t capacity);
void OSTypeToString(FourCharCode code, char* out);  // out holds 5 bytes
void SwapBytes32(UInt32 value, UInt32& out);
UInt32 GetBitField(UInt32 value, int highBit, int width);
bool CompareCFStrings(const QString& a, const QString& b);  // a sorts before b, ignoring case
int AlwaysTrue();

inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// --- Numbers to text ----------------------------------------------------------------------------

char* NumToText(UInt32 value);    // new[] text
char* IntToText(SInt32 value);    // new[] text
char* ShortToText(SInt16 value);  // new[] text
// At most size - 1 characters (sign included) and a NUL; when the number does not fit, only its
// lowest digits are kept. Returns the number of characters written.
size_t IntToTextBuffer(char* buffer, size_t size, SInt32 value);

// --- URL character classes (RFC 1738) -----------------------------------------------------------

bool IsUnsafeURLChar(unsigned char c);
bool IsReservedURLChar(unsigned char c);
bool IsNationalURLChar(unsigned char c);
bool IsExtraURLChar(unsigned char c);
bool IsSafeURLChar(unsigned char c);
bool IsAlphaChar(unsigned char c);
bool IsUpperChar(unsigned char c);
bool IsLowerChar(unsigned char c);
bool IsDigitChar(unsigned char c);

// --- Escaping and decoding ----------------------------------------------------------------------

void EscapeURLChar(char* out, unsigned char c);   // out holds 4 bytes
void EscapeFormChar(char* out, unsigned char c);  // out holds 4 bytes
int HexDigitValue(char c);                        // 0 for anything that is no hex digit

// "%" and two hex digits become that byte; any other "%" stays as it is. `out` holds length + 1
// bytes and ends with a NUL. Returns the bytes written before the NUL.
size_t PercentDecodeBytes(char* out, const char* text, size_t length);
// "+" becomes a space; "%" and two hex digits become the character the program's
// characters-by-code map gives for that code (UTF-8, up to 4 bytes), or a space when it has none;
// any other "%" stays. `out` holds 2 * length + 1 bytes. Returns the bytes written before the NUL.
size_t FormDecodeBytes(char* out, const char* text, size_t length);

// All percent escapes removed, then added again for UTF-8; null when the escapes do not decode to
// UTF-8 text.
QString ReplacePercentEscapes(const QString& source);

// MacRomanText: the program's one table of Mac OS Roman, the byte encoding of older Mac texts
// (every byte stands for one character; 0-127 are ASCII). Its upper half is read once from the
// C library's "MACINTOSH" converter; without that converter the upper half is unknown: bytes
// decode as U+FFFD and no character encodes. Any thread.
#pragma once

#include <QByteArray>
#include <QString>

// The text of Mac OS Roman bytes.
QString DecodeMacRoman(const QByteArray& bytes);

// The text of bytes that are UTF-8 when they are valid UTF-8, else Mac OS Roman (a page or a
// title from before UTF-8).
QString DecodeUtf8OrMacRoman(const QByteArray& bytes);

// The Mac OS Roman byte of a character; false when the encoding has none.
bool MacRomanByteFor(char32_t character, char* byte);

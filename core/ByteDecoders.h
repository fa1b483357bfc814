// Checks and decoders for text bytes of unknown origin: whether they are UTF-8, and the
// Windows-1252 reading of files written on Windows (Mac OS Roman lives in MacRomanText.h).
// Pure functions over bytes; any thread; nothing throws except allocation.
#pragma once

#include <QByteArray>
#include <QString>

// Every byte as its Windows-1252 character; the five codes that stand for none become U+FFFD.
QString DecodeWindows1252(const QByteArray& inBytes);
// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(const QByteArray& inBytes);
// A text file as users bring it: UTF-16 by its byte-order mark, else UTF-8 (a byte-order mark
// dropped), else the whole file as Windows-1252.
QString DecodeTextFileBytes(const QByteArray& inBytes);

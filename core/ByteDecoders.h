// Text in the legacy single-byte encodings the program still meets, decoded to Unicode: Mac OS
// Roman (documents and pages from a Mac) and Windows-1252 (text files from Windows). Pure
// functions over bytes; any thread; nothing throws except allocation.
#pragma once

#include <QByteArray>
#include <QString>

// Every byte as its Mac OS Roman character.
QString DecodeMacRoman(const QByteArray& inBytes);
// Every byte as its Windows-1252 character; the five codes that stand for none become U+FFFD.
QString DecodeWindows1252(const QByteArray& inBytes);
// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(const QByteArray& inBytes);
// UTF-8 when the bytes are valid UTF-8, else Mac OS Roman.
QString DecodeUtf8OrMacRoman(const QByteArray& inBytes);

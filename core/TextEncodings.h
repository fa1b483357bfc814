// Operations that turn a CText into another form or read markup in it: escapes, base64,
// quoted-printable, percent and form decoding, HTML entities, src= quoting, the scan for link-like
// tokens, whole-word search and replace, clean-ups, key lines and the current date as text.
//
// They rest on the program's tables: the character maps (CharacterMaps.h) for EscapeChars and
// FormDecode, and the environment's extension map and HTML entity table (without an environment
// no extension is known and the entity operations change nothing). Each leaves a text without a
// buffer unchanged.
//
// Thread: the GUI thread or a cooperative thread, one at a time per text. ReplaceChar,
// ReplaceCharsInSet and ExtractURLTokens yield to the other cooperative threads now and then
// when they run on one (on the main context they never yield). Nothing throws except allocation.
#pragma once

#include "CList.h"
#include "CString256.h"
#include "CText.h"
#include "MacTypes.h"

#include <QString>

#include <cstddef>
#include <string>
#include <vector>

class CSeparatorSet;

// --- Escaping and encoding ----------------------------------------------------------------------

// Every character with an escape text in the escape map becomes that text (Windows-1252 "%XX").
void EscapeChars(CText& text);
void AppendEscaped(CText& text, const char* source);
// Letters, digits and "$ - . _" stay; every other byte becomes "%" and two lower-case hex digits
// ("&" and "+" too, so a value never ends early in a query string or reads as a space).
void EscapeFormChars(CText& text);
void AppendFormEscaped(CText& text, const char* source);
// Printable ASCII 33-126 stays; every other byte becomes "%xx".
void EscapeURLChars(CText& text);
// The whole text (NULs included) as base64: 48 input bytes per 64-character line, every line
// (the last too) followed by CR LF; an empty text stays empty.
void Base64Encode(CText& text);
// When any byte is not plain printable ASCII (or is "="), the text becomes its quoted-printable
// form (CQuotedPrintableEncoder) and the answer is true; otherwise false and no change.
bool QuotedPrintableEncode(CText& text);
// HTML entities through the environment's entity table.
void EncodeHTMLEntities(CText& text);
void DecodeHTMLEntities(CText& text);
void AppendHTMLEncoded(CText& text, const char* source);
void AppendHTMLEncodedCFString(CText& text, const QString& source);

// --- Decoding -----------------------------------------------------------------------------------

// "%" and two hex digits become that byte; any other "%" stays as it stands.
void PercentDecode(CText& text);
// "+" becomes a space; "%XX" becomes the character of Windows-1252 code XX (as UTF-8), a space
// when that code stands for none; any other "%" stays.
void FormDecode(CText& text);
// 1: FormDecode; 0: PercentDecode; other modes: nothing.
void Decode(CText& text, int mode);
void CRLFEscapesToNewlines(CText& text);  // "%0D%0A" → CR LF, then FormDecode
void CRLFEscapesToCommas(CText& text);    // "%0D%0A" → ",", then FormDecode

// --- Markup -------------------------------------------------------------------------------------

// True when the text holds "<HTML" or "<!DOCTYPE HTML" (case-insensitively).
bool IsHTML(const CText& text);
bool IsInsideTag(const CText& text, SInt32 index);
// Puts double quotes around every unquoted src= value; the value ends at the first whitespace or
// ">". A value that begins with a quote is left alone.
void QuoteSrcAttributes(CText& text);
void StripAnchorOpenings(CText& text);
void StripTags(CText& text);
// Appends the link-like tokens of the text (file and page names around each ".") to the list;
// never "#…" or "mailto:…" tokens; the list is not emptied first. The list form cuts each token
// to 255 bytes; the vector form holds them whole.
void ExtractURLTokens(const CText& text, CList<CString256>& tokens);
void ExtractURLTokens(const CText& text, std::vector<std::string>& tokens);
// True when "." + the lower-cased extension is a key of the environment's extension map.
bool IsKnownExtension(const char* extension);

// --- Whole words --------------------------------------------------------------------------------

bool IsWholeWordAt(const CText& text, const CSeparatorSet& separators, SInt32 index, SInt32 length);
SInt32 FindWholeWord(const CText& text, const CSeparatorSet& separators, const char* word, SInt32 offset = 0);
SInt32 FindWholeWordNoCase(const CText& text, const CSeparatorSet& separators, const char* word,
                           SInt32 offset = 0);
void ReplaceWholeWords(CText& text, const CSeparatorSet& separators, const char* word, const char* replacement);
void ReplaceWholeWordsNoCase(CText& text, const CSeparatorSet& separators, const char* word,
                             const char* replacement);
// "<B>" + word + "</B>" in place of the first exact occurrence / of every whole-word occurrence.
void MarkBold(CText& text, const char* word);
void MarkBoldWholeWords(CText& text, const CSeparatorSet& separators, const char* word);
void MarkBoldWholeWordsNoCase(CText& text, const CSeparatorSet& separators, const char* word);

// --- Clean-ups and small transforms -------------------------------------------------------------

void ReplaceChar(CText& text, char from, char to);  // yields every 1000 replacements
void ReplaceCharsInSet(CText& text, const char* set, char replacement);  // yields every 50 bytes
void ReplaceCharsInSet(CText& text, const CList<char>& set, char replacement);
void RemoveChars(CText& text, const char* set);
void ReplaceNuls(CText& text);
// Controls (C0, DEL, C1) become spaces; printable characters, non-ASCII included, stay.
void ReplaceNonPrintable(CText& text);
void ReplaceNonAlphanumeric(CText& text);  // every byte that is no ASCII letter or digit
void SqueezeSpaces(CText& text);            // every run of spaces becomes one space
void CollapseSpaces(CText& text);
// Every span from "&" or "<" to the next ";" or ">" (both included) becomes spaces.
void BlankMarkup(CText& text);
void MakeLower(CText& text);                // ASCII letters only
void Reverse(CText& text);                  // by characters: a multi-byte character stays whole
void ReverseRange(char* bytes, size_t count);

// --- Lines and dates ----------------------------------------------------------------------------

// key, a space, the value, the bullet "•" and a CR.
void AppendKeyValue(CText& text, const char* key, const char* value);
void AppendKeyValue(CText& text, const char* key, const CText& value);
void AppendKeyValue(CText& text, const char* key, long value);
// key, a space, the items joined by ",", the bullet and a CR.
void AppendKeyList(CText& text, const char* key, const CList<CString256>& items);
// The current date in the long form, ", ", the current time with seconds (the user's locale).
void AppendDateTime(CText& text);
// The text becomes the current time with seconds, "," and the long date.
void SetTimeDate(CText& text);

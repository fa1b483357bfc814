#include "TextEncodings.h"

#include "CEnvironment.h"
#include "CQuotedPrintableEncoder.h"
#include "CSeparatorSet.h"
#include "CString32.h"
#include "CharacterMaps.h"
#include "DatesAndTimes.h"
#include "LMainContext.h"
#include "LThread.h"
#include "TextHelpers.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr char kBullet[] = "\xE2\x80\xA2";  // "•"
constexpr char kLowerHex[] = "0123456789abcdef";
constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kBase64LineInput = 48;

constexpr int kReplacementsPerYield = 1000;
constexpr int kBytesPerYield = 50;
constexpr int kDotsPerYield = 50;
constexpr size_t kMaxTokenLength = 255;

bool HasBuffer(const CText& text) { return text.buffer != nullptr; }

std::string_view View(const CText& text)
{
    return HasBuffer(text) ? std::string_view(text.buffer, size_t(text.length)) : std::string_view();
}

// Replaces the whole content by `bytes` (NULs allowed).
void SetBytes(CText& text, std::string_view bytes)
{
    text.Assign("");
    text.AppendBytes(bytes.data(), long(bytes.size()));
}

// Lets the other cooperative threads run when called on one; nothing on the main context or an
// OS thread.
void YieldFromTextOperation()
{
    if (LMainContext::OnGuiThread() && LThread::GetCurrentThread() != nullptr)
        LThread::YieldToAnyThread();
}

bool IsAsciiAlnum(unsigned char c) { return IsAlphaChar(c) || IsDigitChar(c); }

bool IsURLTokenChar(unsigned char c)
{
    return IsAsciiAlnum(c) || IsSafeURLChar(c) || IsExtraURLChar(c) || IsReservedURLChar(c) || IsUnsafeURLChar(c);
}

bool IsURLToken(std::string_view token)
{
    for (char c : token) {
        if (!IsURLTokenChar(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

bool IsTokenTerminator(char c)
{
    return c == '\n' || c == '\r' || c == '"' || c == '\'' || c == '(' || c == ')' || c == '<' || c == '>';
}

bool LooksLikeURLSuffix(std::string_view suffix)
{
    if (suffix.empty())
        return true;
    if (suffix.size() <= kMaxTokenLength && IsKnownExtension(std::string(suffix).c_str()))
        return true;
    if (suffix.size() > 4 || suffix.size() < 2)
        return false;
    bool hasLetter = false;
    for (size_t i = 1; i < suffix.size(); ++i) {
        const auto c = static_cast<unsigned char>(suffix[i]);
        if (!IsAsciiAlnum(c))
            return false;
        hasLetter = hasLetter || IsAlphaChar(c);
    }
    return hasLetter;
}

bool StartsWithNoCase(std::string_view text, const char* prefix)
{
    const size_t length = std::strlen(prefix);
    return text.size() >= length && CompareNoCaseN(text.data(), prefix, length) == 0;
}

bool IsAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Index of the next occurrence of `word` at or after `from`, exactly or ignoring ASCII case; -1.
SInt32 FindOccurrence(const CText& text, const char* word, SInt32 from, bool noCase)
{
    if (from < 0)
        from = 0;
    return noCase ? text.FindFrom(from, word) : text.FindCaseSensitive(from, word);
}

SInt32 FindWholeWordFrom(const CText& text, const CSeparatorSet& separators, const char* word, SInt32 offset,
                         bool noCase)
{
    if (!HasBuffer(text) || word == nullptr || *word == 0)
        return -1;
    const auto length = SInt32(std::strlen(word));
    for (SInt32 at = FindOccurrence(text, word, offset, noCase); at >= 0;
         at = FindOccurrence(text, word, at + 1, noCase)) {
        if (IsWholeWordAt(text, separators, at, length))
            return at;
    }
    return -1;
}

void ReplaceWholeWordsImpl(CText& text, const CSeparatorSet& separators, const char* word, const char* replacement,
                           bool noCase)
{
    if (!HasBuffer(text) || word == nullptr || *word == 0 || replacement == nullptr)
        return;
    const auto wordLength = SInt32(std::strlen(word));
    const auto replacementLength = SInt32(std::strlen(replacement));
    for (SInt32 at = FindWholeWordFrom(text, separators, word, 0, noCase); at >= 0;
         at = FindWholeWordFrom(text, separators, word, at + replacementLength, noCase)) {
        text.ReplaceRange(at, at + wordLength - 1, replacement);
    }
}

std::string BoldWord(const char* word)
{
    return std::string("<B>") + word + "</B>";
}

// Replaces every byte of `set` (a predicate) by `replacement`, yielding every 50 bytes examined.
template <class InSet>
void ReplaceBytesInSet(CText& text, InSet inSet, char replacement)
{
    if (!HasBuffer(text))
        return;
    for (SInt32 i = 0; i < text.length; ++i) {
        if (inSet(text.buffer[i]))
            text.buffer[i] = replacement;
        if ((i + 1) % kBytesPerYield == 0)
            YieldFromTextOperation();
    }
}

std::string LongDateAndTime(const char* separator, bool timeFirst)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray date = LongDateText(now.date()).toUtf8();
    const QByteArray time = TimeTextWithSeconds(now.time()).toUtf8();
    const QByteArray& first = timeFirst ? time : date;
    const QByteArray& second = timeFirst ? date : time;
    return first.toStdString() + separator + second.toStdString();
}

void AppendKeyLine(CText& text, const char* key, std::string_view value)
{
    text.Append(key != nullptr ? key : "");
    text.AppendChar(' ');
    text.AppendBytes(value.data(), long(value.size()));
    text.Append(kBullet);
    text.AppendChar('\r');
}

}  // namespace

// --- Escaping and encoding ----------------------------------------------------------------------

void EscapeChars(CText& text)
{
    const CCharacterMaps* maps = GetCharacterMaps();
    if (!HasBuffer(text) || maps == nullptr)
        return;
    const std::string_view source = View(text);
    std::string out;
    out.reserve(source.size());
    for (size_t i = 0; i < source.size();) {
        char32_t character;
        const size_t width = ReadCharacter(source.data() + i, source.size() - i, character);
        if (const CString32* escape = maps->FindEscapeText(character))
            out.append(escape->text);
        else
            out.append(source.data() + i, width);
        i += width;
    }
    SetBytes(text, out);
}

void AppendEscaped(CText& text, const char* source)
{
    if (!HasBuffer(text))
        return;
    CText escaped(source);
    EscapeChars(escaped);
    text.AppendText(escaped);
}

void EscapeFormChars(CText& text)
{
    if (!HasBuffer(text))
        return;
    const std::string_view source = View(text);
    std::string out;
    out.reserve(source.size() * 3);
    for (char c : source) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsAsciiAlnum(byte) || c == '$' || c == '-' || c == '.' || c == '_') {
            out.push_back(c);
            continue;
        }
        out.push_back('%');
        out.push_back(kLowerHex[byte >> 4]);
        out.push_back(kLowerHex[byte & 0x0F]);
    }
    SetBytes(text, out);
}

void AppendFormEscaped(CText& text, const char* source)
{
    if (!HasBuffer(text))
        return;
    CText escaped(source);
    EscapeFormChars(escaped);
    text.AppendText(escaped);
}

void EscapeURLChars(CText& text)
{
    if (!HasBuffer(text))
        return;
    std::string out;
    char escaped[4];
    for (char c : View(text)) {
        EscapeURLChar(escaped, static_cast<unsigned char>(c));
        out.append(escaped);
    }
    SetBytes(text, out);
}

void Base64Encode(CText& text)
{
    if (!HasBuffer(text))
        return;
    const std::string_view source = View(text);
    std::string out;
    out.reserve((source.size() + 2) / 3 * 4 + (source.size() / kBase64LineInput + 1) * 2);
    for (size_t line = 0; line < source.size(); line += kBase64LineInput) {
        const size_t end = std::min(source.size(), line + kBase64LineInput);
        for (size_t i = line; i < end; i += 3) {
            const size_t count = std::min<size_t>(3, end - i);
            uint32_t group = uint32_t(static_cast<unsigned char>(source[i])) << 16;
            if (count > 1)
                group |= uint32_t(static_cast<unsigned char>(source[i + 1])) << 8;
            if (count > 2)
                group |= uint32_t(static_cast<unsigned char>(source[i + 2]));
            out.push_back(kBase64Alphabet[(group >> 18) & 0x3F]);
            out.push_back(kBase64Alphabet[(group >> 12) & 0x3F]);
            out.push_back(count > 1 ? kBase64Alphabet[(group >> 6) & 0x3F] : '=');
            out.push_back(count > 2 ? kBase64Alphabet[group & 0x3F] : '=');
        }
        out.append("\r\n");
    }
    SetBytes(text, out);
}

bool QuotedPrintableEncode(CText& text)
{
    if (!HasBuffer(text))
        return false;
    bool plain = true;
    for (char c : View(text))
        plain = plain && CQuotedPrintableEncoder::IsPlainChar(c);
    if (plain)
        return false;
    const std::string source(View(text));
    CQuotedPrintableEncoder encoder(source.c_str());
    encoder.Encode();
    SetBytes(text, encoder.Output());
    return true;
}

void EncodeHTMLEntities(CText& text)
{
    if (!HasBuffer(text) || gEnvironment == nullptr || gEnvironment->htmlEntityTable == nullptr)
        return;
    std::unique_ptr<char[]> encoded(gEnvironment->htmlEntityTable->EncodeEntities(text.buffer));
    if (encoded != nullptr)
        text.Assign(encoded.get());
}

void DecodeHTMLEntities(CText& text)
{
    if (!HasBuffer(text) || gEnvironment == nullptr || gEnvironment->htmlEntityTable == nullptr)
        return;
    gEnvironment->htmlEntityTable->DecodeEntities(text.buffer);
    text.length = SInt32(std::strlen(text.buffer));
}

void AppendHTMLEncoded(CText& text, const char* source)
{
    if (!HasBuffer(text))
        return;
    CText encoded(source);
    EncodeHTMLEntities(encoded);
    text.AppendText(encoded);
}

void AppendHTMLEncodedCFString(CText& text, const QString& source)
{
    AppendHTMLEncoded(text, source.toUtf8().constData());
}

// --- Decoding -----------------------------------------------------------------------------------

void PercentDecode(CText& text)
{
    if (!HasBuffer(text))
        return;
    const size_t length = size_t(text.length);
    std::unique_ptr<char[]> decoded(new char[length + 1]);
    const size_t count = PercentDecodeBytes(decoded.get(), text.buffer, length);
    SetBytes(text, std::string_view(decoded.get(), count));
}

void FormDecode(CText& text)
{
    if (!HasBuffer(text))
        return;
    const size_t length = size_t(text.length);
    std::unique_ptr<char[]> decoded(new char[2 * length + 1]);
    const size_t count = FormDecodeBytes(decoded.get(), text.buffer, length);
    SetBytes(text, std::string_view(decoded.get(), count));
}

void Decode(CText& text, int mode)
{
    if (mode == 1)
        FormDecode(text);
    else if (mode == 0)
        PercentDecode(text);
}

void CRLFEscapesToNewlines(CText& text)
{
    if (!HasBuffer(text))
        return;
    text.ReplaceAll("%0D%0A", "\r\n");
    FormDecode(text);
}

void CRLFEscapesToCommas(CText& text)
{
    if (!HasBuffer(text))
        return;
    text.ReplaceAll("%0D%0A", ",");
    FormDecode(text);
}

// --- Markup -------------------------------------------------------------------------------------

bool IsHTML(const CText& text)
{
    return HasBuffer(text) && (text.Find("<HTML") >= 0 || text.Find("<!DOCTYPE HTML") >= 0);
}

bool IsInsideTag(const CText& text, SInt32 index)
{
    if (!IsHTML(text))
        return false;
    if (index < 0 || index >= text.length)
        return true;
    const char here = text.buffer[index];
    if (here == '<' || here == '>')
        return false;
    char before = 0;
    for (SInt32 i = index - 1; i >= 0 && before == 0; --i) {
        if (text.buffer[i] == '<' || text.buffer[i] == '>')
            before = text.buffer[i];
    }
    char after = 0;
    for (SInt32 i = index + 1; i < text.length && after == 0; ++i) {
        if (text.buffer[i] == '<' || text.buffer[i] == '>')
            after = text.buffer[i];
    }
    return before == '<' && after == '>';
}

void QuoteSrcAttributes(CText& text)
{
    if (!HasBuffer(text))
        return;
    SInt32 position = 0;
    for (SInt32 at = text.FindFrom(position, "src="); at >= 0; at = text.FindFrom(position, "src=")) {
        const SInt32 value = at + 4;
        position = value;
        if (value >= text.length || text.buffer[value] == '"' || text.buffer[value] == '\'')
            continue;
        SInt32 end = value;
        while (end < text.length && !IsAsciiSpace(text.buffer[end]) && text.buffer[end] != '>')
            ++end;
        if (end == value || end >= text.length)
            continue;
        text.Insert(end, "\"");
        text.Insert(value, "\"");
        position = end + 2;
    }
}

void StripAnchorOpenings(CText& text)
{
    if (!HasBuffer(text))
        return;
    text.DeleteSpansNoCase("<a href=\"", "\"");
    text.DeleteSpansNoCase("<a href='", "'");
}

void StripTags(CText& text)
{
    if (!HasBuffer(text))
        return;
    for (SInt32 open = text.FindCaseSensitive(0, "<"); open >= 0; open = text.FindCaseSensitive(open, "<")) {
        const SInt32 close = text.FindCaseSensitive(open, ">");
        if (close < 0)
            return;
        text.DeleteRange(open, close);
    }
}

bool IsKnownExtension(const char* extension)
{
    if (gEnvironment == nullptr || extension == nullptr)
        return false;
    std::string key = ".";
    for (const char* p = extension; *p != 0; ++p)
        key.push_back(LowerAscii(*p));
    return gEnvironment->FindExtension(key.c_str()) != nullptr;
}

void ExtractURLTokens(const CText& text, std::vector<std::string>& tokens)
{
    if (!HasBuffer(text))
        return;
    const std::string_view whole = View(text);
    int dots = 0;
    for (size_t dot = whole.find('.'); dot != std::string_view::npos; dot = whole.find('.', dot + 1)) {
        if (++dots % kDotsPerYield == 0)
            YieldFromTextOperation();
        size_t end = dot + 1;
        while (end < whole.size() && !IsTokenTerminator(whole[end]))
            ++end;
        if (end >= whole.size())
            continue;
        const std::string_view suffix = whole.substr(dot + 1, end - dot - 1);
        if (!LooksLikeURLSuffix(suffix))
            continue;
        size_t start = dot;
        while (start > 0 && !IsTokenTerminator(whole[start - 1]))
            --start;
        const std::string_view prefix = whole.substr(start, dot - start);
        if (prefix.empty() || suffix.empty() || !IsURLToken(prefix) || !IsURLToken(suffix))
            continue;
        const std::string_view token = whole.substr(start, end - start);
        if (token.front() == '#' || StartsWithNoCase(token, "mailto:"))
            continue;
        tokens.emplace_back(token);
    }
}

void ExtractURLTokens(const CText& text, CList<CString256>& tokens)
{
    std::vector<std::string> whole;
    ExtractURLTokens(text, whole);
    for (const std::string& token : whole)
        tokens.Append(CString256(token.substr(0, kMaxTokenLength).c_str()));
}

// --- Whole words --------------------------------------------------------------------------------

bool IsWholeWordAt(const CText& text, const CSeparatorSet& separators, SInt32 index, SInt32 length)
{
    if (!HasBuffer(text) || index < 0 || length < 0 || int64_t(index) + length > text.length)
        return false;
    for (SInt32 i = index; i < index + length; ++i) {
        if (separators.Contains(text.buffer[i]))
            return false;
    }
    const SInt32 after = index + length;
    if (index == 0)
        return after >= text.length || !IsAsciiAlnum(static_cast<unsigned char>(text.buffer[after]));
    if (!separators.Contains(text.buffer[index - 1]))
        return false;
    return after >= text.length || separators.Contains(text.buffer[after]);
}

SInt32 FindWholeWord(const CText& text, const CSeparatorSet& separators, const char* word, SInt32 offset)
{
    return FindWholeWordFrom(text, separators, word, offset, false);
}

SInt32 FindWholeWordNoCase(const CText& text, const CSeparatorSet& separators, const char* word, SInt32 offset)
{
    return FindWholeWordFrom(text, separators, word, offset, true);
}

void ReplaceWholeWords(CText& text, const CSeparatorSet& separators, const char* word, const char* replacement)
{
    ReplaceWholeWordsImpl(text, separators, word, replacement, false);
}

void ReplaceWholeWordsNoCase(CText& text, const CSeparatorSet& separators, const char* word, const char* replacement)
{
    ReplaceWholeWordsImpl(text, separators, word, replacement, true);
}

void MarkBold(CText& text, const char* word)
{
    if (!HasBuffer(text) || word == nullptr || *word == 0)
        return;
    const SInt32 at = text.FindCaseSensitive(0, word);
    if (at >= 0)
        text.ReplaceRange(at, at + SInt32(std::strlen(word)) - 1, BoldWord(word).c_str());
}

void MarkBoldWholeWords(CText& text, const CSeparatorSet& separators, const char* word)
{
    if (word != nullptr)
        ReplaceWholeWordsImpl(text, separators, word, BoldWord(word).c_str(), false);
}

void MarkBoldWholeWordsNoCase(CText& text, const CSeparatorSet& separators, const char* word)
{
    if (word != nullptr)
        ReplaceWholeWordsImpl(text, separators, word, BoldWord(word).c_str(), true);
}

// --- Clean-ups and small transforms -------------------------------------------------------------

void ReplaceChar(CText& text, char from, char to)
{
    if (!HasBuffer(text))
        return;
    int replaced = 0;
    for (SInt32 i = 0; i < text.length; ++i) {
        if (text.buffer[i] != from)
            continue;
        text.buffer[i] = to;
        if (++replaced % kReplacementsPerYield == 0)
            YieldFromTextOperation();
    }
}

void ReplaceCharsInSet(CText& text, const char* set, char replacement)
{
    if (set == nullptr)
        return;
    CSeparatorSet members(set);
    ReplaceBytesInSet(text, [&](char c) { return c != 0 && members.Contains(c); }, replacement);
}

void ReplaceCharsInSet(CText& text, const CList<char>& set, char replacement)
{
    CSeparatorSet members;
    set.Rewind();
    while (const char* c = set.Next())
        members.Add(*c);
    ReplaceBytesInSet(text, [&](char c) { return members.Contains(c); }, replacement);
}

void RemoveChars(CText& text, const char* set)
{
    if (!HasBuffer(text) || set == nullptr)
        return;
    const CSeparatorSet members(set);
    std::string out;
    for (char c : View(text)) {
        if (c == 0 || !members.Contains(c))
            out.push_back(c);
    }
    SetBytes(text, out);
}

void ReplaceNuls(CText& text)
{
    ReplaceBytesInSet(text, [](char c) { return c == 0; }, ' ');
}

void ReplaceNonPrintable(CText& text)
{
    if (!HasBuffer(text))
        return;
    const std::string_view source = View(text);
    std::string out;
    out.reserve(source.size());
    for (size_t i = 0; i < source.size();) {
        char32_t character;
        const size_t width = ReadCharacter(source.data() + i, source.size() - i, character);
        const bool control = character < 0x20 || (character >= 0x7F && character <= 0x9F);
        if (control)
            out.push_back(' ');
        else
            out.append(source.data() + i, width);
        i += width;
    }
    SetBytes(text, out);
}

void ReplaceNonAlphanumeric(CText& text)
{
    if (!HasBuffer(text))
        return;
    for (SInt32 i = 0; i < text.length; ++i) {
        if (!IsAsciiAlnum(static_cast<unsigned char>(text.buffer[i])))
            text.buffer[i] = ' ';
    }
}

void SqueezeSpaces(CText& text)
{
    if (!HasBuffer(text))
        return;
    std::string out;
    for (char c : View(text)) {
        if (c == ' ' && !out.empty() && out.back() == ' ')
            continue;
        out.push_back(c);
    }
    SetBytes(text, out);
}

void CollapseSpaces(CText& text)
{
    SqueezeSpaces(text);
}

void BlankMarkup(CText& text)
{
    if (!HasBuffer(text))
        return;
    SInt32 i = 0;
    while (i < text.length) {
        if (text.buffer[i] != '&' && text.buffer[i] != '<') {
            ++i;
            continue;
        }
        SInt32 end = i + 1;
        while (end < text.length && text.buffer[end] != ';' && text.buffer[end] != '>')
            ++end;
        if (end >= text.length)
            return;
        std::memset(text.buffer + i, ' ', size_t(end - i + 1));
        i = end + 1;
    }
}

void MakeLower(CText& text)
{
    if (!HasBuffer(text))
        return;
    for (SInt32 i = 0; i < text.length; ++i)
        text.buffer[i] = LowerAscii(text.buffer[i]);
}

void Reverse(CText& text)
{
    if (!HasBuffer(text))
        return;
    const std::string_view source = View(text);
    std::string out(source.size(), '\0');
    size_t end = source.size();
    for (size_t i = 0; i < source.size();) {
        char32_t character;
        const size_t width = ReadCharacter(source.data() + i, source.size() - i, character);
        end -= width;
        std::memcpy(out.data() + end, source.data() + i, width);
        i += width;
    }
    SetBytes(text, out);
}

void ReverseRange(char* bytes, size_t count)
{
    if (bytes == nullptr || count < 2)
        return;
    std::reverse(bytes, bytes + count);
}

// --- Lines and dates ----------------------------------------------------------------------------

void AppendKeyValue(CText& text, const char* key, const char* value)
{
    if (HasBuffer(text))
        AppendKeyLine(text, key, value != nullptr ? value : "");
}

void AppendKeyValue(CText& text, const char* key, const CText& value)
{
    if (HasBuffer(text))
        AppendKeyLine(text, key, View(value));
}

void AppendKeyValue(CText& text, const char* key, long value)
{
    if (HasBuffer(text))
        AppendKeyLine(text, key, std::to_string(value));
}

void AppendKeyList(CText& text, const char* key, const CList<CString256>& items)
{
    if (!HasBuffer(text))
        return;
    std::string joined;
    items.Rewind();
    while (const CString256* item = items.Next()) {
        if (!joined.empty())
            joined.push_back(',');
        joined.append(item->text);
    }
    AppendKeyLine(text, key, joined);
}

void AppendDateTime(CText& text)
{
    if (HasBuffer(text))
        text.Append(LongDateAndTime(", ", false).c_str());
}

void SetTimeDate(CText& text)
{
    text.Assign(LongDateAndTime(",", true).c_str());
}

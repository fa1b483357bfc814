#include "MergeTagExpansion.h"

#include "AppleScriptRunner.h"
#include "MergeFieldRegistry.h"
#include "TextEncodings.h"

#include <string>

void ExpandTags(CText& ioText, const char* inOpen, const char* inClose, const MergeTagResolver& inResolve)
{
    const SInt32 openLength = SInt32(strlen(inOpen));
    const SInt32 closeLength = SInt32(strlen(inClose));
    SInt32 open = ioText.FindFrom(0, inOpen);
    CText value;
    while (open >= 0) {
        const SInt32 close = ioText.FindFrom(open + openLength, inClose);
        if (close < 0)
            return;
        const QByteArray name(ioText.buffer + open + openLength, close - open - openLength);
        value.Assign("");
        const bool known = inResolve(name, value);
        if (!known && value.length == 0) {
            open = ioText.FindFrom(close, inOpen);
            continue;
        }
        // Where the tag stands, not its first copy elsewhere (an earlier value may hold one).
        const std::string replacement(value.buffer ? value.buffer : "", size_t(value.length));
        ioText.ReplaceRange(open, close + closeLength - 1, replacement.c_str());
        open = ioText.FindFrom(open + value.length, inOpen);
    }
}

namespace {
void StripOuterQuotes(CText& ioText)
{
    if (ioText.length >= 2 && ioText.buffer[0] == '"' && ioText.buffer[ioText.length - 1] == '"') {
        ioText.DeleteRange(ioText.length - 1, ioText.length - 1);
        ioText.DeleteRange(0, 0);
    }
}
} // namespace

void UnquoteScriptResult(CText& ioResult)
{
    StripOuterQuotes(ioResult);
    ioResult.ReplaceAll("\\\"", "\"");
    ioResult.ReplaceAll("\\\r", "\r");
}

void RunScriptForValue(const CText& inScript, CText& out)
{
    out.Assign("");
    if (RunAppleScript(inScript, out) != noErr)
        out.AssignText(GetScriptErrorText());
    UnquoteScriptResult(out);
}

void SubstituteScriptVariables(CText& ioScript, const std::function<void(const char* name, CText& out)>& inQuotedValue)
{
    for (const MergeFieldDefinition& field : kMergeFieldDefinitions) {
        const std::string variable = std::string("__") + field.name;
        if (ioScript.FindCaseSensitive(variable.c_str()) < 0)
            continue;
        CText value;
        inQuotedValue(field.name, value);
        StripOuterQuotes(value);
        std::string inner(value.buffer ? value.buffer : "", size_t(value.length));
        std::string literal = "\"";
        for (const char c : inner) {
            if (c == '"')
                literal += '\\';
            literal += c;
        }
        literal += '"';
        ioScript.ReplaceAll(variable.c_str(), literal.c_str());
    }
}

void ExpandAppleScriptBlocks(CText& ioText, const std::function<void(CText& script)>& inSubstitute)
{
    static constexpr const char* kStart = "<APPLESCRIPT>";
    static constexpr const char* kEnd = "</APPLESCRIPT>";
    SInt32 from = 0;
    for (;;) {
        const SInt32 start = ioText.FindFrom(from, kStart);
        const SInt32 end = start < 0 ? -1 : ioText.FindFrom(start + SInt32(strlen(kStart)), kEnd);
        if (end < 0)
            return;
        CText script;
        ioText.ExtractRange(start + SInt32(strlen(kStart)), end - 1, script);
        inSubstitute(script);
        CText result;
        RunScriptForValue(script, result);
        const std::string replacement(result.buffer ? result.buffer : "", size_t(result.length));
        ioText.ReplaceRange(start, end + SInt32(strlen(kEnd)) - 1, replacement.c_str());
        from = start + result.length; // an answer holding a block is not run again
    }
}

namespace {
void AppendQueryValue(CText& ioTag, const QString& inValue)
{
    CText value;
    value.AssignCFString(inValue);
    EscapeFormChars(value);
    ioTag.AppendText(value);
}
} // namespace

void InsertTrackingImage(CText& ioText, const TrackingImage& inImage)
{
    if (inImage.host.isEmpty())
        return;
    const SInt32 bodyEnd = ioText.Find("</body>");
    if (bodyEnd < 0)
        return;
    CText tag("<img src=\"http://");
    tag.AppendCFString(inImage.host);
    tag.Append("/Brevanto.bvto?MessageMonitor=");
    AppendQueryValue(tag, inImage.to);
    tag.Append("&subject=");
    AppendQueryValue(tag, inImage.subject);
    tag.Append("&mailerID=");
    AppendQueryValue(tag, inImage.mailerID);
    tag.Append("\">\r\n");
    ioText.Insert(bodyEnd, std::string(tag.buffer, size_t(tag.length)).c_str());
}

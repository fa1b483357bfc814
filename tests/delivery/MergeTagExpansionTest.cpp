// Tag expansion, script blocks and the tracking image, over a table resolver.
#include "MergeTagExpansion.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

std::string Expand(const char* inText, const std::map<std::string, std::string>& inFields)
{
    CText text(inText);
    ExpandTags(text, "{", "}", [&](const QByteArray& inName, CText& out) {
        if (inName.startsWith("Label=")) { // a label form: replaces only with a value
            out.Assign(inName.mid(6) == "Fax" ? "+1 555" : "");
            return false;
        }
        const auto found = inFields.find(inName.toStdString());
        if (found == inFields.end())
            return false;
        out.Assign(found->second.c_str());
        return true;
    });
    return std::string(text.buffer, size_t(text.length));
}

} // namespace

TEST(MergeTagExpansion, ReplacesKnownTagsWhereTheyStandAndNeverExpandsAValueAgain)
{
    const std::map<std::string, std::string> fields = {
        {"ToNameFirst", "Ann"}, {"Empty", ""}, {"Content", "see {ToNameFirst} and {Nope}"}, {"Brace", "{"}};
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"Dear {ToNameFirst},", "Dear Ann,"},
        {"{Nope} stays, {} too", "{Nope} stays, {} too"},
        {"[{Empty}]", "[]"},
        {"{ToNameFirst}{ToNameFirst}", "AnnAnn"},
        // The value holds a copy of a later tag: that later tag is replaced where it stands.
        {"{Content} / {ToNameFirst}", "see {ToNameFirst} and {Nope} / Ann"},
        {"{Brace}ToNameFirst}", "{ToNameFirst}"},
        {"{Label=Fax} {Label=Home}", "+1 555 {Label=Home}"},
        {"open {ToNameFirst", "open {ToNameFirst"},
        {"Zoë {ToNameFirst} Ærø", "Zoë Ann Ærø"},
    };
    for (const auto& one : cases)
        EXPECT_EQ(Expand(one.text, fields), one.expected) << one.text;
}

TEST(MergeTagExpansion, ScriptBlocksAndScriptVariables)
{
    // No script engine here: a block becomes the script error text.
    CText text("A <applescript>return \"x\"</APPLESCRIPT> B");
    ExpandAppleScriptBlocks(text, [](CText&) {});
    EXPECT_STREQ(text.buffer, "A Script error: the script contains an error. B");

    CText script("set n to __ToName\nset f to __ToNameFirst");
    SubstituteScriptVariables(script, [](const char* inName, CText& out) {
        out.Assign(std::string(inName) == "ToName" ? "\"Ann \"Nan\" Lee\"" : "\"Ann\"");
    });
    EXPECT_STREQ(script.buffer, "set n to \"Ann \\\"Nan\\\" Lee\"\nset f to \"Ann\"");

    CText answer("\"say \\\"hi\\\"\"");
    UnquoteScriptResult(answer);
    EXPECT_STREQ(answer.buffer, "say \"hi\"");
}

TEST(MergeTagExpansion, TrackingImageGoesBeforeTheFirstBodyEndWithItsValuesEscaped)
{
    const TrackingImage image {"127.0.0.1:8080", "Zoë <z@example.org>", "Q&A + more", "2026-12-11 00:00:00 +0000"};
    CText html("<html><BODY>hi</BODY></html></body>");
    InsertTrackingImage(html, image);
    EXPECT_STREQ(html.buffer,
                 "<html><BODY>hi<img src=\"http://127.0.0.1:8080/Brevanto.bvto?MessageMonitor="
                 "Zo%c3%ab%20%3cz%40example.org%3e&subject=Q%26A%20%2b%20more&mailerID="
                 "2026-12-11%2000%3a00%3a00%20%2b0000\">\r\n</BODY></html></body>");

    for (const auto& [text, host] : {std::pair {"<p>plain text</p>", "127.0.0.1:8080"},
                                     std::pair {"<body>x</body>", ""}}) {
        CText unchanged(text);
        InsertTrackingImage(unchanged, {host, "a@b", "s", "m"});
        EXPECT_STREQ(unchanged.buffer, text);
    }
}

// Form pages and form-to-mail requests: the request record's parts, the form fields and their
// decoding, the required items, the reply, the HTML element writers (every name and value
// escaped) and the open-URL event.
#include "CEnvironment.h"
#include "CFormHTTPRequest.h"
#include "CFormMail.h"
#include "FormElementWriters.h"
#include "LDocApplication.h"
#include "LMainContext.h"
#include "OpenURLEvent.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <array>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string TextOf(const CText& text)
{
    return text.buffer ? std::string(text.buffer, std::size_t(text.length)) : std::string();
}

std::vector<std::string> Items(const CList<CString256>& list)
{
    std::vector<std::string> items;
    list.Rewind();
    while (const CString256* item = list.Next())
        items.emplace_back(item->text);
    return items;
}

std::vector<std::string> FieldValues(CFormMail& formMail, const char* name)
{
    std::vector<std::string> values;
    auto* entry = formMail.fields.Find(name);
    if (entry == nullptr)
        return values;
    entry->value.Rewind();
    while (const CText* value = entry->value.Next())
        values.push_back(TextOf(*value));
    return values;
}

// The program's decoders read the environment's character tables.
class FormRequest : public ::testing::Test {
protected:
    CEnvironment environment;
    std::string written;
    CFormHTTPRequest Request(std::string_view text)
    {
        return CFormHTTPRequest(text, [this](std::string_view bytes) { written.append(bytes); });
    }
};

TEST_F(FormRequest, ParsesMethodTargetHeadersCredentialsAndBody)
{
    struct Case {
        const char* request;
        long method;
        const char* fileName;
        const char* query;
        const char* referer;
        const char* userAgent;
        const char* user;
        const char* password;
        const char* body;
    };
    const Case cases[] = {
        {"GET /forms/join.brevanto?a=1 HTTP/1.0\r\nReferer: http://example.org/p\r\nUser-Agent: Tester/1.0\r\n"
         "Authorization: Basic dXNlcjpwYXNz\r\n\r\n",
         0, "join.brevanto", "a=1", "http://example.org/p", "Tester/1.0", "user", "pass", ""},
        // header names in any case; a password keeps its colons; no final line break
        {"get /x.html HTTP/1.1\r\nuser-agent:  Low\r\nAUTHORIZATION: Basic dTpwOnE=\r\nreferer: r",
         0, "x.html", "", "r", "Low", "u", "p:q", ""},
        {"POST /send.brevanto HTTP/1.0\r\nContent-Length: 7\r\n\r\na=1&b=2\r\nstray", 1, "send.brevanto", "", "",
         "", "", "", "a=1&b=2"},
        {"POST /p HTTP/1.0\r\n\r\na=1", 1, "p", "", "", "", "", "", "a=1"},
        // the request line is no header; a header-like body line is no header either
        {"PUT /Referer: HTTP/1.0\r\n\r\nReferer: body", 2, "Referer:", "", "", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        CFormHTTPRequest request = Request(c.request);
        ParseFormRequest(request);
        EXPECT_EQ(request.method, c.method);
        EXPECT_STREQ(request.url.fileName.text, c.fileName);
        EXPECT_STREQ(request.url.query.text, c.query);
        EXPECT_EQ(TextOf(request.referer), c.referer);
        EXPECT_EQ(TextOf(request.userAgent), c.userAgent);
        EXPECT_STREQ(request.userName.text, c.user);
        EXPECT_STREQ(request.password.text, c.password);
        EXPECT_EQ(TextOf(request.body), c.body);
    }
    CFormHTTPRequest request = Request("GET /a HTTP/1.0\r\nHost: h\r\n\r\n");
    ParseFormRequest(request);
    EXPECT_EQ(TextOf(request.headerBlock), "GET /a HTTP/1.0\r\nHost: h");
    EXPECT_STREQ(request.authorizationScheme.text, "");
}

TEST_F(FormRequest, OnlyAFormPageIsAnsweredWithTheHtmlHeader)
{
    const std::string header = kFormReplyHeader;
    EXPECT_EQ(header.size(), 63u);
    for (const char* text : {"GET /form.brevanto HTTP/1.0\r\n\r\n", "POST /a/b.brevanto?x=1 HTTP/1.0\r\n\r\nx=2"}) {
        written.clear();
        CFormHTTPRequest request = Request(text);
        ParseFormRequest(request);
        EXPECT_EQ(written, header) << text;
    }
    for (const char* text : {"GET /form.brevanto.html HTTP/1.0\r\n\r\n", "GET /brevanto HTTP/1.0\r\n\r\n",
                             "GET /Brevanto.bvto?Hello HTTP/1.0\r\n\r\n"}) {
        written.clear();
        CFormHTTPRequest request = Request(text);
        ParseFormRequest(request);
        EXPECT_EQ(written, "") << text;
    }
    CFormHTTPRequest request = Request("GET /f.brevanto HTTP/1.0\r\n\r\n");
    CFormMail formMail(request);
    formMail.responseText = "<p>Thanks</p>";
    written.clear();
    WriteFormReply(formMail);
    EXPECT_EQ(written, header + "<p>Thanks</p>");
}

TEST_F(FormRequest, ControlFieldsListsAndTheFieldMap)
{
    CFormHTTPRequest request = Request("POST /f.brevanto HTTP/1.0\r\n\r\n");
    CFormMail formMail(request);
    const CText data("Brevanto_subject=Q%26A+now&Brevanto_mailTo=a%40example.org%0D%0Ab%40example.org"
                     "&colour=red&Brevanto_requiredItems=name,+email,colour&colour=blue"
                     "&Brevanto_mailTo=c%40example.org&Brevanto_attachmentPathnames=%2Ftmp%2Fa.pdf,%2Ftmp%2Fb.pdf"
                     "&Brevanto_mailServer=smtp.example.org&NotBrevanto_replyTo=x&Brevanto_replyTo=r%40example.org"
                     "&email=&name=Zo%EB&formula=a=b&flag&Brevanto_subject=second");
    ParseFormFields(formMail, data);
    EXPECT_STREQ(formMail.subject.text, "Q&A now");
    EXPECT_STREQ(formMail.replyTo.text, "r@example.org");
    EXPECT_STREQ(formMail.mailServer.text, "smtp.example.org");
    EXPECT_EQ(Items(formMail.mailTo), (std::vector<std::string>{"a@example.org", "b@example.org", "c@example.org"}));
    EXPECT_EQ(Items(formMail.attachmentPaths), (std::vector<std::string>{"/tmp/a.pdf", "/tmp/b.pdf"}));
    EXPECT_EQ(Items(formMail.requiredItems), (std::vector<std::string>{"name", "email", "colour"}));
    EXPECT_EQ(FieldValues(formMail, "colour"), (std::vector<std::string>{"red", "blue"}));
    EXPECT_EQ(FieldValues(formMail, "name"), std::vector<std::string>{"Zoë"}); // Windows-1252 0xEB
    EXPECT_EQ(FieldValues(formMail, "formula"), std::vector<std::string>{"a=b"});
    EXPECT_EQ(FieldValues(formMail, "flag"), std::vector<std::string>{""});
    EXPECT_EQ(FieldValues(formMail, "Brevanto_subject"), (std::vector<std::string>{"Q&A now", "second"}));

    EXPECT_FALSE(CheckRequiredItems(formMail)); // "email" is there but empty
    EXPECT_EQ(Items(formMail.missingItems), std::vector<std::string>{"email"});

    CFormMail complete(request);
    ParseFormFields(complete, CText("Brevanto_requiredItems=a,b&a=1&b=2&b="));
    EXPECT_TRUE(CheckRequiredItems(complete)); // only the first value counts
    EXPECT_TRUE(Items(complete.missingItems).empty());
}

TEST_F(FormRequest, QueryFieldsArePercentDecodedAndFormFieldsFormDecoded)
{
    CFormHTTPRequest request = Request("GET /f.brevanto HTTP/1.0\r\n\r\n");
    CFormMail formMail(request);
    AddQueryFields(formMail, CText("q=a+b%20c&q=%zz"));
    AddFormFields(formMail, CText("f=a+b%20c"), 1);
    AddFormFields(formMail, CText("raw=a+b%20c"), 7);
    EXPECT_EQ(FieldValues(formMail, "q"), (std::vector<std::string>{"a+b c", "%zz"}));
    EXPECT_EQ(FieldValues(formMail, "f"), std::vector<std::string>{"a b c"});
    EXPECT_EQ(FieldValues(formMail, "raw"), std::vector<std::string>{"a+b%20c"});
}

TEST_F(FormRequest, WritersEscapeEveryNameAndValue)
{
    const char* const name = "n\"<x>";
    const char* const value = "a\"b<c>&";
    CList<CString256> list;
    list.Append("one&");
    list.Append("</TEXTAREA>");
    CList<CText> texts;
    texts.Append(CText("x<"));
    texts.Append(CText("y"));
    const std::array<const char*, 3> options{"Red", "GREEN", "b\"lue"};

    CText out("previous contents");
    const auto written = [&](auto write) {
        write();
        return TextOf(out);
    };
    EXPECT_EQ(written([&] { WriteTextField(out, name, value, 30); }),
              R"(<INPUT TYPE="text" NAME="n&quot;&lt;x&gt;" VALUE="a&quot;b&lt;c&gt;&amp;" SIZE=30>)");
    EXPECT_EQ(written([&] { WriteTextField(out, "n", CText(value), 5); }),
              R"(<INPUT TYPE="text" NAME="n" VALUE="a&quot;b&lt;c&gt;&amp;" SIZE=5>)");
    EXPECT_EQ(written([&] { WriteTextField(out, "n", list, 5); }),
              R"(<INPUT TYPE="text" NAME="n" VALUE="one&amp;,&lt;/TEXTAREA&gt;" SIZE=5>)");
    EXPECT_EQ(written([&] { WriteTextArea(out, name, CText(value)); }),
              R"(<TEXTAREA NAME="n&quot;&lt;x&gt;" ROWS=12 COLS=60>a&quot;b&lt;c&gt;&amp;</TEXTAREA>)");
    EXPECT_EQ(written([&] { WriteTextArea(out, "t", list); }),
              "<TEXTAREA NAME=\"t\" ROWS=12 COLS=60>one&amp;\r\n&lt;/TEXTAREA&gt;</TEXTAREA>");
    EXPECT_EQ(written([&] { WriteTextArea(out, "t", texts); }),
              "<TEXTAREA NAME=\"t\" ROWS=12 COLS=60>x&lt;\r\ny</TEXTAREA>");
    EXPECT_EQ(written([&] { WriteLargeTextArea(out, "big", CText(value)); }),
              R"(<TEXTAREA NAME="big" ROWS=40 COLS=80>a&quot;b&lt;c&gt;&amp;</TEXTAREA>)");
    EXPECT_EQ(written([&] { WriteSelect(out, name, list); }),
              R"(<SELECT NAME="n&quot;&lt;x&gt;"><OPTION>one&amp;<OPTION>&lt;/TEXTAREA&gt;</SELECT>)");
    EXPECT_EQ(written([&] { WriteSelect(out, "s", options, "green"); }),
              R"(<SELECT NAME="s"><OPTION>Red<OPTION SELECTED>GREEN<OPTION>b&quot;lue</SELECT>)");
    EXPECT_EQ(written([&] { WriteSelect(out, "s", options, "none"); }),
              R"(<SELECT NAME="s"><OPTION>Red<OPTION>GREEN<OPTION>b&quot;lue</SELECT>)");
    EXPECT_EQ(written([&] { WriteCheckbox(out, name, true); }),
              R"(<INPUT TYPE="checkbox" NAME="n&quot;&lt;x&gt;" VALUE="locked" CHECKED>)");
    EXPECT_EQ(written([&] { WriteCheckbox(out, "c", false); }), R"(<INPUT TYPE="checkbox" NAME="c" VALUE="locked">)");
}

class URLRecordingApp : public LDocApplication {
public:
    QStringList urls;
    void HandleAppleEvent(const AppleEvent& inEvent, AppleEvent& outReply, AppleEvent& outResult,
                          SInt32 inAENumber) override
    {
        if (inAENumber == ae_GetURL)
            urls << inEvent.DirectString();
        else
            LDocApplication::HandleAppleEvent(inEvent, outReply, outResult, inAENumber);
    }
};

TEST(OpenURLEvent, ReachesTheURLHandlerOnTheMainContext)
{
    URLRecordingApp app;
    std::thread sender([] { SendOpenURLEvent(QStringLiteral("http://127.0.0.1/page.html")); });
    sender.join();
    EXPECT_TRUE(app.urls.isEmpty()); // the event waits for the main context
    LMainContext::Get().RunQueuedCalls();
    EXPECT_EQ(app.urls, QStringList{"http://127.0.0.1/page.html"});
}

} // namespace

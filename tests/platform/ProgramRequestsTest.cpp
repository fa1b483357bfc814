// Invocations become events in argument order with absolute paths; events from another process
// are checked before they may be dispatched, and the wire form refuses anything malformed.
#include "ProgramRequests.h"

#include "QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

QString Describe(const std::vector<AppleEvent>& inEvents)
{
    QStringList parts;
    for (const AppleEvent& event : inEvents) {
        QString code;
        for (OSType c : {event.eventClass, event.eventID})
            for (int shift = 24; shift >= 0; shift -= 8)
                code += QChar::fromLatin1(char((c >> shift) & 0xFF));
        parts << code.left(4) + "/" + code.mid(4) + "(" + event.directObject.join(",") + ")";
    }
    return parts.join(" ");
}

TEST(ProgramRequests, ArgumentsBecomeEventsInOrderWithAbsolutePaths)
{
    const struct {
        QStringList arguments;
        QString events;
    } cases[] = {
        {{}, "aevt/oapp()"},
        {{"a.bvto"}, "aevt/odoc(/work/a.bvto)"},
        {{"/x/../y/b.bvto", "sub/c.txt"}, "aevt/odoc(/y/b.bvto,/work/sub/c.txt)"},
        {{"http://example.com/a%20b?q=1"}, "GURL/GURL(http://example.com/a%20b?q=1)"},
        {{"file:///tmp/z.bvto"}, "aevt/odoc(/tmp/z.bvto)"},
        {{"--import", "people.plist"}, "e3ML/imDL(/work/people.plist)"},
        {{"a", "mailto:x@example.com", "b"}, "aevt/odoc(/work/a,/work/b) GURL/GURL(mailto:x@example.com)"},
    };
    for (const auto& c : cases) {
        const auto invocation = ProgramRequests::FromArguments(c.arguments, "/work");
        EXPECT_TRUE(invocation.error.isEmpty()) << c.arguments.join(" ").toStdString();
        EXPECT_EQ(Describe(invocation.events), c.events) << c.arguments.join(" ").toStdString();
    }
    for (const QStringList& wrong : {QStringList{"--import"}, QStringList{"--verbose"}}) {
        const auto invocation = ProgramRequests::FromArguments(wrong, "/work");
        EXPECT_FALSE(invocation.error.isEmpty()) << wrong.join(" ").toStdString();
        EXPECT_TRUE(invocation.events.empty()) << wrong.join(" ").toStdString();
    }
}

TEST(ProgramRequests, ARunningInstanceIsAskedToReopenNotToStartAgain)
{
    const auto events = ProgramRequests::ForRunningInstance(ProgramRequests::FromArguments({}, "/").events);
    EXPECT_EQ(Describe(events), "aevt/rapp()");
}

TEST(ProgramRequests, EventsFromOutsideKeepOnlyWhatIsSafe)
{
    const struct {
        AppleEvent event;
        QString accepted; // empty: ignored
    } cases[] = {
        {AppleEvent::Make('aevt', 'odoc', {"relative.bvto", "/ok/a.bvto", "/ok/../b.bvto"}), "aevt/odoc(/ok/a.bvto,/b.bvto)"},
        {AppleEvent::Make('aevt', 'odoc', {"relative.bvto"}), ""},
        {AppleEvent::Make('aevt', 'odoc', {}), ""},
        {AppleEvent::Make('aevt', 'oapp', {"ignored"}), "aevt/rapp()"},
        {AppleEvent::Make('aevt', 'quit'), "aevt/quit()"},
        {AppleEvent::Make('GURL', 'GURL', {"http://example.com/"}), "GURL/GURL(http://example.com/)"},
        {AppleEvent::Make('GURL', 'GURL', {"http://example.com/\nX-Evil: 1"}), ""},
        {AppleEvent::Make('GURL', 'GURL', {QString(ProgramRequests::kMaxTextLength + 1, u'a')}), ""},
        {AppleEvent::Make('GURL', 'GURL', {"a", "b"}), ""},
        {AppleEvent::Make('e3ML', 'imDL', {"/tmp/people.plist"}), "e3ML/imDL(/tmp/people.plist)"},
        {AppleEvent::Make('e3ML', 'imDL', {"people.plist"}), ""},
        {AppleEvent::Make('xxxx', 'yyyy', {"/tmp/a"}), ""},
    };
    for (const auto& c : cases) {
        const auto accepted = ProgramRequests::Accept(c.event);
        EXPECT_EQ(accepted ? Describe({*accepted}) : QString(), c.accepted) << Describe({c.event}).toStdString();
    }
}

TEST(ProgramRequests, WireFormRoundTripsAndRefusesMalformedInput)
{
    const std::vector<AppleEvent> events = {AppleEvent::Make('aevt', 'odoc', {"/a b/ç.bvto", "/x"}),
                                            AppleEvent::Make('GURL', 'GURL', {"http://h/"})};
    const auto decoded = ProgramRequests::Decode(ProgramRequests::Encode(events));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(Describe(*decoded), Describe(events));

    QByteArray tooMany = "{\"events\":[";
    for (int i = 0; i <= ProgramRequests::kMaxEvents; ++i)
        tooMany += QByteArray(i ? "," : "") + "{\"class\":\"aevt\",\"id\":\"rapp\",\"direct\":[]}";
    tooMany += "]}";
    for (const QByteArray& bad : {QByteArray("garbage"), QByteArray("[]"), QByteArray("{\"events\":{}}"),
                                  QByteArray("{\"events\":[{\"class\":\"aev\",\"id\":\"odoc\",\"direct\":[]}]}"),
                                  QByteArray("{\"events\":[{\"class\":\"aevt\",\"id\":\"odoc\",\"direct\":[1]}]}"),
                                  QByteArray("{\"events\":[{\"class\":\"aevt\",\"id\":\"odoc\"}]}"), tooMany})
        EXPECT_FALSE(ProgramRequests::Decode(bad).has_value()) << bad.left(80).constData();
}

} // namespace

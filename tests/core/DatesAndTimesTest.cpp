// Dates and times: message dates against Python's email.utils under a fixed zone, formatting,
// time-stamp IDs, durations, parse results and the locale texts.
#include "DatesAndTimes.h"

#include "DecodingPeer.h"
#include "Power.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <vector>

namespace {

// Runs each test under TZ=Europe/Berlin.
class DatesAndTimes : public ::testing::Test {
protected:
    void SetUp() override
    {
        mSaved = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }
    void TearDown() override
    {
        if (mSaved.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", mSaved);
        tzset();
    }
    QByteArray mSaved;
};

UInt32 Parsed(const char* text)
{
    UInt32 macTime = 12345;
    ParseMessageDate(text, macTime);
    return macTime;
}

std::string Text(const CText& text)
{
    return text.buffer != nullptr ? std::string(text.buffer, size_t(text.length)) : std::string();
}

std::string Utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

}  // namespace

TEST_F(DatesAndTimes, MessageDatesAgreeWithPythonsEmailUtils)
{
    const std::vector<std::string> dates = {
        "Fri, 21 Nov 1997 09:55:06 -0600",
        "Thu, 13 Feb 1969 23:32:54 -0330",
        "21 Nov 97 09:55:06 GMT",
        "Wed, 15 Jan 2025 12:00:00 +0100",
        "Tue, 15 Jul 2025 12:00:00 +0000",
        "Sun, 30 Mar 2025 01:30:00 UT",   // the night the clocks go forward in Berlin
        "Wed, 3 MAR 99 09:05:07 GMT",
        "3 Mar 99 09:05:07 GMT",
        "Mon, 6 Jun 05 10:00:00 Z",
        "1 Jan 2030 00:00:00 +1400",
    };
    std::string input;
    for (const std::string& date : dates)
        input += date + "\n";
    const QList<QByteArray> expected =
        RunDecodingPeer("decode_dates.py", QByteArray::fromStdString(input)).trimmed().split('\n');
    ASSERT_EQ(expected.size(), qsizetype(dates.size()));
    for (size_t i = 0; i < dates.size(); ++i)
        EXPECT_EQ(Parsed(dates[i].c_str()), expected[qsizetype(i)].toULongLong()) << dates[i];
}

TEST_F(DatesAndTimes, MessageDateEdgeCases)
{
    // The weekday and comma are optional; the month name ignores case; 05 is 2005.
    EXPECT_EQ(Parsed("Wed, 3 Mar 99 09:05:07 GMT"), Parsed("3 mar 99 09:05:07 GMT"));
    const QDateTime y2005(QDate(2005, 6, 6), QTime(12, 0), Qt::UTC);
    EXPECT_EQ(Parsed("6 Jun 05 12:00:00 GMT"), MacTimeFromDateTime(y2005.toLocalTime()));
    const QDateTime y1999(QDate(1999, 3, 3), QTime(9, 5, 7), Qt::UTC);
    EXPECT_EQ(Parsed("3 Mar 99 09:05:07 GMT"), MacTimeFromDateTime(y1999.toLocalTime()));
    for (const char* nothing : {"Fri, 21 Foo 1997 09:55:06 GMT", "", "21 Nov", "x Nov 1997", "31 Feb 2001 10:00:00 GMT",
                                "1 Jan 1900 00:00:00 GMT"}) {
        EXPECT_EQ(Parsed(nothing), 0u) << nothing;
    }
}

TEST_F(DatesAndTimes, FormatMessageDatePadsOnlyTheClock)
{
    DateTimeRec record;
    record.year = 2005;
    record.month = 3;
    record.day = 4;
    record.hour = 5;
    record.minute = 6;
    record.second = 7;
    record.dayOfWeek = 6;
    CString256 out;
    FormatMessageDate(record, out);
    EXPECT_STREQ(out.text, "Fri, 4 Mar 2005 05:06:07 GMT");
    FormatMessageDate(GMTDateTimeRec(QDateTime(QDate(2024, 12, 29), QTime(23, 59, 59), Qt::UTC)), out);
    EXPECT_STREQ(out.text, "Sun, 29 Dec 2024 23:59:59 GMT");
}

TEST_F(DatesAndTimes, FormatDurationAppends)
{
    const struct {
        UInt32 seconds;
        const char* text;
    } cases[] = {
        {0, "0"},
        {1, "1 sec "},
        {59, "59 secs "},
        {60, "1 min "},
        {61, "1 min 1 sec "},
        {3600, "1 hr "},
        {3725, "1 hr 2 mins 5 secs "},
        {7199, "1 hr 59 mins 59 secs "},
        {7200, "2 hrs "},
    };
    for (const auto& c : cases) {
        CText text("took ");
        FormatDuration(c.seconds, text);
        EXPECT_EQ(Text(text), std::string("took ") + c.text);
    }
}

TEST_F(DatesAndTimes, TimeStampIDsAreDistinctAndOfTheirForm)
{
    std::set<std::string> seen;
    const QRegularExpression form(QStringLiteral(R"(^\d{14}\.\d{6,10}$)"));
    for (int i = 0; i < 10000; ++i) {
        CString256 id;
        MakeTimeStampID(id);
        ASSERT_TRUE(form.match(QString::fromLatin1(id.text)).hasMatch()) << id.text;
        ASSERT_TRUE(seen.insert(id.text).second) << "repeated " << id.text;
    }
}

TEST_F(DatesAndTimes, DescribeDateParseResultTable)
{
    const struct {
        SInt32 code;
        const char* text;
    } cases[] = {
        {0, "A valid \"short\" date was found."},
        {1, "A valid date was found."},
        {2, "A valid date or time value was found, and there were characters remaining in the input string"},
        {16, "A valid date or time value was found; however, one or more unparsable strings was encountered and "
             "skipped while parsing."},
        {-32768, "A fatal error occurred during the date parse."},
        {-31744, "A valid date or time value could not be found."},
        {-30720, "The start of a valid date or time value was found, but a valid date or time could not be parsed "
                 "from the string."},
        {3, "An unknown error occurred while parsing the date string."},
    };
    for (const auto& c : cases) {
        CText text;
        DescribeDateParseResult(c.code, text);
        EXPECT_EQ(Text(text), c.text) << c.code;
    }
}

TEST_F(DatesAndTimes, LocaleTextsAreBuiltFromQLocale)
{
    const QDateTime moment(QDate(2024, 3, 5), QTime(14, 7, 9));
    const UInt32 macTime = MacTimeFromDateTime(moment);
    EXPECT_EQ(DateTimeFromMacTime(macTime), moment);

    const QLocale locale = QLocale::system();
    const std::string time = Utf8(TimeTextWithSeconds(moment.time()));
    EXPECT_NE(time.find("07"), std::string::npos);
    EXPECT_NE(time.find("09"), std::string::npos);  // seconds are included
    CText text;
    TimeOnDate(macTime, text);
    EXPECT_EQ(Text(text), time + " on " + Utf8(locale.toString(moment.date(), QLocale::LongFormat)));
    DateCommaTime(macTime, text);
    EXPECT_EQ(Text(text), Utf8(AbbreviatedDateText(moment.date())) + ", " + time);
    EXPECT_EQ(Utf8(FormatDate(double(QDateTime(QDate(2024, 3, 5), QTime(23, 30), Qt::UTC).toSecsSinceEpoch()))),
              "3-6-2024");  // 00:30 on the 6th in Berlin
}

TEST_F(DatesAndTimes, ParseDateTimeResults)
{
    const QLocale locale = QLocale::system();
    const QDate date(2024, 3, 5);
    const QTime time(14, 7, 9);
    const std::string dateText = Utf8(locale.toString(date, QLocale::ShortFormat));
    const std::string timeText = Utf8(TimeTextWithSeconds(time));
    UInt32 macTime = 0;
    CText message;

    EXPECT_EQ(ParseDateTime((dateText + " " + timeText).c_str(), macTime, message), 1);
    EXPECT_EQ(macTime, MacTimeFromDateTime(QDateTime(date, time)));
    EXPECT_EQ(Text(message), "A valid date was found.");
    EXPECT_EQ(ParseDateTime(dateText.c_str(), macTime, message), 1);
    EXPECT_EQ(macTime, MacTimeFromDateTime(QDateTime(date, QTime(0, 0))));
    EXPECT_EQ(ParseDateTime((dateText + " " + timeText + " and more").c_str(), macTime, message), 2);
    EXPECT_EQ(ParseDateTime("garbage", macTime, message), -31744);
    EXPECT_EQ(ParseDateTime("99/99/99", macTime, message), -30720);
}

TEST_F(DatesAndTimes, CurrentTexts)
{
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    CurrentDateTimeText(buffer, sizeof buffer);
    EXPECT_EQ(std::strlen(buffer), 7u);  // cut to fit
    CurrentDateTimeText(buffer, 0);      // untouched
    const QString description = CurrentDateDescription();
    EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d [+-]\d{4}$)"))
                    .match(description)
                    .hasMatch())
        << description.toStdString();
    UInt32 now = 0;
    EXPECT_EQ(CurrentLocalMacTime(now), now);
    EXPECT_GT(now, 3'700'000'000u);  // after 2021
}

TEST_F(DatesAndTimes, WakeAndSleepAnswerNotAvailableWhereTheSystemRefuses)
{
    // No system bus and no real-time clock: the path a user without the rights takes. The bus
    // address points nowhere, so this test can never put the machine to sleep.
    QTemporaryDir sysfs;
    ASSERT_TRUE(sysfs.isValid());
    Power::SetSysfsRoot(sysfs.path());
    Power::SetSystemBusAddress("unix:path=" + sysfs.path() + "/no-bus");
    const QDateTime inAnHour = QDateTime::currentDateTime().addSecs(3600);
    const SInt64 longDateTime = QDateTime(inAnHour.date(), inAnHour.time(), Qt::UTC).toSecsSinceEpoch() + 2082844800;
    EXPECT_FALSE(ScheduleWake(longDateTime, 60));
    EXPECT_EQ(SleepNow(), kPowerNotAvailableErr);
    Power::SetSysfsRoot({});
    Power::SetSystemBusAddress({});
}

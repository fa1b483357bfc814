#include "DatesAndTimes.h"

#include "Power.h"
#include "TextHelpers.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>

#include <atomic>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 kMacEpochOffset = 2082844800;  // seconds from 1904-01-01 to 1970-01-01

constexpr const char* kWeekdayNames[8] = {"", "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kLowerMonthNames[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                              "jul", "aug", "sep", "oct", "nov", "dec"};

std::vector<std::string> SplitOnBlanks(const char* text)
{
    std::vector<std::string> tokens;
    std::string current;
    for (const char* p = text; *p != 0; ++p) {
        if (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') {
            if (!current.empty())
                tokens.push_back(current);
            current.clear();
            continue;
        }
        current.push_back(*p);
    }
    if (!current.empty())
        tokens.push_back(current);
    return tokens;
}

// A whole decimal number, or -1 when the token holds anything else.
long WholeNumber(const std::string& token)
{
    if (token.empty() || token.size() > 9)
        return -1;
    long value = 0;
    for (char c : token) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

int MonthFromName(std::string token)
{
    for (char& c : token)
        c = LowerAscii(c);
    for (int i = 0; i < 12; ++i) {
        if (token == kLowerMonthNames[i])
            return i + 1;
    }
    return 0;
}

// Seconds east of Greenwich of a zone token; GMT for anything not understood.
int ZoneOffsetSeconds(const std::string& zone)
{
    if (zone.size() != 5 || (zone[0] != '+' && zone[0] != '-'))
        return 0;
    const long digits = WholeNumber(zone.substr(1));
    if (digits < 0)
        return 0;
    const int seconds = int(digits / 100) * 3600 + int(digits % 100) * 60;
    return zone[0] == '-' ? -seconds : seconds;
}

bool ParseClock(const std::string& token, int& hour, int& minute, int& second)
{
    hour = minute = second = 0;
    long parts[3] = {0, 0, 0};
    size_t start = 0;
    for (int i = 0; i < 3 && start <= token.size(); ++i) {
        const size_t colon = token.find(':', start);
        const std::string part = token.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        parts[i] = WholeNumber(part);
        if (parts[i] < 0)
            return false;
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    hour = int(parts[0]);
    minute = int(parts[1]);
    second = int(parts[2]);
    return true;
}

int WindowedYear(const std::string& token)
{
    const long year = WholeNumber(token);
    if (year < 0)
        return -1;
    if (token.size() == 2)
        return int(year < 50 ? 2000 + year : 1900 + year);
    return int(year);
}

// The seed: the clock and the process, mixed once.
uint32_t InitialSeed()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    uint64_t mixed = uint64_t(now) ^ (uint64_t(getpid()) << 32) ^ uint64_t(std::time(nullptr));
    mixed ^= mixed >> 33;
    mixed *= 0xff51afd7ed558ccdULL;
    mixed ^= mixed >> 33;
    return uint32_t(mixed);
}

// A full-period generator modulo 2^32: no value repeats within 2^32 draws of one process.
uint32_t NextStampNumber()
{
    static std::atomic<uint32_t> state{InitialSeed()};
    uint32_t current = state.load(std::memory_order_relaxed);
    uint32_t next;
    do {
        next = current * 1664525u + 1013904223u;
    } while (!state.compare_exchange_weak(current, next, std::memory_order_relaxed));
    return next;
}

QString WithSecondsFormat(QString format)
{
    if (format.contains(QLatin1Char('s')))
        return format;
    const qsizetype minutes = format.indexOf(QLatin1String("mm"));
    if (minutes < 0)
        return format + QLatin1String(":ss");
    format.insert(minutes + 2, QLatin1String(":ss"));
    return format;
}

QString AbbreviatedFormat(QString format)
{
    format.replace(QLatin1String("dddd"), QLatin1String("ddd"));
    format.replace(QLatin1String("MMMM"), QLatin1String("MMM"));
    return format;
}

void AppendQString(CText& out, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    out.AppendBytes(bytes.constData(), bytes.size());
}

QDate ReadLocaleDate(const QLocale& locale, const QString& text)
{
    const QString formats[] = {locale.dateFormat(QLocale::ShortFormat), locale.dateFormat(QLocale::LongFormat),
                               AbbreviatedFormat(locale.dateFormat(QLocale::LongFormat)),
                               QStringLiteral("yyyy-MM-dd")};
    for (const QString& format : formats) {
        const QDate date = locale.toDate(text, format);
        if (date.isValid())
            return date;
    }
    return {};
}

QTime ReadLocaleTime(const QLocale& locale, const QString& text)
{
    const QString formats[] = {WithSecondsFormat(locale.timeFormat(QLocale::ShortFormat)),
                               locale.timeFormat(QLocale::ShortFormat), QStringLiteral("HH:mm:ss"),
                               QStringLiteral("HH:mm")};
    for (const QString& format : formats) {
        const QTime time = locale.toTime(text, format);
        if (time.isValid())
            return time;
    }
    return {};
}

}  // namespace

UInt32 MacTimeFromDateTime(const QDateTime& dateTime)
{
    if (!dateTime.isValid())
        return 0;
    const qint64 local = dateTime.toSecsSinceEpoch() + dateTime.offsetFromUtc() + kMacEpochOffset;
    if (local < 0 || local > qint64(UINT32_MAX))
        return 0;
    return UInt32(local);
}

QDateTime DateTimeFromMacTime(UInt32 macTime)
{
    const QDateTime wall = QDateTime(QDate(1904, 1, 1), QTime(0, 0), Qt::UTC).addSecs(macTime);
    return QDateTime(wall.date(), wall.time());
}

DateTimeRec GMTDateTimeRec(const QDateTime& moment)
{
    const QDateTime utc = moment.toUTC();
    DateTimeRec record;
    record.year = SInt16(utc.date().year());
    record.month = SInt16(utc.date().month());
    record.day = SInt16(utc.date().day());
    record.hour = SInt16(utc.time().hour());
    record.minute = SInt16(utc.time().minute());
    record.second = SInt16(utc.time().second());
    record.dayOfWeek = SInt16(utc.date().dayOfWeek() % 7 + 1);  // Qt: Monday 1 ... Sunday 7
    return record;
}

void FormatMessageDate(const DateTimeRec& gmt, CString256& out)
{
    const int weekday = (gmt.dayOfWeek >= 1 && gmt.dayOfWeek <= 7) ? gmt.dayOfWeek : 0;
    const int month = (gmt.month >= 1 && gmt.month <= 12) ? gmt.month : 0;
    char text[CString256::kCapacity];
    std::snprintf(text, sizeof text, "%s, %u %s %u %02u:%02u:%02u GMT", kWeekdayNames[weekday],
                  unsigned(UInt16(gmt.day)), kMonthNames[month], unsigned(UInt16(gmt.year)),
                  unsigned(UInt16(gmt.hour)), unsigned(UInt16(gmt.minute)), unsigned(UInt16(gmt.second)));
    out.Assign(text);
}

UInt32 ParseMessageDate(const char* text, UInt32& macTime)
{
    macTime = 0;
    if (text == nullptr)
        return 0;
    const char* comma = std::strchr(text, ',');
    const std::vector<std::string> tokens = SplitOnBlanks(comma != nullptr ? comma + 1 : text);
    if (tokens.size() < 3)
        return 0;
    const long day = WholeNumber(tokens[0]);
    const int month = MonthFromName(tokens[1]);
    const int year = WindowedYear(tokens[2]);
    int hour = 0, minute = 0, second = 0;
    if (tokens.size() > 3 && !ParseClock(tokens[3], hour, minute, second))
        return 0;
    const int zoneOffset = tokens.size() > 4 ? ZoneOffsetSeconds(tokens[4]) : 0;
    if (day < 1 || month == 0 || year < 0)
        return 0;

    const QDate date(year, month, int(day));
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return 0;
    const QDateTime moment = QDateTime(date, time, Qt::UTC).addSecs(-zoneOffset);
    macTime = MacTimeFromDateTime(moment.toLocalTime());
    return macTime;
}

void MakeTimeStampID(CString256& out)
{
    const QDateTime now = QDateTime::currentDateTime();
    char text[CString256::kCapacity];
    std::snprintf(text, sizeof text, "%02u%02u%02u%02u%02u%02u.%06u", unsigned(now.date().year()),
                  unsigned(now.date().month()), unsigned(now.date().day()), unsigned(now.time().hour()),
                  unsigned(now.time().minute()), unsigned(now.time().second()), unsigned(NextStampNumber()));
    out.Assign(text);
}

SInt32 ParseDateTime(const char* text, UInt32& macTime, CText& message)
{
    const QLocale locale = QLocale::system();
    const QString whole = QString::fromUtf8(text != nullptr ? text : "");
    const QStringList tokens = whole.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    SInt32 result = kDateParseNoDate;
    if (!tokens.isEmpty() && tokens.first().front().isDigit())
        result = kDateParseStartedButFailed;

    const qsizetype most = std::min<qsizetype>(tokens.size(), 8);
    for (qsizetype taken = most; taken >= 1 && result < 0; --taken) {
        for (qsizetype dateTokens = taken; dateTokens >= 1; --dateTokens) {
            const QDate date = ReadLocaleDate(locale, tokens.mid(0, dateTokens).join(QLatin1Char(' ')));
            if (!date.isValid())
                continue;
            QTime time(0, 0);
            if (dateTokens < taken) {
                time = ReadLocaleTime(locale, tokens.mid(dateTokens, taken - dateTokens).join(QLatin1Char(' ')));
                if (!time.isValid())
                    continue;
            }
            macTime = MacTimeFromDateTime(QDateTime(date, time));
            result = taken == tokens.size() ? kDateParseValidDate : kDateParseLeftOverChars;
            break;
        }
    }
    DescribeDateParseResult(result, message);
    return result;
}

void DescribeDateParseResult(SInt32 result, CText& out)
{
    const char* text = "An unknown error occurred while parsing the date string.";
    switch (result) {
    case kDateParseShortDate: text = "A valid \"short\" date was found."; break;
    case kDateParseValidDate: text = "A valid date was found."; break;
    case kDateParseLeftOverChars:
        text = "A valid date or time value was found, and there were characters remaining in the input string";
        break;
    case kDateParseSeparatorWarning:
        text = "A valid date or time value was found; however, one or more of the separator characters in the "
               "string was not expected for the script system in use.";
        break;
    case kDateParseFieldOrderWarning:
        text = "A valid date or time value was found; however, the order of the fields did not match the expected "
               "order for the script system in use.";
        break;
    case kDateParseSkippedStringWarning:
        text = "A valid date or time value was found; however, one or more unparsable strings was encountered and "
               "skipped while parsing.";
        break;
    case kDateParseExtraSeparatorWarning:
        text = "A valid date or time value was found; however, one or more extra separator characters was "
               "encountered and skipped while parsing.";
        break;
    case kDateParseInconsistentSeparators:
        text = "A valid date or time value was found; however, the separator characters did not consistently "
               "match the expected separators for the script system in use.";
        break;
    case kDateParseFatalError: text = "A fatal error occurred during the date parse."; break;
    case kDateParseNoToken: text = "The token processing software could not find a token."; break;
    case kDateParseResourceError: text = "The resources needed to parse the date could not be read."; break;
    case kDateParseNoDate: text = "A valid date or time value could not be found."; break;
    case kDateParseStartedButFailed:
        text = "The start of a valid date or time value was found, but a valid date or time could not be parsed "
               "from the string.";
        break;
    default: break;
    }
    out.Assign(text);
}

QString LongDateText(const QDate& date)
{
    return QLocale::system().toString(date, QLocale::LongFormat);
}

QString AbbreviatedDateText(const QDate& date)
{
    const QLocale locale = QLocale::system();
    return locale.toString(date, AbbreviatedFormat(locale.dateFormat(QLocale::LongFormat)));
}

QString TimeTextWithSeconds(const QTime& time)
{
    const QLocale locale = QLocale::system();
    return locale.toString(time, WithSecondsFormat(locale.timeFormat(QLocale::ShortFormat)));
}

void TimeOnDate(UInt32 macTime, CText& out)
{
    const QDateTime moment = DateTimeFromMacTime(macTime);
    out.Assign("");
    AppendQString(out, TimeTextWithSeconds(moment.time()));
    out.Append(" on ");
    AppendQString(out, LongDateText(moment.date()));
}

void DateCommaTime(UInt32 macTime, CText& out)
{
    const QDateTime moment = DateTimeFromMacTime(macTime);
    out.Assign("");
    AppendQString(out, AbbreviatedDateText(moment.date()));
    out.Append(", ");
    AppendQString(out, TimeTextWithSeconds(moment.time()));
}

void DateTimeString(CText& out)
{
    const QDateTime now = QDateTime::currentDateTime();
    out.Assign("");
    AppendQString(out, LongDateText(now.date()));
    out.Append(", ");
    AppendQString(out, TimeTextWithSeconds(now.time()));
}

UInt32 CurrentLocalMacTime(UInt32& out)
{
    out = MacTimeFromDateTime(QDateTime::currentDateTime());
    return out;
}

void CurrentDateTimeText(char* buffer, size_t size)
{
    if (buffer == nullptr || size == 0)
        return;
    const QByteArray text = QLocale::system().toString(QDateTime::currentDateTime(), QLocale::LongFormat).toUtf8();
    CopyCut(buffer, text.constData(), size_t(text.size()), size - 1);
}

QString CurrentDateDescription()
{
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc();
    const int magnitude = offset < 0 ? -offset : offset;
    return now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss "))
           + QString::asprintf("%c%02d%02d", offset < 0 ? '-' : '+', magnitude / 3600, (magnitude % 3600) / 60);
}

QString FormatDate(double utcSeconds)
{
    const QDate date = QDateTime::fromMSecsSinceEpoch(qint64(utcSeconds * 1000.0)).toLocalTime().date();
    return QString::asprintf("%d-%d-%d", date.month(), date.day(), date.year());
}

void FormatDuration(UInt32 seconds, CText& out)
{
    if (seconds == 0) {
        out.Append("0");
        return;
    }
    if (seconds >= 3600) {
        out.AppendNumber(long(seconds / 3600));
        out.Append(seconds <= 7199 ? " hr " : " hrs ");
    }
    const UInt32 minutes = (seconds % 3600) / 60;
    if (minutes >= 1) {
        out.AppendNumber(long(minutes));
        out.Append(minutes == 1 ? " min " : " mins ");
    }
    const UInt32 rest = seconds % 60;
    if (rest != 0) {
        out.AppendNumber(long(rest));
        out.Append(rest == 1 ? " sec " : " secs ");
    }
}

bool ScheduleWake(SInt64 longDateTime, UInt32 leadSeconds)
{
    if (!Power::CanSleep())
        return false;
    const QDateTime wall = QDateTime(QDate(1904, 1, 1), QTime(0, 0), Qt::UTC).addSecs(longDateTime - leadSeconds);
    const QDateTime local(wall.date(), wall.time());
    if (!local.isValid())
        return false;
    return Power::ScheduleWake(local.toSecsSinceEpoch());
}

OSStatus SleepNow()
{
    return Power::SleepNow() ? OSStatus(noErr) : kPowerNotAvailableErr;
}

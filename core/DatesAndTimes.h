// Dates and times as the program writes and reads them: message dates (RFC 5322), time-stamp
// IDs, durations, the user's locale texts for captions and logs, and the two power calls that
// let a scheduled mailing wake a sleeping computer.
//
// Mac time: unsigned 32-bit seconds since 1904-01-01 00:00:00 local time (0 means "no date").
// Core Foundation dates: seconds since 1970-01-01 UTC (a double). Locale texts come from the
// user's QLocale (long date, time with seconds), so they follow LANG / LC_TIME and TZ.
//
// Stateless free functions; any thread (MakeTimeStampID's generator is process-wide and
// atomic). Nothing throws; parse failures are results.
#pragma once

#include "CString256.h"
#include "CText.h"
#include "MacTypes.h"

#include <QDateTime>
#include <QString>

#include <cstddef>

// The system's date-time record.
struct DateTimeRec {
    SInt16 year = 0;
    SInt16 month = 0;      // 1-12
    SInt16 day = 0;        // 1-31
    SInt16 hour = 0;
    SInt16 minute = 0;
    SInt16 second = 0;
    SInt16 dayOfWeek = 0;  // 1 = Sunday ... 7 = Saturday
};

// Date-parse results (the system's flags and errors).
enum : SInt32 {
    kDateParseShortDate = 0,
    kDateParseValidDate = 1,
    kDateParseLeftOverChars = 2,
    kDateParseSeparatorWarning = 4,
    kDateParseFieldOrderWarning = 8,
    kDateParseSkippedStringWarning = 16,
    kDateParseExtraSeparatorWarning = 32,
    kDateParseInconsistentSeparators = 64,
    kDateParseFatalError = -32768,
    kDateParseNoToken = -32512,
    kDateParseResourceError = -32256,
    kDateParseNoDate = -31744,
    kDateParseStartedButFailed = -30720,
};

// Mac time <-> local QDateTime.
UInt32 MacTimeFromDateTime(const QDateTime& dateTime);
QDateTime DateTimeFromMacTime(UInt32 macTime);

// "Wkd, D Mon YYYY HH:MM:SS GMT" of a record already in GMT (day and year without leading zeros).
void FormatMessageDate(const DateTimeRec& gmt, CString256& out);
// The GMT record of a moment, as FormatMessageDate wants it.
DateTimeRec GMTDateTimeRec(const QDateTime& moment);
// An RFC 5322 date ("[Wkd,] D Mon YY[YY] HH:MM[:SS] zone") as local Mac time. The zone may be
// "GMT", "UT", "Z" or +hhmm / -hhmm (others count as GMT); a two-digit year 00-49 is 2000-2049,
// 50-99 is 1950-1999. A missing or unknown day, month or year, or a date out of range, gives 0.
UInt32 ParseMessageDate(const char* text, UInt32& macTime);
// "YYYYMMDDHHMMSS.NNNNNN": the local date and time and a pseudo-random number of at least six
// digits; the generator is seeded once per process, so IDs made in the same second differ.
void MakeTimeStampID(CString256& out);
// Parses a date (and optional time) in the user's locale; the result code as above and its
// message in `message`. Results: 1 (whole text read), 2 (characters left over), -31744 (no
// date), -30720 (a date began but could not be read).
SInt32 ParseDateTime(const char* text, UInt32& macTime, CText& message);
void DescribeDateParseResult(SInt32 result, CText& out);

// Locale texts.
QString LongDateText(const QDate& date);
QString AbbreviatedDateText(const QDate& date);
QString TimeTextWithSeconds(const QTime& time);
void TimeOnDate(UInt32 macTime, CText& out);     // time, " on ", long date
void DateCommaTime(UInt32 macTime, CText& out);  // abbreviated date, ", ", time
void DateTimeString(CText& out);                 // now: long date, ", ", time
UInt32 CurrentLocalMacTime(UInt32& out);
// Now, in the long style for date and time, cut to fit `size` bytes (NUL included) on a
// character boundary; the buffer stays untouched when size is 0.
void CurrentDateTimeText(char* buffer, size_t size);
// Now as "YYYY-MM-DD HH:MM:SS ±hhmm".
QString CurrentDateDescription();
// "M-D-YYYY" of a Core Foundation date in the local time zone (no leading zeros).
QString FormatDate(double utcSeconds);
// The answer of SleepNow when the system lets this user neither sleep nor schedule a wake-up.
inline constexpr OSStatus kPowerNotAvailableErr = -1;

// Schedules a wake-up `leadSeconds` before `longDateTime` (signed seconds since 1904-01-01 local
// time); false when the system cannot sleep or refuses the wake-up.
bool ScheduleWake(SInt64 longDateTime, UInt32 leadSeconds);
// Puts the computer to sleep where the system allows it: 0, or kPowerNotAvailableErr.
OSStatus SleepNow();

// Appends "0" for zero seconds, else hours (" hr " / " hrs "), minutes (" min " / " mins ") and
// seconds (" sec " / " secs "), each only when not zero.
void FormatDuration(UInt32 seconds, CText& out);

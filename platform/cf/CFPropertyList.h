// CFPropertyList: one property-list value, the stand-in for the Core Foundation property-list
// types (CFBoolean, CFNumber, CFString, CFDate, CFData, CFArray, CFDictionary).
//
// A value is one of: null (absent: what a lookup of a missing key gives; it is never written),
// boolean, integer (64-bit signed), real (double), string (UTF-16, as QString), date (UTC seconds
// since 1970-01-01, whole or fractional), data (bytes), array, dictionary. A dictionary keeps its
// keys sorted by UTF-16 code unit, which is QString's ordering and the order the writer emits.
//
// Values are plain, implicitly shared Qt containers underneath: copying is cheap, and a copy
// never changes when the original does. The accessors are forgiving: asking for the wrong type
// gives an empty or zero answer, never an exception. Any thread may use its own values; a value
// shared between threads is safe to read, not to change.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <cstdint>
#include <variant>

class CFPropertyList {
public:
    enum class Type { Null, Boolean, Integer, Real, String, Date, Data, Array, Dictionary };

    using Array = QList<CFPropertyList>;
    using Dictionary = QMap<QString, CFPropertyList>; // QString orders by UTF-16 code unit

    CFPropertyList(); // null
    CFPropertyList(bool value);
    CFPropertyList(int value);
    CFPropertyList(long value);
    CFPropertyList(long long value);
    CFPropertyList(double value);
    CFPropertyList(const QString& value);
    CFPropertyList(const char* utf8); // a string; never silently a boolean
    CFPropertyList(const QByteArray& data);
    CFPropertyList(const Array& array);
    CFPropertyList(const Dictionary& dictionary);
    CFPropertyList(const CFPropertyList& other);
    CFPropertyList(CFPropertyList&& other) noexcept;
    CFPropertyList& operator=(const CFPropertyList& other);
    CFPropertyList& operator=(CFPropertyList&& other) noexcept;
    ~CFPropertyList();

    // A date, as seconds since 1970-01-01 00:00:00 UTC.
    static CFPropertyList FromDate(double utcSeconds);

    Type GetType() const;
    bool IsNull() const { return GetType() == Type::Null; }
    bool IsBoolean() const { return GetType() == Type::Boolean; }
    bool IsInteger() const { return GetType() == Type::Integer; }
    bool IsReal() const { return GetType() == Type::Real; }
    bool IsString() const { return GetType() == Type::String; }
    bool IsDate() const { return GetType() == Type::Date; }
    bool IsData() const { return GetType() == Type::Data; }
    bool IsArray() const { return GetType() == Type::Array; }
    bool IsDictionary() const { return GetType() == Type::Dictionary; }

    bool ToBool() const;         // false unless a boolean
    int64_t ToInteger() const;   // an integer, or a real cut toward zero; else 0
    double ToReal() const;       // a real or an integer; else 0
    QString ToString() const;    // empty unless a string
    double ToDate() const;       // UTC seconds; 0 unless a date
    QByteArray ToData() const;   // empty unless data
    Array ToArray() const;       // empty unless an array
    Dictionary ToDictionary() const; // empty unless a dictionary

    // Elements: the count of an array or dictionary (0 otherwise); an array member by index and
    // a dictionary member by key, null when out of range, missing or not a container.
    qsizetype Count() const;
    CFPropertyList At(qsizetype index) const;
    CFPropertyList Value(const QString& key) const;

    // Deep equality: same type and same contents (reals compare as numbers, so NaN never equals).
    bool operator==(const CFPropertyList& other) const;
    bool operator!=(const CFPropertyList& other) const { return !(*this == other); }

private:
    struct DateValue {
        double seconds;
        bool operator==(const DateValue&) const = default;
    };
    // Alternatives in the order of Type.
    using Storage = std::variant<std::monostate, bool, int64_t, double, QString, DateValue, QByteArray,
                                 Array, Dictionary>;
    Storage mStorage;
};

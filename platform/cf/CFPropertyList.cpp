#include "CFPropertyList.h"

#include "CFStringBytes.h"

#include <cmath>
#include <cstring>

CFPropertyList::CFPropertyList() = default;
CFPropertyList::CFPropertyList(bool value) : mStorage(value) {}
CFPropertyList::CFPropertyList(int value) : mStorage(int64_t(value)) {}
CFPropertyList::CFPropertyList(long value) : mStorage(int64_t(value)) {}
CFPropertyList::CFPropertyList(long long value) : mStorage(int64_t(value)) {}
CFPropertyList::CFPropertyList(double value) : mStorage(value) {}
CFPropertyList::CFPropertyList(const QString& value) : mStorage(value) {}
CFPropertyList::CFPropertyList(const char* utf8)
    : mStorage(CFStringFromBytes(QByteArrayView(utf8, utf8 ? qsizetype(std::strlen(utf8)) : 0)))
{
}
CFPropertyList::CFPropertyList(const QByteArray& data) : mStorage(data) {}
CFPropertyList::CFPropertyList(const Array& array) : mStorage(array) {}
CFPropertyList::CFPropertyList(const Dictionary& dictionary) : mStorage(dictionary) {}
CFPropertyList::CFPropertyList(const CFPropertyList& other) = default;
CFPropertyList::CFPropertyList(CFPropertyList&& other) noexcept = default;
CFPropertyList& CFPropertyList::operator=(const CFPropertyList& other) = default;
CFPropertyList& CFPropertyList::operator=(CFPropertyList&& other) noexcept = default;
CFPropertyList::~CFPropertyList() = default;

CFPropertyList CFPropertyList::FromDate(double utcSeconds)
{
    CFPropertyList date;
    date.mStorage = DateValue{utcSeconds};
    return date;
}

CFPropertyList::Type CFPropertyList::GetType() const
{
    return Type(mStorage.index());
}

bool CFPropertyList::ToBool() const
{
    const bool* value = std::get_if<bool>(&mStorage);
    return value && *value;
}

int64_t CFPropertyList::ToInteger() const
{
    if (const int64_t* value = std::get_if<int64_t>(&mStorage))
        return *value;
    const double* real = std::get_if<double>(&mStorage);
    if (!real || !std::isfinite(*real) || std::fabs(*real) >= 9.2233720368547758e18)
        return 0;
    return int64_t(*real);
}

double CFPropertyList::ToReal() const
{
    if (const double* value = std::get_if<double>(&mStorage))
        return *value;
    if (const int64_t* integer = std::get_if<int64_t>(&mStorage))
        return double(*integer);
    return 0;
}

QString CFPropertyList::ToString() const
{
    const QString* value = std::get_if<QString>(&mStorage);
    return value ? *value : QString();
}

double CFPropertyList::ToDate() const
{
    const DateValue* value = std::get_if<DateValue>(&mStorage);
    return value ? value->seconds : 0;
}

QByteArray CFPropertyList::ToData() const
{
    const QByteArray* value = std::get_if<QByteArray>(&mStorage);
    return value ? *value : QByteArray();
}

CFPropertyList::Array CFPropertyList::ToArray() const
{
    const Array* value = std::get_if<Array>(&mStorage);
    return value ? *value : Array();
}

CFPropertyList::Dictionary CFPropertyList::ToDictionary() const
{
    const Dictionary* value = std::get_if<Dictionary>(&mStorage);
    return value ? *value : Dictionary();
}

qsizetype CFPropertyList::Count() const
{
    if (const Array* array = std::get_if<Array>(&mStorage))
        return array->size();
    if (const Dictionary* dictionary = std::get_if<Dictionary>(&mStorage))
        return dictionary->size();
    return 0;
}

CFPropertyList CFPropertyList::At(qsizetype index) const
{
    const Array* array = std::get_if<Array>(&mStorage);
    if (!array || index < 0 || index >= array->size())
        return {};
    return array->at(index);
}

CFPropertyList CFPropertyList::Value(const QString& key) const
{
    const Dictionary* dictionary = std::get_if<Dictionary>(&mStorage);
    if (!dictionary)
        return {};
    return dictionary->value(key);
}

bool CFPropertyList::operator==(const CFPropertyList& other) const
{
    return mStorage == other.mStorage;
}

// CFPropertyListWriter: a property-list value as XML property-list bytes in the Mac's own layout,
// byte for byte: the XML declaration and DOCTYPE lines, <plist version="1.0">, the root at column
// 0 and one tab per level, keys in UTF-16 code-unit order, empty containers as <dict/> and
// <array/>, only '&', '<' and '>' escaped (CR and every other character as they stand), decimal
// integers, reals with 17 significant digits, dates as YYYY-MM-DDTHH:MM:SSZ in UTC, data as base64
// lines indented like their tag and filling 76 columns (a tab counts as 8), a final LF.
//
// A null anywhere in the value, a date outside the years 0000-9999, or containers nested deeper
// than kCFPropertyListMaxDepth (512) cannot be written: the write fails and gives no bytes.
// Any thread; no shared state.
#pragma once

#include "CFPropertyList.h"

#include <QByteArray>
#include <QString>

class CFPropertyListWriter {
public:
    // The bytes of the property list, or empty bytes (and the reason in error) on failure.
    static QByteArray Write(const CFPropertyList& value, QString* error = nullptr);
};

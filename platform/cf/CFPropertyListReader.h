// CFPropertyListReader: XML property-list bytes to a property-list value.
//
// Tolerates what hand-edited and foreign files hold: a missing XML declaration or DOCTYPE, a
// byte-order mark, comments, CDATA sections, the five XML entities and character references,
// whitespace between elements and inside base64, attributes on tags, <true></true>. <string> and
// <key> text is kept exactly as it stands (a CR stays a CR); text is UTF-8, and bytes that are not
// UTF-8 count as Latin-1. In a dictionary a later duplicate key wins.
//
// Everything else is an error that names the line and gives no value (null): empty input, a
// binary property list, unknown or mismatched tags, a key without a value or a value without a
// key, stray text, bad or overflowing numbers, bad dates, bad base64, containers nested deeper
// than 512, content after </plist>. Any thread; no shared state.
#pragma once

#include "CFPropertyList.h"

#include <QByteArrayView>
#include <QString>

class CFPropertyListReader {
public:
    // The value the bytes hold; null, with the reason in error, when they hold none.
    static CFPropertyList Read(QByteArrayView bytes, QString* error = nullptr);
};

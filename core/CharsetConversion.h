// CharsetConversion: text to and from the bytes of a named character set (a MIME name such as
// "ISO-8859-7", "ISO-2022-JP" or "UTF-8"), through the C library's converters. Conversions are
// exact: a character the set cannot hold, bytes that are not valid in it, or a name the library
// does not know make the conversion fail rather than substitute. An empty name means UTF-8.
// Any thread.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The bytes of the text in the set; nullopt when the set cannot hold it or is unknown.
std::optional<QByteArray> EncodeInCharset(const QString& text, const QString& charset);
// The text of the bytes in the set; nullopt when they are not valid in it or it is unknown.
std::optional<QString> DecodeFromCharset(const QByteArray& bytes, const QString& charset);

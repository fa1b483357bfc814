// Bytes to string as the program's text is stored: UTF-8, where every byte that is not part of
// a well-formed UTF-8 sequence (a stray byte, a truncated, overlong or surrogate sequence) counts
// as a Latin-1 character. The conversion never fails and never loses a byte's meaning.
// Any thread; nothing can fail.
#pragma once

#include <QByteArrayView>
#include <QString>

QString CFStringFromBytes(QByteArrayView bytes);

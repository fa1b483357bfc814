// A window's content rectangle as a mailing document keeps it: 8 bytes, four big-endian signed
// 16-bit numbers in the order top, left, bottom, right, in screen coordinates. Any thread.
#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>

#include <optional>

QByteArray BoundsData(const QRect& inBounds);
// The rectangle of exactly 8 bytes; nullopt for any other length.
std::optional<QRect> BoundsFromData(const QByteArray& inData);
// True when the rectangle shares at least one pixel with a display of that size at the origin.
bool OverlapsDisplay(const QRect& inBounds, QSize inDisplay);

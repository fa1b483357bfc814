#include "WindowBoundsData.h"

#include <QtEndian>

#include <algorithm>

QByteArray BoundsData(const QRect& inBounds)
{
    const qint16 sides[] = {qint16(inBounds.top()), qint16(inBounds.left()),
                            qint16(inBounds.top() + inBounds.height()), qint16(inBounds.left() + inBounds.width())};
    QByteArray data(8, '\0');
    for (int index = 0; index < 4; ++index)
        qToBigEndian<qint16>(sides[index], data.data() + 2 * index);
    return data;
}

std::optional<QRect> BoundsFromData(const QByteArray& inData)
{
    if (inData.size() != 8)
        return std::nullopt;
    int sides[4];
    for (int index = 0; index < 4; ++index)
        sides[index] = qFromBigEndian<qint16>(inData.constData() + 2 * index);
    const int top = sides[0], left = sides[1], bottom = sides[2], right = sides[3];
    return QRect(left, top, right - left, bottom - top);
}

bool OverlapsDisplay(const QRect& inBounds, QSize inDisplay)
{
    const int right = inBounds.left() + inBounds.width();
    const int bottom = inBounds.top() + inBounds.height();
    return std::min(right, inDisplay.width()) > std::max(inBounds.left(), 0) &&
           std::min(bottom, inDisplay.height()) > std::max(inBounds.top(), 0);
}

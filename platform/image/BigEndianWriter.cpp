#include "BigEndianWriter.h"

#include <algorithm>

void BigEndianWriter::PascalField(const QByteArray& text, int fieldSize)
{
    const int length = std::min<int>(int(text.size()), std::min(fieldSize - 1, 255));
    U8(uint8_t(length));
    fBuffer.append(text.constData(), length);
    Zeros(fieldSize - 1 - length);
}

bool BigEndianWriter::Flush()
{
    if (fBuffer.isEmpty())
        return fOk;
    if (fOk && fDevice.write(fBuffer) != fBuffer.size())
        fOk = false;
    fWritten += fBuffer.size();
    fBuffer.clear();
    return fOk;
}

#include "CheckedFileOutput.h"

#include <cerrno>
#include <cstring>

void CheckedFileOutput::Fail()
{
    if (fFailed)
        return;
    fFailed = true;
    fFailureText = fFile.error() != QFileDevice::NoError ? fFile.errorString()
                   : errno != 0 ? QString::fromLocal8Bit(strerror(errno))
                                : QStringLiteral("Short write");
}

bool CheckedFileOutput::seek(qint64 position)
{
    if (!fFile.seek(position)) {
        Fail();
        return false;
    }
    return QIODevice::seek(position);
}

qint64 CheckedFileOutput::writeData(const char* data, qint64 count)
{
    errno = 0;
    const qint64 written = fFile.write(data, count);
    if (written != count)
        Fail();
    return written;
}

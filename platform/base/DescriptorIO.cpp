#include "DescriptorIO.h"

#include <unistd.h>

#include <cerrno>

int ReadFully(int fd, void* buffer, size_t count, size_t* done)
{
    char* at = static_cast<char*>(buffer);
    size_t total = 0;
    int error = 0;
    while (total < count) {
        const ssize_t got = ::read(fd, at + total, count - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errno;
            break;
        }
        if (got == 0)
            break;
        total += size_t(got);
    }
    if (done)
        *done = total;
    return error;
}

int WriteFully(int fd, const void* bytes, size_t count, size_t* done)
{
    const char* at = static_cast<const char*>(bytes);
    size_t total = 0;
    int error = 0;
    while (total < count) {
        const ssize_t put = ::write(fd, at + total, count - total);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0) {
            error = errno;
            break;
        }
        if (put == 0) { // nothing taken and no error: do not spin
            error = EIO;
            break;
        }
        total += size_t(put);
    }
    if (done)
        *done = total;
    return error;
}

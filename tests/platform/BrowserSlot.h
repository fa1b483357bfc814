// At most four browser runs at once across every test process, and one for every two cores
// (at least two) on a smaller machine, where more starting browsers at once miss their start
// deadlines: a run holds one of the lock files in /tmp (flock), waiting for a free one. The lock goes with the process, so a crashed
// test never keeps a slot.
#pragma once

#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <string>

class BrowserSlot {
public:
    static constexpr int kMostSlots = 4;

    // Waits for a free slot.
    BrowserSlot()
    {
        while (!TryTake())
            QThread::msleep(200);
    }
    // Takes a free slot if there is one (Held() says whether it did); never waits, so a test
    // holding slots never blocks another that holds some too.
    explicit BrowserSlot(bool /*tryOnly*/) { TryTake(); }

    bool Held() const { return fFd >= 0; }
    ~BrowserSlot()
    {
        if (fFd >= 0)
            close(fFd);
    }
    BrowserSlot(const BrowserSlot&) = delete;
    BrowserSlot& operator=(const BrowserSlot&) = delete;

private:
    bool TryTake()
    {
        const int slotCount = std::clamp(QThread::idealThreadCount() / 2, 2, kMostSlots);
        for (int slot = 0; slot < slotCount; ++slot) {
            const std::string path = "/tmp/brevanto-browser-slot-" + std::to_string(slot) + ".lock";
            const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
            if (fd < 0)
                continue;
            if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
                fFd = fd;
                return true;
            }
            close(fd);
        }
        return false;
    }

    int fFd = -1;
};

// Program entry. Until the application object and its windows exist, the program runs the
// toolbox's loop without a window, says which version it is and quits on SIGINT or SIGTERM.
#include "LApplication.h"
#include "ToolboxCommands.h"

#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int gSignalPipe[2] = {-1, -1};

void OnQuitSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(gSignalPipe[1], &byte, 1);
}
} // namespace

int main(int argc, char** argv)
{
    LApplication app(&argc, argv);
    std::printf("Brevanto %s\n", BREVANTO_VERSION);
    std::fflush(stdout);

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0)
        return 1;
    QSocketNotifier notifier(gSignalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&app] {
        char byte;
        [[maybe_unused]] ssize_t got = ::read(gSignalPipe[0], &byte, 1);
        app.DoQuit(kAENo);
    });
    std::signal(SIGINT, OnQuitSignal);
    std::signal(SIGTERM, OnQuitSignal);
    app.Run();
    app.CleanUp();
    return 0;
}

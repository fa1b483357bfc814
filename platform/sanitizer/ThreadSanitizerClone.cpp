// The race detector's view of a child process start (linked into every program and test of the
// -DBREVANTO_NET_TSAN build only; see CMakeLists.txt).
//
// Qt starts every child process (QProcess) with clone(CLONE_VM | CLONE_VFORK): until it execs,
// the child runs in this process's memory, on the starting thread's registers and thread-local
// data. The detector's own clone wrapper takes every clone for a fork and runs its after-fork
// step in the child, which, sharing the memory, applies it to this process: the starting thread
// (the GUI thread) is left ignoring its own reads, writes and locks for good, and the
// detector's locks are released twice. From then on a race with the GUI thread goes unreported,
// and a lock it takes no longer orders its accesses for the other threads, so two threads that
// both hold one std::mutex are reported as racing on what it guards.
//
// This clone, found before the detector's by every library (the program's own symbols come
// first), sends a clone that shares the memory and holds the parent straight to the C library,
// so the detector does nothing for it: the parent thread is stopped until the child execs, and
// what the child runs meanwhile leaves the detector's records alone (Qt's code is not watched;
// a child modifier of ours makes its calls straight to the kernel, see BrowserProcess.cpp).
// Every other clone (a real copy of the process) still goes through the detector's wrapper,
// which handles it right.
#include <dlfcn.h>
#include <sched.h>
#include <sys/types.h>

#include <cstdarg>
#include <cstdlib>

namespace {

using CloneCall = int (*)(int (*)(void*), void*, int, void*, ...);

CloneCall Resolve(void* inLibrary)
{
    auto call = reinterpret_cast<CloneCall>(dlsym(inLibrary, "clone"));
    if (!call)
        abort(); // no process could be started: better to stop at once than to fail later
    return call;
}

} // namespace

extern "C" int clone(int (*inFunction)(void*), void* inStack, int inFlags, void* inArgument, ...) noexcept
{
    // The three optional arguments are passed on as given; the C library reads only those the
    // flags ask for.
    va_list rest;
    va_start(rest, inArgument);
    pid_t* parentTid = va_arg(rest, pid_t*);
    void* tls = va_arg(rest, void*);
    pid_t* childTid = va_arg(rest, pid_t*);
    va_end(rest);

    static const CloneCall sDetector = Resolve(RTLD_NEXT);
    static const CloneCall sLibrary = Resolve(dlopen("libc.so.6", RTLD_LAZY | RTLD_NOLOAD));
    const bool sharesThisProcess = (inFlags & CLONE_VM) && (inFlags & CLONE_VFORK);
    return (sharesThisProcess ? sLibrary : sDetector)(inFunction, inStack, inFlags, inArgument, parentTid, tls, childTid);
}

// ThreadSanitizer.h: what the code needs to know and say when it is built with ThreadSanitizer
// (-fsanitize=thread, the BREVANTO_NET_TSAN build). BREVANTO_THREAD_SANITIZER is 1 there and
// undefined elsewhere; kBuiltWithThreadSanitizer says the same to ordinary code. Code runs
// several times slower under it: only waits that bound a whole test may depend on it, never the
// program's own behaviour.
//
// The race detector sees only the synchronisation of instrumented code. Where an object passes
// from one OS thread to another through a library it cannot see into (an event posted through
// Qt's queue, whose lock is inside Qt), the sender calls AnnounceHandOver(object) just before
// passing it and the receiver TakeHandOver(object) before its first touch: everything the
// sender did before is then ordered before everything the receiver does after, as the library
// really orders it. Both are empty in every other build.
#pragma once

#if defined(__SANITIZE_THREAD__)
#define BREVANTO_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define BREVANTO_THREAD_SANITIZER 1
#endif
#endif

#if BREVANTO_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
inline constexpr bool kBuiltWithThreadSanitizer = true;
#else
inline constexpr bool kBuiltWithThreadSanitizer = false;
#endif

inline void AnnounceHandOver(const void* inObject)
{
#if BREVANTO_THREAD_SANITIZER
    __tsan_release(const_cast<void*>(inObject));
#else
    (void)inObject;
#endif
}

inline void TakeHandOver(const void* inObject)
{
#if BREVANTO_THREAD_SANITIZER
    __tsan_acquire(const_cast<void*>(inObject));
#else
    (void)inObject;
#endif
}

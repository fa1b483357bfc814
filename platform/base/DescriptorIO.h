// DescriptorIO: the one loop that moves a whole buffer through a blocking file descriptor.
// A signal that interrupts the system call (EINTR) is not a failure: the call is made again.
// Non-blocking sockets and pipes wait for readiness in their own loops (with a deadline) and
// do not come here. Any thread.
#pragma once

#include <cstddef>

// Reads until `count` bytes have arrived or the file ends. `*done` (when given) is the number
// read either way: short of `count` only at the end of the file or on failure.
// 0, or the errno of the failure.
int ReadFully(int fd, void* buffer, size_t count, size_t* done = nullptr);

// Writes all `count` bytes. `*done` (when given) is the number written either way.
// 0, or the errno of the failure.
int WriteFully(int fd, const void* bytes, size_t count, size_t* done = nullptr);

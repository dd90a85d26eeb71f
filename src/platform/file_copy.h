// Moving bytes between open files at the speed of the disks.
#pragma once

#include <cstddef>

// Writes all of data to fd, going on after interruptions; false on an error
// (errno says which).
bool write_all(int fd, const void *data, size_t len);

// What stopped a copy: nothing, a read of the source, or a write.
enum class copy_end_e { done, read_failed, write_failed };

// Copies the rest of in to out from both current offsets: in the kernel
// where both files allow it (no bytes pass through the process), else
// through a large buffer. On a failure errno says why.
copy_end_e copy_rest(int in, int out);

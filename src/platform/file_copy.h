// Copying a whole file from one path to another at the speed of the disks.
#pragma once

#include <cstddef>
#include <string>

// Copies source into destination (created or truncated): in the kernel where
// both files allow it (no bytes pass through the process), else through a
// large buffer. False when either file cannot be opened or a read or write
// fails; the destination then keeps what was copied so far.
bool copy_whole_file(const std::string &source, const std::string &destination);

// Writes all of data to fd, going on after interruptions; false on an error.
bool write_all(int fd, const void *data, size_t len);

#include "platform/file_copy.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t buffer_bytes = 1u << 20;

// In-kernel copy to the end. When the files do not allow it, the rest is
// left to the buffered copy (both offsets have moved past what was copied).
enum class kernel_copy_e { done, unsupported, failed };

kernel_copy_e copy_in_kernel(int in, int out)
{
    for (;;) {
        const ssize_t n = copy_file_range(in, nullptr, out, nullptr, size_t{1} << 30, 0);
        if (n > 0)
            continue;
        if (n == 0)
            return kernel_copy_e::done;
        if (errno == EINTR)
            continue;
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF)
            return kernel_copy_e::unsupported;
        return kernel_copy_e::failed;
    }
}

copy_end_e copy_through_buffer(int in, int out)
{
    std::vector<char> buffer(buffer_bytes);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return copy_end_e::read_failed;
        if (n == 0)
            return copy_end_e::done;
        if (!write_all(out, buffer.data(), static_cast<size_t>(n)))
            return copy_end_e::write_failed;
    }
}

} // namespace

bool write_all(int fd, const void *data, size_t len)
{
    const char *at = static_cast<const char *>(data);
    while (len > 0) {
        const ssize_t n = ::write(fd, at, len);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = ENOSPC;
        if (n <= 0)
            return false;
        at += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

copy_end_e copy_rest(int in, int out)
{
    switch (copy_in_kernel(in, out)) {
    case kernel_copy_e::done:
        return copy_end_e::done;
    case kernel_copy_e::unsupported:
        return copy_through_buffer(in, out);
    case kernel_copy_e::failed:
        break;
    }
    // copy_file_range does not say which side failed; a disk that is full
    // or refuses writes is the destination's.
    const int error = errno;
    const bool writing = error == ENOSPC || error == EDQUOT || error == EROFS || error == EFBIG || error == EPERM;
    errno = error;
    return writing ? copy_end_e::write_failed : copy_end_e::read_failed;
}

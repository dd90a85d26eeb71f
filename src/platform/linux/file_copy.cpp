#include "platform/file_copy.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t buffer_bytes = 1u << 20;

class fd_c {
public:
    explicit fd_c(int fd) : fd_(fd) {}
    ~fd_c()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    fd_c(const fd_c &) = delete;
    fd_c &operator=(const fd_c &) = delete;
    int get() const { return fd_; }
    // Closes now, so a failed close (a write the disk refused late) is seen.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

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

bool copy_through_buffer(int in, int out)
{
    std::vector<char> buffer(buffer_bytes);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!write_all(out, buffer.data(), static_cast<size_t>(n)))
            return false;
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
        if (n <= 0)
            return false;
        at += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

bool copy_whole_file(const std::string &source, const std::string &destination)
{
    fd_c in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return false;
    fd_c out(::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (out.get() < 0)
        return false;
    kernel_copy_e kernel = copy_in_kernel(in.get(), out.get());
    bool complete = kernel == kernel_copy_e::done ||
        (kernel == kernel_copy_e::unsupported && copy_through_buffer(in.get(), out.get()));
    return out.close() && complete;
}

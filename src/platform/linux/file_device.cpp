// Linux backend of open_block_device: block device nodes and image files
// through a file descriptor and pread/pwrite at 64-bit offsets.
#include "../block_device.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class file_device_c : public block_device_c {
public:
    file_device_c(int fd, uint64_t size, uint32_t sector_size, bool direct)
        : fd_(fd), size_(size), sector_size_(sector_size), direct_(direct)
    {}
    ~file_device_c() override { close(fd_); }

    int64_t read_at(uint64_t offset, void *buffer, size_t len) override
    {
        size_t done = 0;
        while (done < len) {
            ssize_t n =
                pread(fd_, static_cast<uint8_t *>(buffer) + done, len - done, static_cast<off_t>(offset + done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return done ? static_cast<int64_t>(done) : -1;
            }
            if (n == 0)
                break;
            done += static_cast<size_t>(n);
        }
        return static_cast<int64_t>(done);
    }

    int64_t write_at(uint64_t offset, const void *buffer, size_t len) override
    {
        size_t done = 0;
        while (done < len) {
            ssize_t n =
                pwrite(fd_, static_cast<const uint8_t *>(buffer) + done, len - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return -1;
            done += static_cast<size_t>(n);
        }
        if (fsync(fd_) != 0)
            return -1;
        return static_cast<int64_t>(done);
    }

    uint64_t size() const override { return size_; }
    uint32_t sector_size() const override { return sector_size_; }
    bool unbuffered() const override { return direct_; }

private:
    int fd_;
    uint64_t size_;
    uint32_t sector_size_;
    bool direct_;
};

} // namespace

std::unique_ptr<block_device_c> open_block_device(const std::string &path, open_mode_e mode, std::string *error)
{
    auto fail = [&](const std::string &why) -> std::unique_ptr<block_device_c> {
        if (error)
            *error = path + ": " + why;
        return nullptr;
    };
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return fail(strerror(errno));
    bool is_block = S_ISBLK(st.st_mode);
    if (!is_block && !S_ISREG(st.st_mode))
        return fail("not a block device or a regular file");

    int flags = O_CLOEXEC | (mode == open_mode_e::read_write ? O_RDWR : O_RDONLY);
    bool direct = mode == open_mode_e::read_unbuffered && is_block;
    int fd = open(path.c_str(), flags | (direct ? O_DIRECT : 0));
    if (fd < 0 && direct) {
        // Some drivers refuse O_DIRECT; fall back to cached reads.
        direct = false;
        fd = open(path.c_str(), flags);
    }
    if (fd < 0)
        return fail(strerror(errno));

    uint64_t size = static_cast<uint64_t>(st.st_size);
    uint32_t sector = 512;
    if (is_block) {
        unsigned long long bytes = 0;
        int ssz = 0;
        if (ioctl(fd, BLKGETSIZE64, &bytes) == 0)
            size = bytes;
        if (ioctl(fd, BLKSSZGET, &ssz) == 0 && ssz > 0)
            sector = static_cast<uint32_t>(ssz);
    }
    return std::make_unique<file_device_c>(fd, size, sector, direct);
}

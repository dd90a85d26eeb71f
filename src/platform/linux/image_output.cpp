// Linux backend of image_output.h.
#include "../image_output.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "block_sysfs.h"
#include "sysfs.h"

namespace {

class fd_output_c : public image_output_c {
public:
    explicit fd_output_c(int fd) : fd_(fd) {}
    ~fd_output_c() override { close(fd_); }

    bool write_at(uint64_t offset, const void *buffer, size_t len) override
    {
        size_t done = 0;
        while (done < len) {
            const ssize_t n = pwrite(fd_, static_cast<const uint8_t *>(buffer) + done, len - done,
                                     static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    bool flush() override { return fdatasync(fd_) == 0; }

private:
    int fd_;
};

// The sysfs folder of the whole disk that device number dev is or lies on.
std::string whole_disk_folder(dev_t dev)
{
    std::string folder = block_sys_folder(dev);
    if (!folder.empty() && !read_sysfs_line(folder + "/partition").empty())
        folder = folder.substr(0, folder.rfind('/'));
    return folder;
}

// The folder a path that may not exist yet would be made in.
std::string existing_parent(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::unique_ptr<image_output_c> open_image_output(const std::string &path, uint64_t size, std::string *error)
{
    auto fail = [&](const std::string &why) -> std::unique_ptr<image_output_c> {
        if (error)
            *error = path + ": " + why;
        return nullptr;
    };
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(strerror(errno));
    struct stat st {};
    fstat(fd, &st);
    if (S_ISBLK(st.st_mode)) {
        unsigned long long bytes = 0;
        if (ioctl(fd, BLKGETSIZE64, &bytes) != 0 || bytes < size) {
            close(fd);
            return fail("the disk is smaller than the source");
        }
    } else if (!S_ISREG(st.st_mode)) {
        close(fd);
        return fail("not a regular file or a disk");
    } else if (static_cast<uint64_t>(st.st_size) < size && ftruncate(fd, static_cast<off_t>(size)) != 0) {
        const std::string why = strerror(errno);
        close(fd);
        return fail(why);
    }
    return std::make_unique<fd_output_c>(fd);
}

std::string destination_conflict(const std::string &source, const std::string &destination)
{
    struct stat src {};
    if (stat(source.c_str(), &src) != 0)
        return "";
    struct stat dst {};
    const bool exists = stat(destination.c_str(), &dst) == 0;
    if (exists && S_ISREG(src.st_mode) && S_ISREG(dst.st_mode) && src.st_dev == dst.st_dev &&
        src.st_ino == dst.st_ino)
        return "the destination is the source";
    if (exists && S_ISBLK(src.st_mode) && S_ISBLK(dst.st_mode) && src.st_rdev == dst.st_rdev)
        return "the destination is the source";
    // The disk the source is, or the disk whose file system holds it.
    const std::string source_disk = whole_disk_folder(S_ISBLK(src.st_mode) ? src.st_rdev : src.st_dev);
    if (source_disk.empty())
        return "";
    if (exists && S_ISBLK(dst.st_mode)) {
        if (whole_disk_folder(dst.st_rdev) == source_disk)
            return S_ISBLK(src.st_mode) ? "the destination lies on the same disk as the source"
                                        : "the destination disk holds the source file";
        return "";
    }
    struct stat folder {};
    if (!exists && stat(existing_parent(destination).c_str(), &folder) != 0)
        return "";
    const dev_t lives_on = exists ? dst.st_dev : folder.st_dev;
    if (S_ISBLK(src.st_mode) && whole_disk_folder(lives_on) == source_disk)
        return "the destination file would lie on the disk being imaged";
    return "";
}

bool replace_file_text(const std::string &path, const std::string &text, std::string *error)
{
    const std::string temp = path + ".tmp";
    auto fail = [&](int fd) {
        if (error)
            *error = path + ": " + strerror(errno);
        if (fd >= 0)
            close(fd);
        unlink(temp.c_str());
        return false;
    };
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(-1);
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(fd);
        done += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0)
        return fail(fd);
    if (close(fd) != 0 || rename(temp.c_str(), path.c_str()) != 0)
        return fail(-1);
    return true;
}

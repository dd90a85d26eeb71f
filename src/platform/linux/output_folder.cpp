#include "platform/output_folder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/file_copy.h"

namespace {

// Folders of a deep tree are reopened from an ancestor rather than kept
// open all at once, well below the usual limit of 1,024 descriptors.
constexpr size_t max_open_folders = 200;

// Sets both the accessed and the modified time of fd.
void set_times(int fd, int64_t seconds)
{
    const timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    futimens(fd, times);
}

// Makes every missing folder of path, parents first.
int make_path(const std::string &path)
{
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        if (mkdir(path.substr(0, at).c_str(), 0755) != 0 && errno != EEXIST)
            return errno;
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

} // namespace

output_file_c::~output_file_c()
{
    if (fd_ >= 0)
        ::close(fd_);
}

output_file_c::output_file_c(output_file_c &&other) noexcept
    : fd_(other.fd_), size_(other.size_), write_error_(other.write_error_), failure_(std::move(other.failure_))
{
    other.fd_ = -1;
}

output_file_c &output_file_c::operator=(output_file_c &&other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        size_ = other.size_;
        write_error_ = other.write_error_;
        failure_ = std::move(other.failure_);
        other.fd_ = -1;
    }
    return *this;
}

bool output_file_c::write(const void *data, size_t len)
{
    if (fd_ < 0 || write_error_)
        return false;
    if (!write_all(fd_, data, len)) {
        adopt_writes(errno ? errno : EIO);
        return false;
    }
    size_ += len;
    return true;
}

bool output_file_c::skip(uint64_t n)
{
    if (fd_ < 0 || write_error_)
        return false;
    if (lseek(fd_, static_cast<off_t>(n), SEEK_CUR) < 0) {
        write_error_ = errno;
        return false;
    }
    size_ += n;
    return true;
}

bool output_file_c::append_file(const std::string &source)
{
    if (fd_ < 0 || write_error_)
        return false;
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        set_failure("the live file " + source + " cannot be opened: " + output_error_text(errno));
        return false;
    }
    const copy_end_e end = copy_rest(in, fd_);
    const int error = errno;
    ::close(in);
    adopt_writes(end == copy_end_e::write_failed ? (error ? error : EIO) : 0);
    if (end == copy_end_e::read_failed)
        set_failure("the live file " + source + " cannot be read: " + output_error_text(error));
    return end == copy_end_e::done;
}

void output_file_c::adopt_writes(int error)
{
    const off_t at = lseek(fd_, 0, SEEK_CUR);
    size_ = at > 0 ? static_cast<uint64_t>(at) : 0;
    if (error && !write_error_)
        write_error_ = error;
}

void output_file_c::set_failure(const std::string &why)
{
    if (failure_.empty())
        failure_ = why;
}

bool output_file_c::skip_unreadable(uint64_t len)
{
    const uint64_t at = size_;
    if (!skip(len))
        return false;
    note_unreadable(at, len);
    return true;
}

void output_file_c::note_unreadable(uint64_t offset, uint64_t len)
{
    if (!unreadable_.empty() && unreadable_.back().offset + unreadable_.back().length == offset)
        unreadable_.back().length += len;
    else
        unreadable_.push_back(unreadable_s{offset, len});
}

bool output_file_c::close(int64_t modified)
{
    if (fd_ < 0)
        return false;
    // A hole at the end is only a length.
    if (!write_error_ && ftruncate(fd_, static_cast<off_t>(size_)) != 0)
        write_error_ = errno;
    if (modified > 0)
        set_times(fd_, modified);
    if (::close(fd_) != 0 && !write_error_)
        write_error_ = errno;
    fd_ = -1;
    return !write_error_;
}

output_folder_c::~output_folder_c()
{
    for (folder_s &folder : folders_)
        if (folder.fd >= 0)
            ::close(folder.fd);
}

bool output_folder_c::open(const std::string &path, std::string *why)
{
    std::string clean = path;
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    if (clean.empty()) {
        *why = "no folder was given";
        return false;
    }
    if (const int error = make_path(clean)) {
        *why = "cannot make the folder " + clean + ": " + output_error_text(error);
        return false;
    }
    const int fd = ::open(clean.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        *why = "cannot open the folder " + clean + ": " + output_error_text(errno);
        return false;
    }
    // Asked before the first file: a folder nobody may write to fails
    // every row alike, and the user is told why once.
    if (faccessat(fd, ".", W_OK, AT_EACCESS) != 0) {
        *why = "cannot write to the folder " + clean + ": " + output_error_text(errno);
        ::close(fd);
        return false;
    }
    folders_.push_back(folder_s{top, std::string(), clean, fd, false});
    open_fds_ = 1;
    return true;
}

bool output_folder_c::is_plain_name(const std::string &name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
        name.find('\0') == std::string::npos;
}

int output_folder_c::folder_fd(folder_t folder)
{
    if (folder >= folders_.size())
        return -1;
    if (folders_[folder].fd >= 0)
        return folders_[folder].fd;
    if (open_fds_ >= max_open_folders)
        close_spare_fds();
    const int parent = folder_fd(folders_[folder].parent);
    if (parent < 0)
        return -1;
    const int fd = openat(parent, folders_[folder].name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        folders_[folder].fd = fd;
        ++open_fds_;
    }
    return fd;
}

void output_folder_c::close_spare_fds()
{
    for (size_t i = 1; i < folders_.size(); ++i)
        if (folders_[i].fd >= 0) {
            ::close(folders_[i].fd);
            folders_[i].fd = -1;
        }
    open_fds_ = 1;
}

output_folder_c::entry_e output_folder_c::look(folder_t folder, const std::string &name)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const int fd = folder_fd(folder);
    struct stat st {};
    if (fd < 0 || fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? entry_e::none : entry_e::other;
    return S_ISDIR(st.st_mode) ? entry_e::folder : entry_e::other;
}

int output_folder_c::parent_fd(folder_t folder, const std::string &name)
{
    if (!is_plain_name(name)) {
        errno = EINVAL;
        return -1;
    }
    return folder_fd(folder);
}

bool output_folder_c::make_folder(folder_t parent, const std::string &name, folder_t *made)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const int parent_fd = this->parent_fd(parent, name);
    if (parent_fd < 0)
        return false;
    const bool made_now = mkdirat(parent_fd, name.c_str(), 0755) == 0;
    if (!made_now && errno != EEXIST)
        return false;
    if (open_fds_ >= max_open_folders)
        close_spare_fds();
    // Reopened without following links: a link planted under this name,
    // or a file, is not a folder of ours.
    const int fd = openat(folder_fd(parent), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    ++open_fds_;
    folders_.push_back(folder_s{parent, name, folders_[parent].path + "/" + name, fd, made_now});
    *made = folders_.size() - 1;
    return true;
}

bool output_folder_c::create_file(folder_t folder, const std::string &name, output_file_c *file)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const int parent = parent_fd(folder, name);
    if (parent < 0)
        return false;
    const int fd = openat(parent, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    *file = output_file_c(fd);
    return true;
}

void output_folder_c::remove_file(folder_t folder, const std::string &name)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const int parent = parent_fd(folder, name);
    if (parent >= 0)
        unlinkat(parent, name.c_str(), 0);
}

void output_folder_c::set_folder_time(folder_t folder, int64_t modified)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (modified <= 0 || folder >= folders_.size() || !folders_[folder].made)
        return;
    const int fd = folder_fd(folder);
    if (fd >= 0)
        set_times(fd, modified);
}

void output_folder_c::remove_empty_folders()
{
    std::lock_guard<std::mutex> lock(mutex_);
    // Made folders come after their parents, so walking back meets a
    // folder's subfolders before the folder itself.
    for (size_t i = folders_.size(); i-- > 1;) {
        folder_s &folder = folders_[i];
        if (!folder.made)
            continue;
        if (folder.fd >= 0) {
            ::close(folder.fd);
            folder.fd = -1;
            --open_fds_;
        }
        const int parent = folder_fd(folder.parent);
        // Fails on a folder that holds anything, which then stays.
        if (parent >= 0 && unlinkat(parent, folder.name.c_str(), AT_REMOVEDIR) == 0)
            folder.made = false;
    }
}

std::string output_folder_c::path_of(folder_t folder, const std::string &name) const
{
    return folder < folders_.size() ? folders_[folder].path + "/" + name : name;
}

uint64_t output_folder_c::free_bytes()
{
    std::lock_guard<std::mutex> lock(mutex_);
    struct statvfs st {};
    if (folders_.empty() || fstatvfs(folders_[top].fd, &st) != 0)
        return UINT64_MAX;
    return static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
}

bool create_output_file(const std::string &path, output_file_c *file)
{
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    output_folder_c out;
    std::string why;
    return out.open(folder, &why) && out.create_file(output_folder_c::top, path.substr(slash + 1), file);
}

std::string output_error_text(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return "the destination is full";
    case EROFS:
        return "the destination is read-only";
    case EACCES:
    case EPERM:
        return "no permission to write there";
    default:
        return std::strerror(error);
    }
}

bool output_is_full(int error)
{
    return error == ENOSPC || error == EDQUOT;
}

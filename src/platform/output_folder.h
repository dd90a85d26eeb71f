// Where a restore writes. The chosen folder is opened once and every file
// and subfolder is made relative to it, one plain entry at a time, without
// following links and without replacing anything: no name read from a disk,
// however it was built, can land outside the folder or overwrite a file.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// One new file of a restore, written front to back.
class output_file_c {
public:
    output_file_c() = default;
    explicit output_file_c(int fd) : fd_(fd) {}
    ~output_file_c();
    output_file_c(const output_file_c &) = delete;
    output_file_c &operator=(const output_file_c &) = delete;
    output_file_c(output_file_c &&other) noexcept;
    output_file_c &operator=(output_file_c &&other) noexcept;

    bool is_open() const { return fd_ >= 0; }
    // Appends len bytes; false once a write has failed.
    bool write(const void *data, size_t len);
    // Leaves n bytes of zeros as a hole (no disk space, no time).
    bool skip(uint64_t n);
    // Appends the whole of the file at source (a live file), in the kernel
    // where both files allow it. False when it cannot be opened or read.
    bool append_file(const std::string &source);
    // Lets code that writes plain descriptors write into the file: fn(fd)
    // writes from the current offset and returns its result, write_failed
    // when a write failed (errno then says why).
    template <class Fn> auto write_through(Fn fn, decltype(fn(0)) write_failed) -> decltype(fn(0))
    {
        if (fd_ < 0 || write_error_)
            return write_failed;
        errno = 0;
        const auto rc = fn(fd_);
        const int error = errno;
        adopt_writes(rc == write_failed ? (error ? error : EIO) : 0);
        return rc;
    }
    // Bytes written or skipped so far.
    uint64_t size() const { return size_; }
    // The errno of the first failed write (ENOSPC: the destination is full),
    // 0 when every write went through.
    int write_error() const { return write_error_; }

    // Why the data could not be read, as the engine that read it says it
    // ("read error at byte 1234 of the volume"); empty when it could.
    void set_failure(const std::string &why);
    const std::string &failure() const { return failure_; }

    // Leaves len bytes of zeros (a hole) where the data could not be read,
    // and keeps where, so the restore can say so: a failing disk gives back
    // the rest of the file rather than a file cut short.
    bool skip_unreadable(uint64_t len);
    // Keeps where code writing through the descriptor left such zeros.
    void note_unreadable(uint64_t offset, uint64_t len);
    struct unreadable_s {
        uint64_t offset;
        uint64_t length;
    };
    // The runs of bytes left as zeros, in order, neighbours joined.
    const std::vector<unreadable_s> &unreadable() const { return unreadable_; }

    // Gives the file its modified and accessed time (seconds since 1970 UTC;
    // 0 leaves the time of writing) and closes it. False when a write
    // failed, before or at close (write_error() says why).
    bool close(int64_t modified);

private:
    // After writes through the descriptor: its offset is the size.
    void adopt_writes(int error);

    int fd_ = -1;
    uint64_t size_ = 0;
    int write_error_ = 0;
    std::string failure_;
    std::vector<unreadable_s> unreadable_;
};

class output_folder_c {
public:
    using folder_t = size_t;
    static constexpr folder_t top = 0;

    output_folder_c() = default;
    ~output_folder_c();
    output_folder_c(const output_folder_c &) = delete;
    output_folder_c &operator=(const output_folder_c &) = delete;

    // Opens the chosen folder, making it and its parents when missing. False
    // with the reason in *why ("read-only file system", ...).
    bool open(const std::string &path, std::string *why);
    const std::string &path() const { return folders_[top].path; }

    // What stands at name in folder.
    enum class entry_e { none, folder, other };
    entry_e look(folder_t folder, const std::string &name);
    // The subfolder name of parent: made now, or a plain folder already
    // there (never a link). False with errno set when neither.
    bool make_folder(folder_t parent, const std::string &name, folder_t *made);
    // A new file name in folder; fails with EEXIST when anything is there.
    bool create_file(folder_t folder, const std::string &name, output_file_c *file);
    // Removes a file this restore made (after the destination filled up).
    void remove_file(folder_t folder, const std::string &name);
    // Gives a folder made by this restore its modified time (seconds since
    // 1970 UTC), once its files are written; a folder that was there before
    // keeps its own.
    void set_folder_time(folder_t folder, int64_t modified);
    // Removes the folders this restore made that are still empty (their
    // rows had nothing to write), deepest first.
    void remove_empty_folders();
    // The full path of name in folder, for messages.
    std::string path_of(folder_t folder, const std::string &name) const;
    // Bytes the destination can still take; UINT64_MAX when unknown.
    uint64_t free_bytes();

    // A plain entry: not empty, ".", "..", and without "/".
    static bool is_plain_name(const std::string &name);

private:
    struct folder_s {
        folder_t parent;
        std::string name;
        std::string path;
        int fd;
        bool made; // by this restore
    };
    int folder_fd(folder_t folder); // with mutex_ held
    // folder's descriptor for making name in it; -1 (EINVAL) when name is
    // not one plain entry. With mutex_ held.
    int parent_fd(folder_t folder, const std::string &name);
    void close_spare_fds();

    std::mutex mutex_;
    std::vector<folder_s> folders_;
    size_t open_fds_ = 0;
};

// A new file at path, in the folder path names (made when missing), never
// replacing anything there: a restore of one row outside a restore run.
bool create_output_file(const std::string &path, output_file_c *file);

// The errno of a failed open, write or folder creation as a user reads it.
std::string output_error_text(int error);
// Whether errno says the destination cannot take more bytes.
bool output_is_full(int error);

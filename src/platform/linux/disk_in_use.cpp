#include "../disk_in_use.h"

#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "block_sysfs.h"
#include "mount_table.h"
#include "sysfs.h"

namespace {

using mounts_t = std::map<device_number_t, std::vector<std::string>>;

bool device_number_in(const std::string &sys_folder, device_number_t &out)
{
    const std::string text = read_sysfs_line(sys_folder + "/dev");
    unsigned major = 0, minor = 0;
    if (sscanf(text.c_str(), "%u:%u", &major, &minor) != 2)
        return false;
    out = {major, minor};
    return true;
}

// A mounted file system, a swap area or a stacked device holds its block
// device exclusively; an exclusive open then fails with EBUSY. This also
// catches what the mount table cannot name (swap, device-mapper, RAID).
bool held_exclusively(const std::string &node)
{
    int fd = open(node.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
    if (fd >= 0) {
        close(fd);
        return false;
    }
    return errno == EBUSY;
}

// The users of one block device (a disk or a partition).
void add_users_of(const std::string &sys_folder, const mounts_t &mounts, std::vector<std::string> &users)
{
    const std::string node = "/dev/" + sys_folder.substr(sys_folder.rfind('/') + 1);
    const size_t before = users.size();
    device_number_t number;
    if (device_number_in(sys_folder, number)) {
        auto found = mounts.find(number);
        if (found != mounts.end())
            for (const std::string &where : found->second)
                users.push_back(node + " is mounted on " + where);
    }
    for (const std::string &holder : list_folder(sys_folder + "/holders"))
        users.push_back(node + " is in use by " + holder);
    if (users.size() == before && held_exclusively(node))
        users.push_back(node + " is in use by the system (swap, or a file system not in the mount table)");
}

// A whole-disk block device and its partitions.
void add_users_of_disk(const std::string &sys_folder, const mounts_t &mounts, std::vector<std::string> &users)
{
    add_users_of(sys_folder, mounts, users);
    const std::string name = sys_folder.substr(sys_folder.rfind('/') + 1);
    for (const std::string &child : list_folder(sys_folder))
        if (child.compare(0, name.size(), name) == 0 &&
            !read_sysfs_line(sys_folder + "/" + child + "/partition").empty())
            add_users_of(sys_folder + "/" + child, mounts, users);
}

} // namespace

std::vector<std::string> disk_users(const std::string &disk_path)
{
    std::vector<std::string> users;
    char resolved[PATH_MAX];
    struct stat st {};
    if (!realpath(disk_path.c_str(), resolved) || stat(resolved, &st) != 0)
        return users;
    const mounts_t mounts = read_mount_table();
    std::string image = resolved;
    if (S_ISBLK(st.st_mode)) {
        const std::string sys = block_sys_folder(st.st_rdev);
        image = sys.empty() ? std::string() : read_sysfs_line(sys + "/loop/backing_file");
        // A loop device shares its image with every other loop device over it.
        if (image.empty()) {
            if (!sys.empty())
                add_users_of_disk(sys, mounts, users);
            return users;
        }
    }
    for (const std::string &loop : loop_devices_of(image))
        add_users_of_disk("/sys/block/" + loop, mounts, users);
    return users;
}

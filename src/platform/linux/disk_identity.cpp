#include "../disk_identity.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

#include "block_sysfs.h"
#include "sysfs.h"

namespace {

// What the kernel knows of the hardware, in the order of trust.
std::string hardware_name(const std::string &sys_folder)
{
    for (const char *attribute : {"/wwid", "/device/wwid", "/serial", "/device/serial"}) {
        std::string value = read_sysfs_line(sys_folder + attribute);
        while (!value.empty() && value.back() == ' ')
            value.pop_back();
        while (!value.empty() && value.front() == ' ')
            value.erase(0, 1);
        if (!value.empty())
            return value;
    }
    return std::string();
}

} // namespace

std::string disk_identity(const std::string &disk_path)
{
    char resolved[PATH_MAX];
    struct stat st {};
    if (!realpath(disk_path.c_str(), resolved) || stat(resolved, &st) != 0)
        return std::string();
    if (!S_ISBLK(st.st_mode))
        return std::string("file:") + resolved;
    const std::string sys = block_sys_folder(st.st_rdev);
    const std::string backing = sys.empty() ? std::string() : read_sysfs_line(sys + "/loop/backing_file");
    if (!backing.empty())
        return "file:" + backing;
    const std::string hardware = sys.empty() ? std::string() : hardware_name(sys);
    return hardware.empty() ? std::string("device:") + resolved : "serial:" + hardware;
}

#include "block_sysfs.h"

#include <climits>
#include <cstdlib>
#include <sys/sysmacros.h>

#include "sysfs.h"

std::string block_sys_folder(dev_t device)
{
    const std::string link = "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    char resolved[PATH_MAX];
    return realpath(link.c_str(), resolved) ? std::string(resolved) : std::string();
}

std::vector<std::string> loop_devices_of(const std::string &file_path)
{
    // The kernel notes a backing file removed since with this suffix.
    static const std::string deleted = " (deleted)";
    std::vector<std::string> loops;
    for (const std::string &name : list_folder("/sys/block")) {
        if (name.compare(0, 4, "loop") != 0)
            continue;
        std::string backing = read_sysfs_line("/sys/block/" + name + "/loop/backing_file");
        if (backing.size() > deleted.size() &&
            backing.compare(backing.size() - deleted.size(), deleted.size(), deleted) == 0)
            continue;
        if (backing == file_path)
            loops.push_back(name);
    }
    return loops;
}

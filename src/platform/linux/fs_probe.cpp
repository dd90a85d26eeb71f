#include "fs_probe.h"

#include <blkid/blkid.h>
#include <fcntl.h>
#include <unistd.h>

#include "../fs_names.h"

namespace {

std::string lookup(blkid_probe probe, const char *name)
{
    const char *value = nullptr;
    size_t len = 0;
    if (blkid_probe_lookup_value(probe, name, &value, &len) != 0 || !value)
        return "";
    std::string text(value, len);
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

} // namespace

fs_identity_s probe_file_system(const std::string &path, uint64_t offset, uint64_t length)
{
    fs_identity_s id;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return id;
    blkid_probe probe = blkid_new_probe();
    if (probe && blkid_probe_set_device(probe, fd, static_cast<blkid_loff_t>(offset),
                                        static_cast<blkid_loff_t>(length)) == 0) {
        blkid_probe_enable_superblocks(probe, 1);
        blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_TYPE | BLKID_SUBLKS_LABEL | BLKID_SUBLKS_VERSION);
        // Safe probing: two competing signatures mean no verdict.
        if (blkid_do_safeprobe(probe) == 0) {
            std::string type = lookup(probe, "TYPE");
            if (!type.empty()) {
                id.found = true;
                id.fs_name = system_fs_name(type, lookup(probe, "VERSION"));
                id.label = lookup(probe, "LABEL");
            }
        }
    }
    if (probe)
        blkid_free_probe(probe);
    close(fd);
    return id;
}

#include "fs_probe.h"

#include <blkid/blkid.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "../block_device.h"
#include "../fat_layout.h"
#include "../fs_names.h"
#include "../region_file_system.h"

namespace {

using namespace fat_layout;

bool boot_signed(const uint8_t *sector)
{
    return le16_at(sector + boot::signature) == boot::signature_value;
}

bool ntfs_boot(const uint8_t *sector)
{
    return boot_signed(sector) && memcmp(sector + boot::oem_name, "NTFS    ", boot::oem_name_length) == 0;
}

// What the boot sectors say when libblkid has no verdict. An NTFS boot
// sector in sector 0 names the volume even when libblkid cannot read its
// $MFT (an image cut short), so that the scan can say what is missing. A
// volume whose first sector was wiped still carries the copy its file
// system keeps: NTFS in the volume's last sector, FAT32 in sector 6.
fs_identity_s probe_boot_sectors(const std::string &path, uint64_t offset, uint64_t length)
{
    fs_identity_s id;
    std::shared_ptr<block_device_c> disk = open_block_device(path, open_mode_e::read);
    if (!disk || offset >= disk->size())
        return id;
    slice_device_c volume(disk, offset, length ? length : disk->size() - offset);
    uint8_t sector[sector_bytes];
    const uint64_t sectors = volume.size() / sector_bytes;
    if (sectors < 2 || !volume.read_exact(0, sector, sizeof sector))
        return id;
    if (boot_signed(sector)) {
        if (ntfs_boot(sector))
            id.fs_name = "NTFS";
    } else if (volume.read_exact((sectors - 1) * sector_bytes, sector, sizeof sector) && ntfs_boot(sector)) {
        id.fs_name = "NTFS";
    } else if (volume.read_exact(boot::backup_sector_usual * sector_bytes, sector, sizeof sector) &&
               boot_signed(sector) && memcmp(sector + boot::fs_type_32, "FAT32", 5) == 0) {
        id.fs_name = "FAT32";
    }
    id.found = !id.fs_name.empty();
    return id;
}

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

// libblkid's verdict on the range, with the label when asked for.
fs_identity_s blkid_identity(const std::string &path, uint64_t offset, uint64_t length)
{
    fs_identity_s id;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return id;
    blkid_probe probe = blkid_new_probe();
    if (probe &&
        blkid_probe_set_device(probe, fd, static_cast<blkid_loff_t>(offset), static_cast<blkid_loff_t>(length)) == 0) {
        blkid_probe_enable_superblocks(probe, 1);
        blkid_probe_enable_partitions(probe, 0);
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

} // namespace

fs_identity_s probe_file_system(const std::string &path, uint64_t offset, uint64_t length)
{
    fs_identity_s id = blkid_identity(path, offset, length);
    return id.found ? id : probe_boot_sectors(path, offset, length);
}

struct region_prober_c::state_s {
    int fd = -1;
    blkid_probe probe = nullptr;
    uint64_t size = 0;
};

region_prober_c::region_prober_c(const std::string &path) : state_(std::make_unique<state_s>())
{
    state_->fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (state_->fd < 0)
        return;
    state_->probe = blkid_new_probe();
    if (!state_->probe || blkid_probe_set_device(state_->probe, state_->fd, 0, 0) != 0)
        return;
    state_->size = static_cast<uint64_t>(blkid_probe_get_size(state_->probe));
    blkid_probe_enable_superblocks(state_->probe, 1);
    blkid_probe_enable_partitions(state_->probe, 0);
    blkid_probe_set_superblocks_flags(state_->probe, BLKID_SUBLKS_TYPE | BLKID_SUBLKS_VERSION);
    // The file systems the caller checks itself need no second opinion.
    static const char *ours[] = {"vfat", "ntfs", "exfat", "ext2", "ext3", "ext4", "ext4dev", "jbd", "swap", nullptr};
    blkid_probe_filter_superblocks_type(state_->probe, BLKID_FLTR_NOTIN, const_cast<char **>(ours));
}

region_prober_c::~region_prober_c()
{
    if (state_->probe)
        blkid_free_probe(state_->probe);
    if (state_->fd >= 0)
        close(state_->fd);
}

std::string region_prober_c::file_system_at(uint64_t offset)
{
    // The superblocks the probers look for lie in the first 8 KiB, at 32 KiB
    // (ISO 9660, UDF, JFS) or at 64 KiB (btrfs, ReiserFS); where all three are
    // blank, the most common place asked about, there is nothing to probe.
    static constexpr uint64_t places[][2] = {{0, 8192}, {32768, 4096}, {65536, 4096}};
    uint8_t lead[8192];
    bool blank = true;
    for (const auto &place : places) {
        const ssize_t got =
            state_->fd < 0 ? -1 : pread(state_->fd, lead, place[1], static_cast<off_t>(offset + place[0]));
        blank = blank && std::all_of(lead, lead + std::max<ssize_t>(got, 0), [](uint8_t b) { return b == 0; });
    }
    if (blank)
        return "";
    blkid_probe probe = state_->probe;
    if (!probe || offset >= state_->size ||
        blkid_probe_set_device(probe, state_->fd, static_cast<blkid_loff_t>(offset),
                               static_cast<blkid_loff_t>(state_->size - offset)) != 0)
        return "";
    if (blkid_do_safeprobe(probe) != 0)
        return "";
    const std::string type = lookup(probe, "TYPE");
    return type.empty() ? "" : system_fs_name(type, lookup(probe, "VERSION"));
}

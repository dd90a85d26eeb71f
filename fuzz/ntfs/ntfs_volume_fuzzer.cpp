// A whole scan and extraction of a small in-memory volume: a fixed boot
// sector (512-byte clusters, 1 KiB records, $MFT at cluster 32) and the
// input from the $MFT on.
#include <cstdint>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "libntfs/ntfs_layout.h"
#include "libntfs/ntfs_scan_internal.h"

namespace {

constexpr size_t volume_size = 512u << 10;
constexpr uint64_t mft_lcn = 32;

std::vector<uint8_t> blank_volume()
{
    std::vector<uint8_t> image(volume_size, 0);
    ntfs_boot_sector_s boot{};
    memcpy(boot.oem_id, "NTFS    ", 8);
    boot.bytes_per_sector = 512;
    boot.sectors_per_cluster = 1;
    boot.total_sectors = volume_size / 512 - 1;
    boot.mft_lcn = mft_lcn;
    boot.mft_mirror_lcn = volume_size / 512 - 1;
    boot.clusters_per_record = 2;
    boot.clusters_per_index = 8;
    boot.signature = 0xAA55;
    memcpy(image.data(), &boot, sizeof boot);
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::vector<uint8_t> blank = blank_volume();
    static const std::string target = "/tmp/ntfs-volume-fuzz-" + std::to_string(getpid());
    std::vector<uint8_t> image = blank;
    size_t at = mft_lcn * 512;
    memcpy(image.data() + at, data, size < volume_size - at ? size : volume_size - at);

    ntfs_scan_context context{};
    if (ntfs_scan_startup_device(std::make_shared<memory_device_c>(std::move(image)), &context) != 0)
        return 0;
    std::vector<uint64_t> deleted;
    for (int reported = 0;; ++reported) {
        ntfs_scan_record r{};
        if (!ntfs_scan_next(&context, &r))
            break;
        if (reported < 8 && (r.flags & ntfs_record_flag_file))
            ntfs_recover_file(&context, static_cast<uint32_t>(r.id), 0, target.c_str(), nullptr);
        if (r.flags & ntfs_record_flag_deleted)
            deleted.push_back(r.id);
    }
    // Judged again against the deleted files written after them.
    for (uint64_t id : deleted)
        ntfs_scan_data_state(&context, static_cast<uint32_t>(id), static_cast<uint32_t>(id >> 32));
    ntfs_scan_shutdown(&context);
    unlink(target.c_str());
    return 0;
}

// Feeds arbitrary disk contents to the file-system probes and the
// lost-partition search, and plans the repaired table (MBR with logicals, or
// GPT) from whatever it finds.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/partitions/boot_sector_probe.h"
#include "core/partitions/partition_search.h"
#include "core/partitions/volume_probe.h"
#include "libexfat/exfat_boot.h"
#include "core/partitions/table_repair.h"
#include "platform/block_device.h"
#include "platform/disks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    // Short spans straight into the recognisers.
    exfat_geometry_s exfat;
    parse_exfat_boot(data, size, exfat);
    if (size >= 12 * 512)
        exfat_boot_checksum_ok(data, 512);
    if (size >= 512) {
        volume_boot_sector_kind(data);
        const sector_reader_fn read = [&](uint64_t lba, uint32_t count, uint8_t *out) {
            if (lba > size / 512 || count > size / 512 - lba)
                return false;
            memcpy(out, data + lba * 512, count * 512);
            return true;
        };
        probe_volume_at(size / 1024, data + size / 1024 * 512, read);
    }

    // The first two bytes choose the sector where the rest lands, so
    // structures meet candidate starts (and sector 0, the table and GPT
    // headers); the disk holds candidates at 0, 63, 128 and 2048.
    const size_t at = (static_cast<size_t>(data[0]) | (static_cast<size_t>(data[1]) << 8)) % 2100;
    std::vector<uint8_t> disk(2200 * 512);
    size_t n = std::min(size - 2, disk.size() - at * 512);
    memcpy(disk.data() + at * 512, data + 2, n);
    memory_device_c device(std::move(disk));

    table_repair_plan_s plan;
    partition_search_hooks_s hooks;
    hooks.found = [&](const partition_item_s &row) { plan.rows.append(row); };
    search_partitions(device, device.size(), hooks);

    disk_geometry_s geometry;
    geometry.tracks_per_cylinder = data[2] % 2 ? 255 : 0;
    geometry.sectors_per_track = 63;
    plan.drive.name = QStringLiteral("fuzz");
    plan.drive.geometry = geometry;
    plan.drop = {1, data[2] % 5};
    plan_table_repair_on(device, plan, nullptr);
    return 0;
}

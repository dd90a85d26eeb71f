// Feeds arbitrary disk contents to the lost-partition search and plans the
// repaired sector 0 from whatever it finds.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/partitions/boot_sector_probe.h"
#include "core/partitions/partition_search.h"
#include "core/partitions/table_repair.h"
#include "platform/block_device.h"
#include "platform/disks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    // Short spans straight into the recognisers.
    recognise_boot_sector(data, size, data + size / 2, size - size / 2);
    if (size >= 512)
        volume_boot_sector_kind(data);

    // The first two bytes choose the sector where the rest lands, so boot
    // sectors meet window edges (and sector 0, the table and GPT headers);
    // the disk spans a few windows.
    const size_t at = (static_cast<size_t>(data[0]) | (static_cast<size_t>(data[1]) << 8)) % 1024;
    std::vector<uint8_t> disk(1200 * 512);
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

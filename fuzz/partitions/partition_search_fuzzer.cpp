// Feeds arbitrary disk contents to the lost-partition search and builds the
// repaired sector 0 from whatever it finds.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "partitions/boot_sector_probe.h"
#include "partitions/mbr_writer.h"
#include "partitions/partition_search.h"
#include "platform/block_device.h"
#include "platform/disks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    // Short spans straight into the recogniser.
    recognise_boot_sector(data, size, data + size / 2, size - size / 2);

    // The first two bytes choose the sector where the rest lands, so boot
    // sectors meet window edges; the disk spans a few windows.
    const size_t at = (static_cast<size_t>(data[0]) | (static_cast<size_t>(data[1]) << 8)) % 1024;
    std::vector<uint8_t> disk(1200 * 512);
    size_t n = std::min(size - 2, disk.size() - at * 512);
    memcpy(disk.data() + at * 512, data + 2, n);
    memory_device_c device(std::move(disk));

    QList<partition_item_s> rows;
    partition_search_hooks_s hooks;
    hooks.found = [&](const partition_item_s &row) { rows.append(row); };
    search_partitions(device, device.size(), hooks);

    sector_bytes_t old_sector{};
    device.read_at(0, old_sector.data(), old_sector.size());
    disk_geometry_s geometry;
    geometry.tracks_per_cylinder = data[2] % 2 ? 255 : 0;
    geometry.sectors_per_track = 63;
    sector_bytes_t out{};
    build_repaired_mbr(old_sector, rows, geometry, out, nullptr);
    return 0;
}

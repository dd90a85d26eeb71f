#include "fat_file.h"

#include <algorithm>
#include <cstring>

using namespace fat_layout;

void fat_file_setup(fat_file_s &file, fat_volume_s &vol, uint32_t start_cluster, uint32_t size)
{
    file.vol = &vol;
    file.mount_id = vol.mount_id;
    file.flags = fat_file_read;
    file.position = 0;
    file.size = size;
    file.start_cluster = start_cluster;
    file.cluster = 0;
    file.buffered_sector = 0;
}

static int fail(fat_file_s &file, int res)
{
    file.flags |= fat_file_error;
    return res;
}

static int load_buffer(fat_file_s &file, uint64_t sector)
{
    if (file.buffered_sector == sector)
        return fr_ok;
    if (file.vol->disk->read(file.buffer, sizeof file.buffer, sector, 1) != disk_ok)
        return fr_disk_err;
    file.buffered_sector = sector;
    return fr_ok;
}

// Whole sectors from in_cluster of the current cluster on that lie one after
// another on the disk, up to wanted: the clusters that follow the current one
// directly join the run, and the file moves onto the last one it reaches.
static size_t run_sectors(fat_file_s &file, uint32_t in_cluster, size_t wanted, bool contiguous)
{
    fat_volume_s &vol = *file.vol;
    const fat_geometry_s &g = vol.geometry;
    size_t run = g.cluster_sectors - in_cluster;
    while (run < wanted) {
        const uint32_t next = contiguous ? file.cluster + 1 : fat_next_cluster(vol, file.cluster);
        if (next != file.cluster + 1 || next >= g.fat_entries)
            break;
        file.cluster = next;
        run += g.cluster_sectors;
    }
    return run;
}

// Reads up to wanted whole sectors from in_cluster of the current cluster
// straight into buffer, in one transfer across the clusters that follow on
// the disk. Returns the sectors read; 0 on a disk error.
static size_t read_direct(fat_file_s &file, uint8_t *buffer, uint32_t in_cluster, size_t wanted, bool contiguous)
{
    fat_disk_c &disk = *file.vol->disk;
    const uint64_t sector = fat_cluster_sector(*file.vol, file.cluster) + in_cluster;
    const uint32_t run_start = file.cluster;
    const size_t in_this_cluster = std::min<size_t>(wanted, file.vol->geometry.cluster_sectors - in_cluster);
    size_t sectors = (file.flags & fat_file_by_cluster)
        ? in_this_cluster
        : std::min(wanted, run_sectors(file, in_cluster, wanted, contiguous));
    int rc = disk.read_run(buffer, sector, sectors * sector_bytes);
    if (rc != disk_ok && sectors > in_this_cluster) {
        // A bad spot somewhere in the run: go on one cluster at a time so
        // that everything before it is kept.
        file.flags |= fat_file_by_cluster;
        file.cluster = run_start;
        sectors = in_this_cluster;
        rc = disk.read_run(buffer, sector, sectors * sector_bytes);
    }
    return rc == disk_ok ? sectors : 0;
}

int fat_read_file(fat_file_s &file, uint8_t *buffer, size_t count, size_t *done, bool contiguous)
{
    int res = fat_validate(file.vol, file.mount_id);
    if (res != fr_ok)
        return res;
    if (file.flags & fat_file_error)
        return fr_int_err;
    if (!(file.flags & fat_file_read))
        return fr_denied;
    fat_volume_s &vol = *file.vol;
    const fat_geometry_s &g = vol.geometry;
    size_t left = std::min<size_t>(count, file.size - file.position);
    while (left) {
        size_t chunk;
        if (file.position % sector_bytes == 0) {
            const uint32_t in_cluster = (file.position / sector_bytes) & (g.cluster_sectors - 1u);
            // A failed read leaves the file as it was before it, the current
            // cluster included, so that fat_skip_unreadable can go on.
            const uint32_t before = file.cluster;
            auto data_failed = [&] {
                file.cluster = before;
                file.flags |= fat_file_data_error;
                return fail(file, fr_disk_err);
            };
            if (in_cluster == 0) {
                uint32_t next = file.position == 0 ? file.start_cluster
                    : contiguous                   ? file.cluster + 1
                                                   : fat_next_cluster(vol, file.cluster);
                if (next == UINT32_MAX)
                    return fail(file, fr_disk_err);
                if (next < 2 || next >= g.fat_entries)
                    return fail(file, fr_int_err);
                file.cluster = next;
            }
            if (size_t sectors = left / sector_bytes) {
                sectors = read_direct(file, buffer, in_cluster, sectors, contiguous);
                if (sectors == 0)
                    return data_failed();
                chunk = sectors * sector_bytes;
                buffer += chunk;
                file.position += static_cast<uint32_t>(chunk);
                *done += chunk;
                left -= chunk;
                continue;
            }
            if (load_buffer(file, fat_cluster_sector(vol, file.cluster) + in_cluster) != fr_ok)
                return data_failed();
        }
        const size_t offset = file.position % sector_bytes;
        chunk = std::min(sector_bytes - offset, left);
        memcpy(buffer, file.buffer + offset, chunk);
        buffer += chunk;
        file.position += static_cast<uint32_t>(chunk);
        *done += chunk;
        left -= chunk;
    }
    return fr_ok;
}

int fat_skip_unreadable(fat_file_s &file, uint32_t bytes, bool contiguous)
{
    if (!(file.flags & fat_file_data_error))
        return fr_int_err;
    file.flags &= static_cast<uint8_t>(~(fat_file_error | fat_file_data_error));
    const uint32_t to_sector_end = static_cast<uint32_t>(sector_bytes - file.position % sector_bytes);
    const uint32_t step = std::min({bytes, to_sector_end, file.size - file.position});
    if (step == 0)
        return fr_ok;
    const fat_geometry_s &g = file.vol->geometry;
    // Stepping into a cluster moves onto it, as a read would have.
    if (file.position % (g.cluster_sectors * static_cast<uint32_t>(sector_bytes)) == 0) {
        const uint32_t next = file.position == 0 ? file.start_cluster
            : contiguous                         ? file.cluster + 1
                                                 : fat_next_cluster(*file.vol, file.cluster);
        if (next < 2 || next >= g.fat_entries)
            return fail(file, fr_int_err);
        file.cluster = next;
    }
    file.position += step;
    return fr_ok;
}

int fat_seek_file(fat_file_s &file, uint32_t position)
{
    int res = fat_validate(file.vol, file.mount_id);
    if (res != fr_ok)
        return res;
    if (file.flags & fat_file_error)
        return fr_int_err;
    fat_volume_s &vol = *file.vol;
    const fat_geometry_s &g = vol.geometry;
    position = std::min(position, file.size);
    file.position = 0;
    file.cluster = 0;
    if (position == 0)
        return fr_ok;
    const uint32_t cluster_bytes = g.cluster_sectors * static_cast<uint32_t>(sector_bytes);
    uint32_t cluster = file.start_cluster;
    for (uint32_t skip = (position - 1) / cluster_bytes; skip; --skip) {
        cluster = fat_next_cluster(vol, cluster);
        if (cluster == UINT32_MAX)
            return fail(file, fr_disk_err);
        if (cluster < 2 || cluster >= g.fat_entries)
            return fail(file, fr_int_err);
    }
    if (fat_cluster_sector(vol, cluster) == 0)
        return fail(file, fr_int_err);
    file.cluster = cluster;
    file.position = position;
    if (position % sector_bytes) {
        const uint32_t in_cluster = (position / sector_bytes) & (g.cluster_sectors - 1u);
        if (load_buffer(file, fat_cluster_sector(vol, cluster) + in_cluster) != fr_ok)
            return fail(file, fr_disk_err);
    }
    return fr_ok;
}

int fat_close_file(fat_file_s &file)
{
    int res = fat_validate(file.vol, file.mount_id);
    if (res == fr_ok)
        file.vol = nullptr;
    return res;
}

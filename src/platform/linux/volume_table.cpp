// Linux backend of the volume list: partitions of block disks from sysfs,
// partitions of image files from our own table reader, and whole disks that
// carry a file system without a table.
#include <algorithm>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include "../disks.h"
#include "../partition_table.h"
#include "../volume_path.h"
#include "disk_table.h"
#include "fs_probe.h"
#include "mount_table.h"
#include "sysfs.h"

namespace {

struct partition_place_s {
    int number = 0;
    uint64_t start = 0;
    uint64_t length = 0;
    std::string node; // /dev/sdb1; empty inside an image
    std::string sys;  // its /sys/class/block folder; empty inside an image
};

std::vector<partition_place_s> block_partitions(const disk_entry_s &disk)
{
    std::vector<partition_place_s> places;
    const std::string folder = "/sys/block/" + disk.sys_name;
    for (const std::string &child : list_folder(folder)) {
        uint64_t number = 0, start = 0, size = 0;
        if (child.compare(0, disk.sys_name.size(), disk.sys_name) != 0 ||
            !read_sysfs_u64(folder + "/" + child + "/partition", number) ||
            !read_sysfs_u64(folder + "/" + child + "/start", start) ||
            !read_sysfs_u64(folder + "/" + child + "/size", size))
            continue;
        partition_place_s place;
        place.number = static_cast<int>(number);
        place.start = start * 512;
        place.length = size * 512;
        place.node = "/dev/" + child;
        place.sys = folder + "/" + child;
        // The kernel shows an extended container as a stub of one or two
        // sectors; it holds no file system.
        if (place.length <= std::max<uint64_t>(1024, disk.info.sector_size))
            continue;
        places.push_back(place);
    }
    std::sort(places.begin(), places.end(),
              [](const partition_place_s &a, const partition_place_s &b) { return a.number < b.number; });
    return places;
}

// Partitions from our own reading of the table: for images, and for block
// disks whose partitions the kernel did not scan (a loop device attached
// without partition scanning).
std::vector<partition_place_s> table_partitions(const disk_entry_s &disk)
{
    std::vector<partition_place_s> places;
    auto device = open_block_device(disk.info.path, open_mode_e::read);
    if (!device)
        return places;
    partition_table_s table;
    partition_read_options_s options;
    options.guess_sector_size = disk.info.is_image;
    if (!read_partition_table(*device, table, nullptr, options))
        return places;
    for (const partition_entry_s &entry : table.partitions) {
        if (entry.extended || entry.past_end || entry.length_bytes == 0)
            continue;
        partition_place_s place;
        place.number = entry.number;
        place.start = entry.start_byte;
        place.length = entry.length_bytes;
        places.push_back(place);
    }
    return places;
}

// The partitions of a disk, or the whole disk as partition 0 when it has none
// (only listed by callers when a file system is found there).
std::vector<partition_place_s> places_of(const disk_entry_s &disk)
{
    std::vector<partition_place_s> places = disk.info.is_image ? table_partitions(disk) : block_partitions(disk);
    if (places.empty() && !disk.info.is_image && disk.info.ready)
        places = table_partitions(disk);
    if (places.empty()) {
        partition_place_s whole;
        whole.length = disk.info.size_bytes;
        if (!disk.info.is_image) {
            whole.node = disk.info.path;
            whole.sys = "/sys/block/" + disk.sys_name;
        }
        places.push_back(whole);
    }
    return places;
}

bool device_number_of(const std::string &sys, device_number_t &out)
{
    std::string text = read_sysfs_line(sys + "/dev");
    size_t colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    uint64_t major = 0, minor = 0;
    try {
        major = std::stoull(text.substr(0, colon));
        minor = std::stoull(text.substr(colon + 1));
    } catch (...) {
        return false;
    }
    out = {static_cast<uint32_t>(major), static_cast<uint32_t>(minor)};
    return true;
}

volume_info_s describe_volume(const disk_entry_s &disk, int disk_number, const partition_place_s &place,
                              const std::map<device_number_t, std::vector<std::string>> &mounts)
{
    volume_info_s v;
    if (!place.node.empty())
        v.device_name = place.node;
    else if (place.number == 0)
        v.device_name = disk.info.path;
    else
        v.device_name = disk.info.path + " partition " + std::to_string(place.number);
    v.on_image = disk.info.is_image;
    v.volume_path = make_volume_path(disk.info.path, place.number);
    v.drive_type = disk.removable ? drive_type_removable : drive_type_fixed;
    v.partition_number = place.number;
    v.disk_number = disk_number;
    v.start_byte = place.start;
    v.length_bytes = place.length;
    device_number_t number;
    if (!place.sys.empty() && device_number_of(place.sys, number)) {
        auto found = mounts.find(number);
        if (found != mounts.end())
            v.mount_paths = found->second;
    }
    v.total_bytes = place.length;
    struct statvfs fs {};
    if (!v.mount_paths.empty() && statvfs(v.mount_paths.front().c_str(), &fs) == 0) {
        v.total_bytes = uint64_t(fs.f_blocks) * fs.f_frsize;
        v.free_bytes = uint64_t(fs.f_bfree) * fs.f_frsize;
        v.free_known = true;
    }
    return v;
}

bool locate_on(const disk_entry_s &disk, int disk_number, int partition_number, volume_location_s &out)
{
    out = volume_location_s{};
    out.source = disk.info.path;
    out.disk_number = disk_number;
    out.partition_number = partition_number;
    if (partition_number == 0) {
        out.length_bytes = disk.info.size_bytes;
        return disk.info.size_bytes > 0;
    }
    for (const partition_place_s &place : places_of(disk)) {
        if (place.number == partition_number) {
            out.start_byte = place.start;
            out.length_bytes = place.length;
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<volume_info_s> disk_table_c::volumes(int only_disk) const
{
    std::vector<volume_info_s> volumes;
    const auto mounts = read_mount_table();
    // For one disk the others are numbered, not opened.
    std::vector<disk_entry_s> disks = disk_entries(*this, only_disk < 0);
    for (size_t d = 0; d < disks.size(); ++d) {
        if (only_disk >= 0 && static_cast<int>(d) != only_disk)
            continue;
        disk_entry_s &disk = disks[d];
        probe_disk(disk);
        for (const partition_place_s &place : places_of(disk)) {
            fs_identity_s id = place.node.empty() ? probe_file_system(disk.info.path, place.start, place.length)
                                                  : probe_file_system(place.node, 0, 0);
            volume_info_s v = describe_volume(disk, static_cast<int>(d), place, mounts);
            if (place.number == 0 && !id.found && !id.read_failed && v.mount_paths.empty())
                continue; // a blank disk, not a volume
            v.fs_name = id.fs_name;
            v.probe_read_failed = id.read_failed && !id.found;
            v.label = id.label;
            volumes.push_back(v);
        }
    }
    return volumes;
}

bool disk_table_c::locate_partition(int disk_number, int partition_number, volume_location_s &out) const
{
    std::vector<disk_entry_s> disks = disk_entries(*this, false);
    if (disk_number < 0 || disk_number >= static_cast<int>(disks.size()) || partition_number < 0)
        return false;
    probe_disk(disks[size_t(disk_number)]);
    return locate_on(disks[size_t(disk_number)], disk_number, partition_number, out);
}

bool disk_table_c::locate_volume(const std::string &volume_path, volume_location_s &out) const
{
    std::string source;
    int partition_number = 0;
    if (!parse_volume_path(volume_path, source, partition_number))
        return false;
    std::vector<disk_entry_s> disks = disk_entries(*this, false);
    for (size_t d = 0; d < disks.size(); ++d)
        if (disks[d].info.path == source) {
            probe_disk(disks[d]);
            return locate_on(disks[d], static_cast<int>(d), partition_number, out);
        }
    // An image that was not added this time (a scan file reopened later).
    struct stat st {};
    if (stat(source.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return locate_on(describe_image(source), -1, partition_number, out);
}

std::vector<volume_info_s> list_volumes()
{
    return system_disk_table().volumes();
}

std::vector<volume_info_s> list_volumes_of(int disk_number)
{
    return disk_number < 0 ? std::vector<volume_info_s>{} : system_disk_table().volumes(disk_number);
}

bool locate_partition(int disk_number, int partition_number, volume_location_s &out)
{
    return system_disk_table().locate_partition(disk_number, partition_number, out);
}

bool locate_volume(const std::string &volume_path, volume_location_s &out)
{
    return system_disk_table().locate_volume(volume_path, out);
}

std::unique_ptr<block_device_c> open_volume_path(const std::string &volume_path, open_mode_e mode, std::string *error)
{
    volume_location_s where;
    if (!locate_volume(volume_path, where)) {
        if (error)
            *error = volume_path + ": no such volume";
        return nullptr;
    }
    return open_volume(where, mode, error);
}

volume_location_s location_of(const volume_info_s &volume)
{
    volume_location_s where;
    if (!parse_volume_path(volume.volume_path, where.source, where.partition_number))
        where.source.clear();
    where.disk_number = volume.disk_number;
    where.start_byte = volume.start_byte;
    where.length_bytes = volume.length_bytes;
    return where;
}

std::unique_ptr<block_device_c> open_volume(const volume_location_s &where, open_mode_e mode, std::string *error)
{
    std::shared_ptr<block_device_c> base = open_block_device(where.source, mode, error);
    if (!base)
        return nullptr;
    return std::make_unique<slice_device_c>(base, where.start_byte, where.length_bytes);
}

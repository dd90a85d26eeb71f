// Linux backend of the disk table.
#include "disk_table.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../partition_table.h"
#include "sysfs.h"

namespace {

constexpr uint32_t media_removable = 11; // the system's RemovableMedia
constexpr uint32_t media_fixed = 12;     // FixedMedia
constexpr uint32_t translated_heads = 255;
constexpr uint32_t translated_sectors = 63;
constexpr uint32_t small_disk_heads = 16;

int kind_of(const std::string &name)
{
    static const char *const prefixes[] = {"sd", "nvme", "mmcblk", "vd", "xvd", "loop"};
    for (int i = 0; i < 6; ++i)
        if (name.compare(0, strlen(prefixes[i]), prefixes[i]) == 0)
            return i;
    return 6;
}

// The usual 255 x 63 translation. A disk smaller than one such cylinder
// (under 8 MiB: small images) falls back to 16 heads, or to one head of one
// sector, so its geometry does not describe an empty disk.
void translate(uint64_t sectors_total, uint32_t &heads, uint32_t &sectors)
{
    heads = translated_heads;
    sectors = translated_sectors;
    if (sectors_total < uint64_t(heads) * sectors)
        heads = small_disk_heads;
    if (sectors_total < uint64_t(heads) * sectors)
        heads = sectors = 1;
}

void set_geometry(disk_info_s &disk, uint32_t heads, uint32_t sectors, bool removable)
{
    if (heads == 0 || sectors == 0)
        translate(disk.size_bytes / disk.sector_size, heads, sectors);
    disk.geometry.tracks_per_cylinder = heads;
    disk.geometry.sectors_per_track = sectors;
    disk.geometry.bytes_per_sector = disk.sector_size;
    // The kernel's cylinder count is 16 bits wide; recompute it from the size.
    disk.geometry.cylinders = disk.size_bytes / (uint64_t(heads) * sectors * disk.sector_size);
    disk.geometry.media_type = removable ? media_removable : media_fixed;
}

bool answers_read(const std::string &path)
{
    auto device = open_block_device(path, open_mode_e::read);
    uint8_t sector[512];
    return device && device->size() >= sizeof sector && device->read_exact(0, sector, sizeof sector);
}

} // namespace

void probe_disk(disk_entry_s &entry)
{
    if (entry.sys_name.empty() || entry.probed)
        return;
    entry.probed = true;
    uint32_t heads = 0, sectors = 0;
    int fd = open(entry.info.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        hd_geometry geo{};
        if (ioctl(fd, HDIO_GETGEO, &geo) == 0) {
            heads = geo.heads;
            sectors = geo.sectors;
        }
        int read_only = 0;
        if (ioctl(fd, BLKROGET, &read_only) == 0)
            entry.info.write_protected = read_only != 0;
        close(fd);
        entry.info.ready = answers_read(entry.info.path);
    }
    set_geometry(entry.info, heads, sectors, entry.removable);
}

namespace {

disk_entry_s block_disk(const std::string &name, bool probe)
{
    const std::string sys = "/sys/block/" + name;
    disk_entry_s entry;
    entry.sys_name = name;
    entry.info.path = "/dev/" + name;
    entry.removable = read_sysfs_line(sys + "/removable") == "1";
    uint64_t value = 0;
    if (read_sysfs_u64(sys + "/size", value))
        entry.info.size_bytes = value * 512; // sysfs counts 512-byte units whatever the sector size
    if (read_sysfs_u64(sys + "/queue/logical_block_size", value) && value >= 512 && value <= 65536)
        entry.info.sector_size = static_cast<uint32_t>(value);
    entry.info.write_protected = read_sysfs_line(sys + "/ro") == "1";
    set_geometry(entry.info, 0, 0, entry.removable);
    if (probe)
        probe_disk(entry);
    return entry;
}

} // namespace

disk_entry_s describe_image(const std::string &path)
{
    disk_entry_s entry;
    entry.info.path = path;
    entry.info.is_image = true;
    entry.info.write_protected = access(path.c_str(), W_OK) != 0;
    if (auto device = open_block_device(path, open_mode_e::read)) {
        entry.info.size_bytes = device->size();
        partition_table_s table;
        partition_read_options_s options;
        options.guess_sector_size = true;
        if (read_partition_table(*device, table, nullptr, options) && table.scheme != partition_scheme_e::none)
            entry.info.sector_size = table.sector_size;
        entry.info.ready = answers_read(path);
    }
    set_geometry(entry.info, 0, 0, false);
    return entry;
}

namespace {

// Whether name is prefix followed by one or more characters of the class,
// and (when then is given) then that rest again.
bool word_of(const std::string &name, const char *prefix, int (*in_class)(int), const char *then = nullptr)
{
    const size_t start = strlen(prefix);
    if (name.compare(0, start, prefix) != 0)
        return false;
    size_t end = start;
    while (end < name.size() && in_class(static_cast<unsigned char>(name[end])))
        ++end;
    if (end == start)
        return false;
    return then ? word_of(name.substr(end), then, in_class) : end == name.size();
}

int is_lower(int c)
{
    return c >= 'a' && c <= 'z';
}

int is_digit(int c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool is_listed_disk_name(const std::string &name)
{
    // Whole disks only: sdX, nvmeNnN, mmcblkN, vdX, xvdX, loopN (checked by
    // hand: building a std::regex cost every command about a millisecond).
    const bool whole = word_of(name, "sd", is_lower) || word_of(name, "nvme", is_digit, "n") ||
                       word_of(name, "mmcblk", is_digit) || word_of(name, "vd", is_lower) ||
                       word_of(name, "xvd", is_lower) || word_of(name, "loop", is_digit);
    if (!whole)
        return false;
    if (kind_of(name) == 5)
        return !read_sysfs_line("/sys/block/" + name + "/loop/backing_file").empty();
    return true;
}

bool disk_name_less(const std::string &a, const std::string &b)
{
    if (kind_of(a) != kind_of(b))
        return kind_of(a) < kind_of(b);
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        bool digits = isdigit(static_cast<unsigned char>(a[i]));
        if (digits != static_cast<bool>(isdigit(static_cast<unsigned char>(b[j]))))
            return digits;
        size_t i_end = i, j_end = j;
        while (i_end < a.size() && static_cast<bool>(isdigit(static_cast<unsigned char>(a[i_end]))) == digits)
            ++i_end;
        while (j_end < b.size() && static_cast<bool>(isdigit(static_cast<unsigned char>(b[j_end]))) == digits)
            ++j_end;
        std::string run_a = a.substr(i, i_end - i), run_b = b.substr(j, j_end - j);
        if (digits) {
            run_a.erase(0, std::min(run_a.find_first_not_of('0'), run_a.size() - 1));
            run_b.erase(0, std::min(run_b.find_first_not_of('0'), run_b.size() - 1));
        }
        // Shorter runs first: "b" before "aa", "9" before "10".
        if (run_a.size() != run_b.size())
            return run_a.size() < run_b.size();
        if (run_a != run_b)
            return run_a < run_b;
        i = i_end;
        j = j_end;
    }
    return a.size() - i < b.size() - j;
}

std::vector<disk_entry_s> disk_entries(const disk_table_c &table, bool probe)
{
    std::vector<disk_entry_s> disks;
    if (table.with_block_devices()) {
        std::vector<std::string> names;
        for (const std::string &name : list_folder("/sys/block"))
            if (is_listed_disk_name(name))
                names.push_back(name);
        std::sort(names.begin(), names.end(), disk_name_less);
        for (const std::string &name : names) {
            disk_entry_s entry = block_disk(name, probe);
            // A card reader without a card is not a disk yet.
            if (entry.info.size_bytes > 0)
                disks.push_back(entry);
        }
    }
    for (const std::string &path : table.image_paths())
        disks.push_back(describe_image(path));
    return disks;
}

bool disk_table_c::add_image(const std::string &path, std::string *error)
{
    auto device = open_block_device(path, open_mode_e::read, error);
    if (!device)
        return false;
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) {
        if (error)
            *error = path + ": " + strerror(errno);
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    if (std::find(images_.begin(), images_.end(), resolved) == images_.end())
        images_.push_back(resolved);
    return true;
}

void disk_table_c::clear_images()
{
    std::lock_guard<std::mutex> guard(lock_);
    images_.clear();
}

std::vector<std::string> disk_table_c::image_paths() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return images_;
}

std::vector<disk_info_s> disk_table_c::disks() const
{
    std::vector<disk_info_s> disks;
    for (const disk_entry_s &entry : disk_entries(*this))
        disks.push_back(entry.info);
    return disks;
}

std::unique_ptr<block_device_c> disk_table_c::open_disk(int disk_number, open_mode_e mode, std::string *error) const
{
    std::vector<disk_entry_s> disks = disk_entries(*this, false);
    if (disk_number < 0 || disk_number >= static_cast<int>(disks.size())) {
        if (error)
            *error = "no disk number " + std::to_string(disk_number);
        return nullptr;
    }
    return open_block_device(disks[disk_number].info.path, mode, error);
}

disk_table_c &system_disk_table()
{
    static disk_table_c table;
    return table;
}

bool add_disk_image(const std::string &path, std::string *error)
{
    return system_disk_table().add_image(path, error);
}

void clear_disk_images()
{
    system_disk_table().clear_images();
}

std::vector<disk_info_s> list_disks()
{
    return system_disk_table().disks();
}

int disk_number_of(const std::string &path)
{
    const std::vector<disk_entry_s> disks = disk_entries(system_disk_table(), false);
    for (size_t i = 0; i < disks.size(); ++i)
        if (disks[i].info.path == path)
            return static_cast<int>(i);
    return -1;
}

std::unique_ptr<block_device_c> open_disk(int disk_number, open_mode_e mode, std::string *error)
{
    return system_disk_table().open_disk(disk_number, mode, error);
}

raw_access_s check_raw_access()
{
    // Being root is not enough inside a container that denies raw access:
    // ask the disks themselves.
    raw_access_s access;
    access.as_root = geteuid() == 0;
    bool any_disk = false;
    for (const std::string &name : list_folder("/sys/block")) {
        if (!is_listed_disk_name(name) || kind_of(name) == 5)
            continue;
        any_disk = true;
        const std::string path = "/dev/" + name;
        int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            close(fd);
            access.readable = true;
            return access;
        }
        if (access.refused_disk.empty()) {
            access.refused_disk = path;
            access.reason = std::strerror(errno);
        }
    }
    access.readable = !any_disk && access.as_root;
    return access;
}

bool can_read_raw_devices()
{
    return check_raw_access().readable;
}

// The machine's physical disks and the volumes on them.
//
// The disk table is the system's numbered list of whole disks ("physical
// drive N" is entry N): whole-disk block devices in a stable order, then the
// disk image files the user added. Volumes are the partitions of those disks,
// plus a disk that holds a file system without a partition table.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "block_device.h"

// Same fields and order as the system's drive-geometry record.
struct disk_geometry_s {
    uint64_t cylinders = 0;
    uint32_t media_type = 0;
    uint32_t tracks_per_cylinder = 0; // heads
    uint32_t sectors_per_track = 0;
    uint32_t bytes_per_sector = 0;
};

struct disk_info_s {
    std::string path; // /dev/sda, or the image file's path
    bool is_image = false;
    uint64_t size_bytes = 0;
    uint32_t sector_size = 512;
    disk_geometry_s geometry;
    bool ready = false; // opens and answers a read
    bool write_protected = false;
};

// Drive types as the system reports them.
enum : uint32_t { drive_type_removable = 2, drive_type_fixed = 3 };

struct volume_info_s {
    std::string device_name; // /dev/sdb1, or "<image> partition N"
    bool on_image = false;   // lies in an image file the user added
    std::string volume_path; // reopenable name, see volume_path.h
    std::string label;
    std::string fs_name; // "NTFS", "FAT32", "FAT", "exFAT", or blkid's TYPE
    // The probe failed on a read error: fs_name is for the boot-sector
    // checks above the platform to decide.
    bool probe_read_failed = false;
    std::vector<std::string> mount_paths;
    uint32_t drive_type = drive_type_fixed;
    uint64_t total_bytes = 0;
    uint64_t free_bytes = 0;
    bool free_known = false;   // free_bytes as the mounted file system reports it
    int partition_number = -1; // 1-based; 0 for a whole-disk volume
    int disk_number = -1;      // index in the disk table
    uint64_t start_byte = 0;   // offset of the volume on its disk
    uint64_t length_bytes = 0;
};

// Where a volume lies: enough to open it again.
struct volume_location_s {
    std::string source;   // disk path (block device or image file)
    int disk_number = -1; // index in the disk table, -1 when not listed there
    int partition_number = 0;
    uint64_t start_byte = 0;
    uint64_t length_bytes = 0;
};

// A disk table: the machine's whole-disk block devices (unless left out) in
// their stable order, then the image files added to it. Tests build their
// own; the program shares system_disk_table().
class disk_table_c {
public:
    explicit disk_table_c(bool with_block_devices = true) : with_block_devices_(with_block_devices) {}

    // Adds an image file after every block device. Adding the same file twice
    // keeps one entry. Returns false when the file cannot be read.
    bool add_image(const std::string &path, std::string *error = nullptr);
    void clear_images();

    std::vector<disk_info_s> disks() const;
    // Every volume of every disk in the table, or of table entry only_disk.
    std::vector<volume_info_s> volumes(int only_disk = -1) const;
    // Resolves a volume name path (volume_path.h) to its location; an image
    // file not in the table is found too (a scan file reopened later). False
    // when the name is malformed or the partition no longer exists.
    bool locate_volume(const std::string &volume_path, volume_location_s &out) const;
    // Resolves partition N (0: the whole disk) of table entry disk_number.
    bool locate_partition(int disk_number, int partition_number, volume_location_s &out) const;
    // Opens table entry N as a whole.
    std::unique_ptr<block_device_c> open_disk(int disk_number, open_mode_e mode, std::string *error = nullptr) const;

    bool with_block_devices() const { return with_block_devices_; }
    std::vector<std::string> image_paths() const;

private:
    const bool with_block_devices_;
    mutable std::mutex lock_;
    std::vector<std::string> images_;
};

// The table the program lists and scans from.
disk_table_c &system_disk_table();

// The same calls on system_disk_table().
bool add_disk_image(const std::string &path, std::string *error = nullptr);
void clear_disk_images();
std::vector<disk_info_s> list_disks();
std::vector<volume_info_s> list_volumes();
// Without reading any other disk: the volumes of table entry N, and the
// entry a disk path (block device or added image file) has, or -1.
std::vector<volume_info_s> list_volumes_of(int disk_number);
int disk_number_of(const std::string &path);
bool locate_volume(const std::string &volume_path, volume_location_s &out);
bool locate_partition(int disk_number, int partition_number, volume_location_s &out);
std::unique_ptr<block_device_c> open_disk(int disk_number, open_mode_e mode, std::string *error = nullptr);

// Where a listed volume lies, read from its own record (no table lookup);
// source is empty when its name path is malformed.
volume_location_s location_of(const volume_info_s &volume);

// Opens a located volume as a device whose offset 0 is the volume's first byte.
std::unique_ptr<block_device_c> open_volume(const volume_location_s &where, open_mode_e mode,
                                            std::string *error = nullptr);

// Opens the volume a volume name path names, through the system table.
std::unique_ptr<block_device_c> open_volume_path(const std::string &volume_path, open_mode_e mode,
                                                 std::string *error = nullptr);

// Whether this process may read whole-disk devices (root, or the disk group).
bool can_read_raw_devices();

// The same, with who asked and, when a disk refused, which one and why (a
// root process in a container may still be refused).
struct raw_access_s {
    bool readable = false;
    bool as_root = false;
    std::string refused_disk; // the first disk that could not be opened
    std::string reason;       // the system's reason for it
};
raw_access_s check_raw_access();

// File system and label of a byte range of a device or image, via libblkid.
#pragma once

#include <cstdint>
#include <string>

struct fs_identity_s {
    bool found = false;
    std::string fs_name; // as system_fs_name gives it
    std::string label;
    // libblkid met a read error: the range may well hold a file system that
    // a read-error-free look at its boot sectors can name.
    bool read_failed = false;
};

// Probes [offset, offset + length) of path; length 0 means to the end.
// Not found when the range cannot be read or holds no single known file
// system. A range whose first sector was wiped is named by the backup boot
// sector its NTFS or FAT32 file system keeps; one whose NTFS boot sector is
// whole but whose $MFT libblkid cannot read (an image cut short) is NTFS.
fs_identity_s probe_file_system(const std::string &path, uint64_t offset, uint64_t length);

// Scans and records shared by the NTFS tests.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "libntfs/boot_sector.h"
#include "libntfs/mft_record.h"
#include "libntfs/ntfs_scan.h"
#include "platform/block_device.h"
#include "platform/test_images.h"

// The volume inside an image file, starting at byte offset.
std::shared_ptr<block_device_c> open_image_volume(const std::string &path, uint64_t offset);

// An opened scan; shut down when it goes.
struct scan_session_s {
    ntfs_scan_context context{};
    int32_t startup_result = 0;
    ~scan_session_s();
};

// Every record a scan reports, by record number (later duplicates win).
std::map<uint64_t, ntfs_scan_record> scan_all(ntfs_scan_context &context);

std::string name_of(const ntfs_scan_record &record);

// "/a/b/name" through the parent ids of the scanned records; "" when broken.
std::string path_of(const std::map<uint64_t, ntfs_scan_record> &records, uint64_t id);

std::string read_file(const std::string &path);

// A whole NTFS volume image in memory, its records reached from the boot
// sector's $MFT start (where the first records of a fresh volume lie).
struct ntfs_image_s {
    std::vector<uint8_t> bytes;
    ntfs_geometry_s geometry;
    std::vector<uint8_t> copy; // the fixed-up record find_all read last

    uint8_t *record(uint64_t n);
    // Every attribute of type in record n, read from a fixed-up copy, each
    // with where its value (resident) or mapping pairs (non-resident) start
    // inside the record.
    std::vector<std::pair<attribute_s, size_t>> find_all(uint64_t n, uint32_t type);
    // Writes into record n as the file system would: a byte on the last two
    // of a stride goes to the update sequence array, so the record still
    // passes its fixups.
    void patch(uint64_t n, size_t offset, const void *data, size_t len);
};

// Reads the image and its boot sector; false when either fails.
bool load_ntfs_image(const std::string &path, ntfs_image_s &out);

// Scans and records shared by the NTFS tests.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

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

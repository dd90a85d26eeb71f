// The FAT reader's device layer: which disks the table opens, the transfer
// limits and result codes, and the keep-alive thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "engines/fat/fat_drives.h"
#include "fat_test_image.h"

namespace {

// A disk that can be pulled out.
class removable_device_c : public memory_device_c {
public:
    using memory_device_c::memory_device_c;
    int64_t read_at(uint64_t offset, void *buffer, size_t len) override
    {
        return removed ? -1 : memory_device_c::read_at(offset, buffer, len);
    }
    std::atomic<bool> removed{false};
};

struct captured_log_s {
    std::string text;
    captured_log_s()
    {
        set_fat_log([this](const std::string &line) { text += line; });
    }
    ~captured_log_s() { set_fat_log(nullptr); }
};

std::shared_ptr<block_device_c> disk_of(size_t sectors, uint32_t sector_size = 512)
{
    return std::make_shared<memory_device_c>(std::vector<uint8_t>(sectors * sector_size, 0x11), sector_size);
}

TEST(fat_drives, opens_disks_in_order_until_one_is_missing)
{
    captured_log_s log;
    fat_drive_table_c table;
    std::vector<unsigned> asked;
    table.set_source([&](unsigned index) {
        asked.push_back(index);
        fat_disk_open_s out;
        out.name = "disk" + std::to_string(index);
        if (index == 0 || index == 1 || index == 3) {
            out.state = fat_disk_open_s::opened;
            out.device = disk_of(4096);
        } else if (index == 4) {
            out.state = fat_disk_open_s::unopenable;
        }
        return out;
    });
    EXPECT_EQ(table.reopen_drives(), 2u);
    EXPECT_EQ(asked, (std::vector<unsigned>{0, 1, 2})) << "disk 3 is never tried";
    EXPECT_EQ(log.text, "Disk# 0 <== disk0 (2MB, 512 bytes * 4096 sectors)\n"
                        "Disk# 1 <== disk1 (2MB, 512 bytes * 4096 sectors)\n");
}

TEST(fat_drives, an_unopenable_or_foreign_sector_disk_stays_in_the_table)
{
    captured_log_s log;
    fat_drive_table_c table;
    table.set_source([](unsigned index) {
        fat_disk_open_s out;
        out.name = "d" + std::to_string(index);
        if (index == 0)
            out.state = fat_disk_open_s::unopenable;
        if (index == 1) {
            out.state = fat_disk_open_s::opened;
            out.device = disk_of(64, 4096);
        }
        if (index == 2) {
            out.state = fat_disk_open_s::opened;
            out.device = disk_of(64);
            out.write_protected = true;
        }
        return out;
    });
    EXPECT_EQ(table.reopen_drives(), 3u);
    EXPECT_EQ(table.status(0), disk_status_not_ready);
    EXPECT_EQ(table.status(1), 0) << "a 4096-byte disk is opened, only its geometry is not taken";
    EXPECT_EQ(table.sector_size(1), 4096u);
    EXPECT_EQ(table.sector_count(1), 0u);
    EXPECT_EQ(table.status(2), disk_status_protected);
    EXPECT_EQ(table.status(7), disk_status_not_ready);
    EXPECT_NE(log.text.find("Disk# 0 <== d0 (Not Ready)\n"), std::string::npos);
    EXPECT_NE(log.text.find("Disk# 1 <== d1 (Not Ready)\n"), std::string::npos);
}

TEST(fat_drives, reads_check_index_readiness_and_transfer_size)
{
    fat_drive_table_c table;
    auto disk = disk_of(1024);
    table.set_source([&](unsigned index) {
        fat_disk_open_s out;
        if (index == 0) {
            out.state = fat_disk_open_s::opened;
            out.device = disk;
        }
        return out;
    });
    ASSERT_EQ(table.reopen_drives(), 1u);
    std::vector<uint8_t> buf(65536 + 512);
    EXPECT_EQ(table.read(0, buf.data(), buf.size(), 0, 128), disk_ok);
    EXPECT_EQ(buf[0], 0x11);
    EXPECT_EQ(table.read(0, buf.data(), buf.size(), 0, 129), disk_bad_parameter) << "above 64 KiB";
    EXPECT_EQ(table.read(0, buf.data(), 512, 0, 2), disk_bad_parameter) << "above the caller's buffer";
    EXPECT_EQ(table.read(1, buf.data(), buf.size(), 0, 1), disk_not_ready);
    EXPECT_EQ(table.read(0, buf.data(), buf.size(), 1023, 2), disk_error) << "past the end";
    EXPECT_EQ(table.read(0, buf.data(), buf.size(), UINT64_MAX / 256, 1), disk_error);
}

TEST(fat_drives, keep_alive_marks_a_removed_disk_and_stops_on_request)
{
    captured_log_s log;
    fat_drive_table_c table;
    auto first = std::make_shared<removable_device_c>(std::vector<uint8_t>(64 * 512));
    auto second = std::make_shared<removable_device_c>(std::vector<uint8_t>(64 * 512));
    table.set_source([&](unsigned index) {
        fat_disk_open_s out;
        if (index < 2) {
            out.state = fat_disk_open_s::opened;
            out.device = index == 0 ? first : second;
        }
        return out;
    });
    ASSERT_EQ(table.open_drives(), 2u);
    uint8_t sector[512];
    ASSERT_EQ(table.read(1, sector, sizeof sector, 0, 1), disk_ok);
    second->removed = true;
    first->removed = true;
    bool marked = false;
    for (int i = 0; i < 100 && !marked; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        marked = table.read(1, sector, sizeof sector, 0, 1) == disk_not_ready;
    }
    EXPECT_TRUE(marked) << "the keep-alive thread never noticed the removal";
    EXPECT_EQ(table.read(0, sector, sizeof sector, 0, 1), disk_error)
        << "disk 0 is not watched: its reads fail with a disk error instead";
    second->removed = false;
    EXPECT_EQ(table.status(1), 0) << "a status call probes again";
    table.stop_keep_alive();
}

} // namespace

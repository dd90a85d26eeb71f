// A restore from a failing disk reads on past the sectors that fail: the
// file keeps its whole length, zeros where sectors failed, and says where.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <unistd.h>

#include "engines/raw/raw_recovery.h"
#include "imaging/failing_device.h"
#include "platform/output_folder.h"

TEST(restore_past_bad_sectors, a_carved_find_keeps_every_sector_that_reads)
{
    std::vector<uint8_t> bytes(2 << 20);
    std::mt19937 rng(5);
    for (uint8_t &b : bytes)
        b = static_cast<uint8_t>(rng());
    auto disk = std::make_shared<failing_device_c>(bytes);
    // Two sectors side by side, and one more a block further on.
    disk->bad_sectors = {300, 301, 3000};
    raw_recovery_c engine;
    engine.set_volume(volume_item_s(), disk);
    const uint64_t offset = 100 * 512 + 17, length = 1500000;
    raw_item_s item{};
    item.offset = offset;
    item.length = length;
    memcpy(item.type, "bin", 3);
    ASSERT_TRUE(engine.set_scan_entries({item}));

    char folder[] = "/tmp/restore-past-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    output_folder_c out;
    ASSERT_TRUE(out.open(folder, nullptr));
    output_file_c file;
    ASSERT_TRUE(out.create_file(output_folder_c::top, "find.bin", &file));
    recovery_item_s row;
    row.id = 0;
    row.size = length;
    EXPECT_EQ(engine.recover_row(row, file), 0);
    const std::vector<output_file_c::unreadable_s> holes = file.unreadable();
    ASSERT_TRUE(file.close(0));

    std::ifstream in(std::string(folder) + "/find.bin", std::ios::binary);
    std::ostringstream got;
    got << in.rdbuf();
    const std::string restored = got.str();
    ASSERT_EQ(restored.size(), length);
    std::string expected(reinterpret_cast<const char *>(bytes.data()) + offset, length);
    for (uint64_t sector : disk->bad_sectors)
        memset(&expected[sector * 512 - offset], 0, 512);
    EXPECT_TRUE(restored == expected);
    ASSERT_EQ(holes.size(), 2u);
    EXPECT_EQ(holes[0].offset, 300 * 512 - offset);
    EXPECT_EQ(holes[0].length, 1024u);
    EXPECT_EQ(holes[1].offset, 3000 * 512 - offset);
    EXPECT_EQ(holes[1].length, 512u);
    (void)system((std::string("rm -rf '") + folder + "'").c_str());
}

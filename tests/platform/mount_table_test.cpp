// The mount table text as the kernel writes it.
#include <gtest/gtest.h>

#include "platform/linux/mount_table.h"

// Catches mount points with spaces left escaped, bind mounts of sub-folders
// taken for the volume's root, and damaged lines that stop the parse.
TEST(mount_table, parses_kernel_lines)
{
    const std::string text = "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n"
                             "40 27 8:17 / /media/USB\\040KEY rw,nosuid - vfat /dev/sdb1 rw\n"
                             "41 27 8:17 / /mnt/second rw - vfat /dev/sdb1 rw\n"
                             "garbage\n"
                             "42 27 8:x / /broken rw - vfat /dev/sdb9 rw\n"
                             "43 27 259:3 / /tab\\011and\\134slash rw - ntfs3 /dev/nvme0n1p3 rw\n";
    auto table = parse_mountinfo(text);
    const device_number_t usb{8, 17}, nvme{259, 3}, bind{98, 0};
    ASSERT_EQ(table.count(usb), 1u);
    EXPECT_EQ(table[usb], (std::vector<std::string>{"/media/USB KEY", "/mnt/second"}));
    EXPECT_EQ(table.count(bind), 0u);
    EXPECT_EQ(table[nvme], std::vector<std::string>{"/tab\tand\\slash"});
    EXPECT_EQ(table.size(), 2u);
}

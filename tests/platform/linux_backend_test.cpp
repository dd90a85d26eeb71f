// Disk naming order and the per-user state folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>

#include "platform/linux/disk_table.h"
#include "platform/test_images.h"
#include "platform/user_dirs.h"

// Disk numbers must not move when a 27th SCSI disk or an 11th NVMe drive
// appears: plain string order would put sdaa before sdb and nvme10n1 before
// nvme2n1.
TEST(disk_table, names_sort_in_stable_device_order)
{
    std::vector<std::string> names = {"loop0", "vdb", "nvme10n1", "sdaa", "mmcblk1", "nvme2n1", "sdb",
                                      "xvda",  "sda", "mmcblk0",  "vda",  "sdz",     "nvme2n2"};
    std::sort(names.begin(), names.end(), disk_name_less);
    EXPECT_EQ(names,
              (std::vector<std::string>{"sda", "sdb", "sdz", "sdaa", "nvme2n1", "nvme2n2", "nvme10n1", "mmcblk0",
                                        "mmcblk1", "vda", "vdb", "xvda", "loop0"}));
}

// Partitions, optical drives and RAM disks are not whole disks of the table.
TEST(disk_table, only_whole_disks_are_listed)
{
    for (const char *name : {"sda", "sdab", "nvme0n1", "mmcblk0", "vda", "xvdb"})
        EXPECT_TRUE(is_listed_disk_name(name)) << name;
    for (const char *name :
         {"sda1", "nvme0n1p1", "mmcblk0p1", "mmcblk0boot0", "sr0", "zram0", "ram0", "dm-0", "md0", "vda1", "loop"})
        EXPECT_FALSE(is_listed_disk_name(name)) << name;
}

// Logs and backups must land in the user's state folder, created on demand,
// and a relative XDG_STATE_HOME (which the XDG rules say to ignore) must not
// put them under the current folder.
TEST(user_dirs, state_folder_is_created_where_xdg_says)
{
    const std::string base = scratch_dir() + "/state";
    setenv("XDG_STATE_HOME", base.c_str(), 1);
    EXPECT_EQ(user_state_dir(), base + "/TarnRecovery");
    struct stat st {};
    EXPECT_EQ(stat((base + "/TarnRecovery").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));

    const std::string home = scratch_dir() + "/home";
    setenv("XDG_STATE_HOME", "relative/state", 1);
    setenv("HOME", home.c_str(), 1);
    EXPECT_EQ(user_state_dir(), home + "/.local/state/TarnRecovery");
    unsetenv("XDG_STATE_HOME");
}

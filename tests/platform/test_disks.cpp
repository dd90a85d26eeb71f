#include "test_disks.h"

#include <gtest/gtest.h>

#include "test_images.h"

// MBR disk: FAT16 primary, an extended partition holding a FAT32 and an NTFS
// logical volume. The name holds ':' and '%' on purpose.
std::string make_mbr_disk()
{
    static std::string path;
    if (!path.empty())
        return path;
    const std::string disk = scratch_dir() + "/mbr disk:1%.img";
    const std::string ntfs = scratch_dir() + "/ntfs-part.img";
    const std::string q = shell_quote(disk);
    int status = 0;
    run_command("set -e; truncate -s 32M " + q +
                    "; printf 'label: dos\\nstart=2048, size=16384, type=6\\nstart=18432, size=45056, type=5\\n"
                    "start=20480, size=20480, type=c\\nstart=43008, size=20480, type=7\\n' | sfdisk -q " +
                    q + "; mkfs.fat -F 16 -s 1 -n TARN16 --offset 2048 " + q +
                    " 8192 >/dev/null 2>&1"
                    "; mkfs.fat -F 32 -n TARN32 --offset 20480 " +
                    q +
                    " 10240 >/dev/null 2>&1"
                    "; truncate -s 10M " +
                    shell_quote(ntfs) + "; mkntfs -F -Q -q -L TARNNTFS " + shell_quote(ntfs) +
                    " >/dev/null 2>&1; dd if=" + shell_quote(ntfs) + " of=" + q +
                    " bs=512 seek=43008 conv=notrunc status=none",
                &status);
    EXPECT_EQ(status, 0) << "building the MBR test disk failed";
    path = status == 0 ? disk : "";
    return path;
}

// GPT disk with one labelled FAT32 partition in slot 2 (slot 1 left empty).
std::string make_gpt_disk()
{
    static std::string path;
    if (!path.empty())
        return path;
    const std::string disk = scratch_dir() + "/gpt.img";
    const std::string q = shell_quote(disk);
    int status = 0;
    run_command("set -e; truncate -s 48M " + q +
                    "; printf 'label: gpt\\n2 : start=4096, size=69632, type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7\\n'"
                    " | sfdisk -q " +
                    q + "; mkfs.fat -F 32 -n GPTFAT --offset 4096 " + q + " 34816 >/dev/null 2>&1",
                &status);
    EXPECT_EQ(status, 0) << "building the GPT test disk failed";
    path = status == 0 ? disk : "";
    return path;
}

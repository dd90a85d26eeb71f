// Disk images built here with sfdisk, mkfs.fat and mkntfs, read back through
// the disk table and the volume list, with sfdisk and blkid as the oracles.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <unistd.h>

#include "platform/disks.h"
#include "platform/test_disks.h"
#include "platform/test_images.h"
#include "platform/volume_path.h"

namespace {

struct oracle_s {
    uint64_t start_byte = 0;
    std::string type, version, label;
};

// Partition offsets by sfdisk, file systems and labels by blkid.
std::map<int, oracle_s> oracle(const std::string &disk)
{
    std::map<int, oracle_s> out;
    std::string json = run_command("sfdisk --json " + shell_quote(disk));
    QJsonArray parts = QJsonDocument::fromJson(QByteArray::fromStdString(json))
                           .object()["partitiontable"]
                           .toObject()["partitions"]
                           .toArray();
    for (const QJsonValue &value : parts) {
        QJsonObject p = value.toObject();
        std::string node = p["node"].toString().toStdString();
        int number = std::stoi(node.substr(disk.size()));
        oracle_s &o = out[number];
        o.start_byte = uint64_t(p["start"].toInteger()) * 512;
        std::string text = run_command("blkid -p -o export -O " + std::to_string(o.start_byte) + " -S " +
                                       std::to_string(uint64_t(p["size"].toInteger()) * 512) + " " + shell_quote(disk) +
                                       " 2>/dev/null");
        for (const std::string key : {"TYPE=", "VERSION=", "LABEL="}) {
            size_t at = text.find("\n" + key);
            if (at == std::string::npos)
                continue;
            std::string value = text.substr(at + 1 + key.size(), text.find('\n', at + 1) - at - 1 - key.size());
            (key[0] == 'T' ? o.type : key[0] == 'V' ? o.version : o.label) = value;
        }
    }
    return out;
}

std::string expected_fs_name(const oracle_s &o)
{
    if (o.type == "vfat")
        return o.version == "FAT32" ? "FAT32" : "FAT";
    return o.type == "ntfs" ? "NTFS" : o.type;
}

std::vector<volume_info_s> volumes_on(const disk_table_c &table, const std::string &disk)
{
    std::vector<volume_info_s> found;
    for (const volume_info_s &v : table.volumes()) {
        std::string source;
        int number = 0;
        if (parse_volume_path(v.volume_path, source, number) && source == disk)
            found.push_back(v);
    }
    return found;
}

// Each test builds its own table of images, apart from the machine's disks.
class disk_image_test : public ::testing::Test {
protected:
    disk_table_c table{false};
};

} // namespace

// Catches wrong offsets of logical partitions, FAT12/16 and FAT32 told apart
// wrongly, labels lost, and extended containers listed as volumes.
TEST_F(disk_image_test, volumes_of_an_mbr_disk_match_sfdisk_and_blkid)
{
    const std::string disk = make_mbr_disk();
    ASSERT_FALSE(disk.empty());
    ASSERT_TRUE(table.add_image(disk));
    std::map<int, oracle_s> expected = oracle(disk);
    ASSERT_EQ(expected.size(), 4u);
    expected.erase(2); // the extended container holds no volume

    std::vector<volume_info_s> volumes = volumes_on(table, disk);
    ASSERT_EQ(volumes.size(), expected.size());
    const int disk_number = static_cast<int>(table.disks().size()) - 1;
    for (const volume_info_s &v : volumes) {
        SCOPED_TRACE(v.device_name);
        ASSERT_EQ(expected.count(v.partition_number), 1u);
        const oracle_s &o = expected[v.partition_number];
        EXPECT_EQ(v.start_byte, o.start_byte);
        EXPECT_EQ(v.fs_name, expected_fs_name(o));
        EXPECT_EQ(v.label, o.label);
        EXPECT_EQ(v.disk_number, disk_number);
        EXPECT_EQ(v.device_name, disk + " partition " + std::to_string(v.partition_number));
        EXPECT_TRUE(v.on_image);
        EXPECT_TRUE(v.mount_paths.empty());
        EXPECT_EQ(v.total_bytes, v.length_bytes);
    }
    EXPECT_EQ(volumes[0].fs_name, "FAT");
    EXPECT_EQ(volumes[1].fs_name, "FAT32");
    EXPECT_EQ(volumes[2].fs_name, "NTFS");
    EXPECT_EQ(volumes[2].label, "TARNNTFS");
}

// The volume name path reopens exactly the partition it names: the boot
// sector read through it is the one blkid found at that offset.
TEST_F(disk_image_test, volume_paths_reopen_their_partition)
{
    const std::string disk = make_mbr_disk();
    ASSERT_FALSE(disk.empty());
    ASSERT_TRUE(table.add_image(disk));
    for (const volume_info_s &v : volumes_on(table, disk)) {
        SCOPED_TRACE(v.volume_path);
        volume_location_s where;
        ASSERT_TRUE(table.locate_volume(v.volume_path, where));
        EXPECT_EQ(where.start_byte, v.start_byte);
        EXPECT_EQ(where.length_bytes, v.length_bytes);
        std::string error;
        auto volume = open_volume(where, open_mode_e::read, &error);
        ASSERT_TRUE(volume) << error;
        EXPECT_EQ(volume->size(), v.length_bytes);
        uint8_t sector[512];
        ASSERT_TRUE(volume->read_exact(0, sector, sizeof sector));
        EXPECT_EQ(sector[510], 0x55);
        EXPECT_EQ(sector[511], 0xAA);
        // Reads stop at the partition's end, never spilling into the next.
        EXPECT_EQ(volume->read_at(v.length_bytes - 100, sector, sizeof sector), 100);
    }
    // A scan file reopened in a later run, before the image is added again.
    table.clear_images();
    volume_location_s where;
    ASSERT_TRUE(table.locate_volume(make_volume_path(disk, 6), where));
    EXPECT_EQ(where.disk_number, -1);
    EXPECT_EQ(where.start_byte, 43008u * 512);
    EXPECT_FALSE(table.locate_volume(make_volume_path(disk, 3), where));
    EXPECT_FALSE(table.locate_volume(make_volume_path(disk + ".missing", 1), where));
}

// GPT partitions keep their slot number; the empty slot 1 is not shifted away.
TEST_F(disk_image_test, gpt_disk_keeps_slot_numbers)
{
    const std::string disk = make_gpt_disk();
    ASSERT_FALSE(disk.empty());
    ASSERT_TRUE(table.add_image(disk));
    std::map<int, oracle_s> expected = oracle(disk);
    std::vector<volume_info_s> volumes = volumes_on(table, disk);
    ASSERT_EQ(volumes.size(), 1u);
    ASSERT_EQ(expected.count(2), 1u);
    EXPECT_EQ(volumes[0].partition_number, 2);
    EXPECT_EQ(volumes[0].start_byte, expected[2].start_byte);
    EXPECT_EQ(volumes[0].fs_name, "FAT32");
    EXPECT_EQ(volumes[0].label, "GPTFAT");
    volume_location_s where;
    EXPECT_TRUE(table.locate_partition(volumes[0].disk_number, 2, where));
    EXPECT_FALSE(table.locate_partition(volumes[0].disk_number, 1, where));
}

// A whole-volume image (no table) is one volume, partition 0. Partitions with
// no recognisable file system are still listed (a damaged volume is what
// gets recovered), but the whole disk is not, nor the extended container.
TEST_F(disk_image_test, whole_volume_images_are_partition_zero)
{
    const std::string fat = unpack_shared_image("dfir_ntfs/fat12.raw.gz");
    const std::string ntfs = unpack_shared_image("rust-ntfs/testfs1");
    const std::string blank = unpack_shared_image("dfir_ntfs/mbr-512-p1e2.bin.gz");
    if (fat.empty() || ntfs.empty() || blank.empty())
        GTEST_SKIP() << "shared images missing";
    ASSERT_TRUE(table.add_image(fat));
    ASSERT_TRUE(table.add_image(ntfs));
    ASSERT_TRUE(table.add_image(blank));
    std::vector<volume_info_s> v = volumes_on(table, fat);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].partition_number, 0);
    EXPECT_EQ(v[0].fs_name, "FAT");
    EXPECT_EQ(v[0].device_name, fat);
    EXPECT_EQ(v[0].length_bytes, 4u << 20);
    v = volumes_on(table, ntfs);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].fs_name, "NTFS");
    EXPECT_EQ(v[0].label, "mylabel");
    v = volumes_on(table, blank);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].partition_number, 2);
    EXPECT_EQ(v[1].partition_number, 5);
    EXPECT_EQ(v[2].partition_number, 6);
    for (const volume_info_s &empty : v)
        EXPECT_EQ(empty.fs_name, "");
}

// Images come after every block device, once each, in the order added, with
// the 255 x 63 translation; a small image's geometry is never empty.
TEST_F(disk_image_test, disk_table_holds_each_image_once)
{
    const std::string mbr = make_mbr_disk();
    const std::string gpt = make_gpt_disk();
    ASSERT_FALSE(mbr.empty());
    ASSERT_FALSE(gpt.empty());
    const size_t block_disks = table.disks().size();
    ASSERT_TRUE(table.add_image(mbr));
    ASSERT_TRUE(table.add_image(gpt));
    // The same file by another spelling is the same disk.
    ASSERT_TRUE(table.add_image(scratch_dir() + "/./" + mbr.substr(mbr.rfind('/') + 1)));
    std::vector<disk_info_s> disks = table.disks();
    ASSERT_EQ(disks.size(), block_disks + 2);
    EXPECT_EQ(block_disks, 0u) << "a table without block devices starts empty";
    for (const disk_info_s &d : list_disks())
        EXPECT_NE(d.path, mbr) << "the program's table is not the test's";
    EXPECT_EQ(disks[block_disks].path, mbr);
    EXPECT_EQ(disks[block_disks + 1].path, gpt);
    for (size_t i = block_disks; i < disks.size(); ++i) {
        EXPECT_TRUE(disks[i].is_image);
        EXPECT_TRUE(disks[i].ready);
        const disk_geometry_s &g = disks[i].geometry;
        uint64_t cylinder = uint64_t(g.tracks_per_cylinder) * g.sectors_per_track * g.bytes_per_sector;
        ASSERT_GT(cylinder, 0u);
        EXPECT_GT(g.cylinders, 0u);
        EXPECT_LE(g.cylinders * cylinder, disks[i].size_bytes);
        EXPECT_GT((g.cylinders + 1) * cylinder, disks[i].size_bytes);
        EXPECT_EQ(g.tracks_per_cylinder, 255u);
        EXPECT_EQ(g.sectors_per_track, 63u);
    }
    // Under one 255 x 63 cylinder (about 8 MiB) the size must not read as 0.
    const std::string small = unpack_shared_image("dfir_ntfs/mbr-512-p1e2.bin.gz");
    if (!small.empty()) {
        ASSERT_TRUE(table.add_image(small));
        const disk_geometry_s g = table.disks().back().geometry;
        EXPECT_GT(g.cylinders * g.tracks_per_cylinder * g.sectors_per_track * g.bytes_per_sector, 1000000u);
    }
    std::string error;
    EXPECT_FALSE(table.add_image(scratch_dir() + "/missing.img", &error));
    EXPECT_NE(error.find("missing.img"), std::string::npos);
    EXPECT_FALSE(table.add_image(scratch_dir(), &error));
    table.clear_images();
    EXPECT_EQ(table.disks().size(), block_disks);
}

// An image on 4096-byte sectors reports that size, and its partitions lie
// at 4096-byte multiples.
TEST_F(disk_image_test, image_with_4096_byte_sectors)
{
    const std::string disk = unpack_shared_image("dfir_ntfs/mbr-4096-p1e1.bin.gz");
    if (disk.empty())
        GTEST_SKIP();
    ASSERT_TRUE(table.add_image(disk));
    EXPECT_EQ(table.disks().back().sector_size, 4096u);
    volume_location_s where;
    ASSERT_TRUE(table.locate_partition(static_cast<int>(table.disks().size()) - 1, 5, where));
    EXPECT_EQ(where.start_byte, 9u * 4096);
    EXPECT_EQ(where.length_bytes, 2u * 4096);
}

namespace {

// A loop device over a test disk, detached again at the end; empty when this
// machine does not allow it (not root, or no loop devices).
class loop_device_c {
public:
    explicit loop_device_c(const std::string &image)
    {
        if (geteuid() != 0)
            return;
        int status = 0;
        std::string out = run_command("losetup -f --show -P " + shell_quote(image) + " 2>/dev/null", &status);
        if (status == 0 && out.size() > 1)
            path_ = out.substr(0, out.find('\n'));
        // Give the kernel's partition scan a moment to publish its nodes.
        run_command("udevadm settle 2>/dev/null");
    }
    ~loop_device_c()
    {
        if (!path_.empty())
            run_command("losetup -d " + shell_quote(path_));
    }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

} // namespace

// The block-device path: a loop device is a disk of the table, and its
// partitions (from sysfs, or from our own reading of the table when the
// kernel did not scan them) carry the same offsets, file systems and labels.
TEST_F(disk_image_test, volumes_of_a_loop_device)
{
    const std::string disk = make_mbr_disk();
    ASSERT_FALSE(disk.empty());
    loop_device_c loop(disk);
    if (loop.path().empty())
        GTEST_SKIP() << "no loop device available";
    disk_table_c machine;
    std::vector<disk_info_s> disks = machine.disks();
    int disk_number = -1;
    for (size_t i = 0; i < disks.size(); ++i)
        if (disks[i].path == loop.path())
            disk_number = static_cast<int>(i);
    ASSERT_GE(disk_number, 0) << loop.path() << " is not in the disk table";
    EXPECT_FALSE(disks[size_t(disk_number)].is_image);
    EXPECT_EQ(disks[size_t(disk_number)].size_bytes, 32u << 20);

    std::map<int, oracle_s> expected = oracle(disk);
    expected.erase(2);
    std::vector<volume_info_s> volumes = volumes_on(machine, loop.path());
    ASSERT_EQ(volumes.size(), expected.size());
    // Listed alone (the other disks numbered, not read), the same volumes.
    std::vector<std::string> alone;
    for (const volume_info_s &v : machine.volumes(disk_number))
        alone.push_back(v.volume_path + " " + v.fs_name + " " + std::to_string(v.disk_number));
    std::vector<std::string> among_all;
    for (const volume_info_s &v : volumes)
        among_all.push_back(v.volume_path + " " + v.fs_name + " " + std::to_string(v.disk_number));
    EXPECT_EQ(alone, among_all);
    for (const volume_info_s &v : volumes) {
        SCOPED_TRACE(v.device_name);
        EXPECT_EQ(v.device_name.rfind(loop.path(), 0), 0u);
        EXPECT_EQ(v.disk_number, disk_number);
        EXPECT_FALSE(v.on_image);
        const oracle_s &o = expected[v.partition_number];
        EXPECT_EQ(v.start_byte, o.start_byte);
        EXPECT_EQ(v.fs_name, expected_fs_name(o));
        EXPECT_EQ(v.label, o.label);
        volume_location_s where;
        ASSERT_TRUE(machine.locate_volume(v.volume_path, where));
        EXPECT_EQ(where.start_byte, o.start_byte);
    }
}

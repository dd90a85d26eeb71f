// The process-wide volume and drive rows built from platform records.
#include <gtest/gtest.h>

#include "core/devices/drive_list.h"
#include "core/devices/volume_list.h"

namespace {

volume_info_s volume(const std::string &device, const std::string &mount, uint32_t type, bool image = false)
{
    volume_info_s v;
    v.device_name = device;
    v.volume_path = device + ":1:/";
    if (!mount.empty())
        v.mount_paths = {mount};
    v.drive_type = type;
    v.on_image = image;
    v.partition_number = 1;
    v.disk_number = 0;
    return v;
}

} // namespace

// Catches rows out of mount-path order (ordinal: "/media/Z" before
// "/media/a"), unmounted volumes dropped, fixed volumes shown to a user who
// cannot read them, and rows for volumes whose disk is unknown.
TEST(volume_list, records_and_rows_follow_the_listing_rules)
{
    std::vector<volume_info_s> found = {
        volume("/dev/sdc1", "/media/a", drive_type_removable),
        volume("/dev/sdb1", "/media/Z", drive_type_removable),
        volume("/dev/sda1", "", drive_type_fixed),
        volume("/img partition 1", "", drive_type_fixed, true),
        volume("/dev/sr0", "/media/cd", 5),
        volume("//server/share", "/net", 4),
    };
    found.push_back(volume("/dev/sdd1", "/media/b", drive_type_removable));
    found.back().disk_number = -1;

    QList<volume_info_s> records = select_volume_records(found, true);
    QStringList order;
    for (const volume_info_s &v : records)
        order += QString::fromStdString(v.device_name);
    // Sorted by first mount path: /dev/sda1, /img partition 1 (both by device
    // name), then /media/Z, /media/a, /media/b.
    EXPECT_EQ(order, (QStringList{"/dev/sda1", "/img partition 1", "/dev/sdb1", "/dev/sdc1", "/dev/sdd1"}));

    QList<volume_item_s> rows = build_volume_rows(records);
    ASSERT_EQ(rows.size(), 5);
    EXPECT_TRUE(rows[0].is_header());
    EXPECT_TRUE(rows[0].mount_path.isEmpty() && rows[0].volume_path.isEmpty() && rows[0].file_system.isEmpty());
    EXPECT_EQ(rows[1].mount_path, "/dev/sda1"); // unmounted: the device name stands in
    EXPECT_EQ(rows[2].mount_path, "/img partition 1");
    EXPECT_EQ(rows[3].mount_path, "/media/Z");
    for (const volume_item_s &row : rows)
        EXPECT_NE(row.device_name, "/dev/sdd1");

    records = select_volume_records(found, false);
    order.clear();
    for (const volume_info_s &v : records)
        order += QString::fromStdString(v.device_name);
    EXPECT_EQ(order, (QStringList{"/img partition 1", "/dev/sdb1", "/dev/sdc1", "/dev/sdd1"}));
}

// Sizes are the bytes a disk reports (whole cylinders only when it reports
// none: a 256 MiB image is not shown as 251 MiB), the header row has none,
// and a disk whose geometry is unknown ends the list.
TEST(drive_list, rows_follow_the_geometry)
{
    disk_info_s a;
    a.path = "/dev/sda";
    a.geometry = {60801, 12, 255, 63, 512};
    disk_info_s broken;
    broken.path = "/dev/sdb";
    disk_info_s c = a;
    c.path = "/dev/sdc";
    disk_info_s image = a;
    image.geometry = {32, 12, 255, 63, 512};
    image.size_bytes = 256ull << 20;
    EXPECT_EQ(build_drive_rows({image})[1].size, 256ull << 20);
    QList<drive_item_s> rows = build_drive_rows({a, broken, c});
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].is_header());
    EXPECT_TRUE(rows[0].name.isEmpty());
    EXPECT_EQ(rows[1].name, "/dev/sda");
    EXPECT_EQ(rows[1].size, 500105249280ull);
    ASSERT_TRUE(rows[1].geometry.has_value());
    EXPECT_EQ(rows[1].geometry->tracks_per_cylinder, 255u);
}

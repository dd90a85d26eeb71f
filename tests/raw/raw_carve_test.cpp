// The deep scan end to end: real files of every listed type planted in an
// image between sectors of noise must each be found at their exact offset
// with their exact length and type, and restored byte for byte.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <map>

#include "platform/disks.h"
#include "engines/raw/raw_recovery.h"
#include "platform/volume_path.h"
#include "raw/raw_test_util.h"
#include "restore_to_path.h"

namespace {

volume_item_s image_volume(const QString &image)
{
    volume_item_s v;
    v.device_name = image;
    v.volume_path = QString::fromStdString(make_volume_path(image.toStdString(), 0));
    return v;
}

void scan(raw_recovery_c &engine, const QString &image)
{
    engine.reset();
    const volume_item_s volume = image_volume(image);
    engine.set_volume(volume, open_volume_path(volume.volume_path.toStdString(), open_mode_e::read));
    engine.start();
    ASSERT_TRUE(engine.wait(120000));
}

using raw_carve_test = raw_samples_test;

// Catches: a wrong end decided by a structure check, a wrong subtype for the
// zip and OLE2 families, a false find in noise, a restore that is off by a
// sector or cut short.
TEST_F(raw_carve_test, every_planted_file_is_found_exactly_and_restored_byte_exact)
{
    const QByteArray image = plant_files(files, 7);
    const QString path = dir.filePath(QStringLiteral("image.bin"));
    ASSERT_TRUE(write_file(path, image));
    ASSERT_GE(files.size(), 36u) << "too few sample types were made";

    raw_recovery_c engine;
    scan(engine, path);
    EXPECT_DOUBLE_EQ(engine.get_progress(), 1.0);
    EXPECT_EQ(engine.get_read_count(), 0u);
    EXPECT_EQ(engine.get_found_count(), engine.items().size()) << "finds are counted as they come";

    std::map<uint64_t, raw_item_s> by_offset;
    for (const raw_item_s &item : engine.items())
        by_offset[item.offset] = item;
    for (const planted_file_s &f : files) {
        SCOPED_TRACE(f.name.toStdString());
        auto it = by_offset.find(f.offset);
        ASSERT_NE(it, by_offset.end()) << "not found";
        EXPECT_EQ(it->second.type_name(), f.type);
        EXPECT_EQ(it->second.length, static_cast<uint64_t>(f.bytes.size()));
        const QString out = dir.filePath(QStringLiteral("out_") + f.name);
        ASSERT_EQ(recover_item_to(engine, it->second.index, out), 0);
        EXPECT_TRUE(read_file(out) == f.bytes) << "restored bytes differ";
        by_offset.erase(it);
    }
    for (const auto &extra : by_offset)
        ADD_FAILURE() << "false find " << extra.second.type_name() << " at " << extra.first;
}

// Catches: a truncated file dropped instead of reported with its best
// length; a damaged file's size field hiding the file after it; a header
// whose structure is plainly not that type reported.
TEST_F(raw_carve_test, broken_files_are_reported_and_failed_checks_are_not)
{
    std::vector<planted_file_s> picked;
    for (const char *type : {"sqlite", "png", "zip"})
        for (const planted_file_s &f : files)
            if (f.type == type)
                picked.push_back(f);
    ASSERT_EQ(picked.size(), 3u);
    // The second half of each file overwritten by what follows it: the
    // SQLite header still claims its full size, over the PNG behind it.
    for (planted_file_s &f : picked)
        f.bytes.truncate(f.bytes.size() / 2);
    picked.push_back({QStringLiteral("fake"), "exe", QByteArray("MZ") + QByteArray(510, 'x')});
    picked.push_back({QStringLiteral("fake"), "bmp", QByteArray("BM\x10\0\0\0", 6) + QByteArray(506, '\x01')});
    const QString path = dir.filePath(QStringLiteral("broken.bin"));
    ASSERT_TRUE(write_file(path, plant_files(picked, 11)));

    raw_recovery_c engine;
    scan(engine, path);
    std::map<uint64_t, raw_item_s> by_offset;
    for (const raw_item_s &item : engine.items())
        by_offset[item.offset] = item;
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(picked[i].type);
        auto it = by_offset.find(picked[i].offset);
        ASSERT_NE(it, by_offset.end()) << "not reported";
        EXPECT_EQ(it->second.type_name(), picked[i].type);
        EXPECT_GE(it->second.length, static_cast<uint64_t>(picked[i].bytes.size()));
    }
    EXPECT_EQ(by_offset.count(picked[3].offset), 0u) << "MZ without a PE header was reported";
    EXPECT_EQ(by_offset.count(picked[4].offset), 0u) << "BM without a bitmap header was reported";
}

} // namespace

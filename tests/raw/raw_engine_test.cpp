// The deep-scan engine's table, index and restore of single finds.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/disks.h"
#include "engines/raw/raw_recovery.h"
#include "platform/volume_path.h"
#include "raw/raw_test_util.h"
#include "engines/raw/raw_results.h"
#include "core/scanfile/scan_file.h"
#include "restore_to_path.h"

namespace {

class raw_engine_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (int i = 0; i < 4096; ++i)
            device.append(static_cast<char>(i * 7 + 3));
        image = dir.filePath(QStringLiteral("device.bin"));
        ASSERT_TRUE(write_file(image, device));
        volume_item_s v;
        v.volume_path = QString::fromStdString(make_volume_path(image.toStdString(), 0));
        engine.set_volume(v, open_volume_path(v.volume_path.toStdString(), open_mode_e::read));
    }
    QString out(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    QByteArray device;
    QString image;
    raw_recovery_c engine;
};

// Catches: a trailing separator kept in the device path a scan file
// stores (the volume would not be found again), or more than one cut.
TEST_F(raw_engine_test, scan_files_store_the_device_path_cut_of_one_trailing_separator)
{
    const QString device_path = scan_file_device_path(engine.volume());
    EXPECT_EQ(device_path.toStdString(), make_volume_path(image.toStdString(), 0).substr(0, device_path.size()));
    EXPECT_TRUE(device_path.endsWith(QLatin1Char(':')));
    volume_item_s v;
    v.volume_path = QStringLiteral("/x//");
    EXPECT_EQ(scan_file_device_path(v), QStringLiteral("/x/"));
}

// Catches: type names not zero-padded, names over 8 characters overrunning
// the entry, the index not keyed by the full name during a scan, first
// index not 0, row names not "%08llu.%s".
TEST_F(raw_engine_test, found_entries_and_their_rows)
{
    raw_recovery_c::on_found(&engine, "jpeg", 512, 10);
    raw_recovery_c::on_found(&engine, "longtypename", 1024, 20);
    ASSERT_EQ(engine.items().size(), 2u);
    const raw_item_s &a = engine.items()[0];
    EXPECT_EQ(a.index, 0u);
    EXPECT_EQ(std::string(a.type, 8), std::string("jpeg\0\0\0\0", 8));
    const raw_item_s &b = engine.items()[1];
    EXPECT_EQ(std::string(b.type, 8), "longtype");
    EXPECT_EQ(b.type_name(), "longtype");
    EXPECT_TRUE(engine.by_type().contains("longtypename"));
    EXPECT_FALSE(engine.by_type().contains("longtype"));

    found_folder_s tree = build_raw_tree(engine);
    EXPECT_EQ(tree.name, QStringLiteral("/"));
    EXPECT_TRUE(tree.files.isEmpty());
    ASSERT_EQ(tree.folders.size(), 2);
    const found_folder_s &jpeg = tree.folders[0].name == QStringLiteral("jpeg") ? tree.folders[0] : tree.folders[1];
    ASSERT_EQ(jpeg.files.size(), 1);
    EXPECT_EQ(jpeg.files[0].name, QStringLiteral("00000000.jpeg"));
    EXPECT_EQ(jpeg.files[0].size, 10u);
    EXPECT_EQ(jpeg.files[0].id, 0u);
    EXPECT_EQ(jpeg.files[0].date1, 0);
    EXPECT_EQ(jpeg.files[0].flags, 0u);
    const found_folder_s &other = tree.folders[0].name == QStringLiteral("jpeg") ? tree.folders[1] : tree.folders[0];
    EXPECT_EQ(other.files[0].name, QStringLiteral("00000001.longtype"));

    std::wstring path = L"keep";
    EXPECT_EQ(engine.get_item_path(0, &path), 0);
    EXPECT_EQ(path, L"keep");
    engine.reset();
    EXPECT_TRUE(engine.items().empty());
    EXPECT_TRUE(engine.by_type().isEmpty());
}

// Catches: a find written from its sector start instead of its own first
// byte (bytes of another file in front, its own tail cut), an empty find
// failing, an id past the table read out of bounds.
TEST_F(raw_engine_test, restore_writes_exactly_the_find)
{
    raw_recovery_c::on_found(&engine, "x", 1000, 100);
    raw_recovery_c::on_found(&engine, "x", 2048, 0);
    ASSERT_EQ(recover_item_to(engine, 0, out("a")), 0);
    EXPECT_EQ(read_file(out("a")), device.mid(1000, 100));
    ASSERT_EQ(recover_item_to(engine, 1, out("b")), 0);
    EXPECT_TRUE(QFile::exists(out("b")));
    EXPECT_EQ(QFile(out("b")).size(), 0);
    EXPECT_EQ(recover_item_to(engine, 2, out("c")), -1);
    EXPECT_FALSE(QFile::exists(out("c")));
}

// Catches: a copy cut short by the end of the device reported as restored,
// or the bytes it did get thrown away.
TEST_F(raw_engine_test, restore_past_the_device_end_keeps_what_was_read_and_fails)
{
    raw_recovery_c::on_found(&engine, "x", 4000, 20000);
    EXPECT_EQ(recover_item_to(engine, 0, out("short")), -1);
    EXPECT_EQ(read_file(out("short")), device.mid(4000));
}

// Catches: a device that cannot be opened reported as success.
TEST_F(raw_engine_test, restore_failures)
{
    volume_item_s gone;
    gone.volume_path = dir.filePath(QStringLiteral("missing.bin/"));
    raw_recovery_c other;
    other.set_volume(gone, open_volume_path(gone.volume_path.toStdString(), open_mode_e::read));
    raw_recovery_c::on_found(&other, "x", 0, 10);
    EXPECT_EQ(recover_item_to(other, 0, out("d")), -1);
    EXPECT_FALSE(QFile::exists(out("d")));
}

// Catches: reset leaving the control block dirty (a stopped engine would
// not scan again); progress, pause and stop not reaching the block.
TEST_F(raw_engine_test, control_fields_and_reset)
{
    engine.set_pause(1);
    engine.set_stop(3);
    engine.set_progress(0.5);
    EXPECT_EQ(engine.get_pause(), 1);
    EXPECT_EQ(engine.get_stop(), 3);
    EXPECT_DOUBLE_EQ(engine.get_progress(), 0.5);
    engine.reset();
    EXPECT_EQ(engine.get_pause(), 0);
    EXPECT_EQ(engine.get_stop(), 0);
    EXPECT_DOUBLE_EQ(engine.get_progress(), 0.0);
    EXPECT_EQ(engine.get_read_count(), 0u);
    EXPECT_EQ(engine.get_found_count(), 0u);
}

// Catches: a pause asked for as the scan's thread starts dropped when the
// thread sets itself up (the scan then runs to its end unasked).
TEST_F(raw_engine_test, a_pause_asked_as_the_scan_starts_holds)
{
    engine.reset();
    engine.set_pause(1); // before the thread runs, as a click may land
    engine.start();
    EXPECT_FALSE(engine.wait(300));
    EXPECT_EQ(engine.get_pause(), 1);
    EXPECT_DOUBLE_EQ(engine.get_progress(), 0.0);
    engine.set_pause(0);
    ASSERT_TRUE(engine.wait(30000));
    EXPECT_DOUBLE_EQ(engine.get_progress(), 1.0);
}

} // namespace

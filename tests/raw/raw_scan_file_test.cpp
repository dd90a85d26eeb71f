// The scan file: its exact layout, the round trip, and the files it refuses.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstring>

#include "platform/disks.h"
#include "engines/raw/raw_recovery.h"
#include "raw/raw_test_util.h"
#include "engines/raw/raw_results.h"
#include "core/scanfile/scan_check.h"
#include "core/scanfile/scan_file.h"

namespace {

class raw_scan_file_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        volume.volume_path = QStringLiteral("/dev/sdz:1:/");
        engine.set_volume(volume, open_volume_path(volume.volume_path.toStdString(), open_mode_e::read));
    }
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    // A file of the given length: a header naming /other and entries with index = position.
    QByteArray file_of(int length)
    {
        QByteArray b = QByteArray("/other").leftJustified(length, '\0', true);
        for (int at = 256, i = 0; at + 32 <= length; at += 32, ++i) {
            raw_item_s item{};
            item.index = static_cast<uint64_t>(i);
            memcpy(item.type, "png", 3);
            memcpy(b.data() + at, &item, 32);
        }
        return b;
    }

    // Reads a file back into a fresh engine as a resumed scan would; the
    // stored device path, or empty for a refused file.
    QString load(raw_recovery_c &into, const char *name)
    {
        std::vector<raw_item_s> entries;
        const QString device = read_scan_file(path(name), &entries);
        if (!device.isEmpty())
            into.set_scan_entries(std::move(entries));
        return device;
    }
    int save(const char *name, QString *error = nullptr) { return save_results(engine, volume, path(name), error); }

    QTemporaryDir dir;
    volume_item_s volume;
    raw_recovery_c engine;
};

// Catches: a header not 256 bytes or not zero-padded, entries not written
// whole, an 8-character type gaining or losing bytes.
TEST_F(raw_scan_file_test, one_entry_is_288_bytes_and_loads_as_one_folder)
{
    raw_recovery_c::on_found(&engine, "jpegjpeg", 4096, 777);
    ASSERT_EQ(save("one.sav"), 0);
    const QByteArray bytes = read_file(path("one.sav"));
    ASSERT_EQ(bytes.size(), 288 + static_cast<int>(scan_file_check_size)) << "and the checksum";
    EXPECT_EQ(QByteArray(bytes.constData()), QByteArray("/dev/sdz:1:"));
    EXPECT_EQ(bytes.mid(11, 245), QByteArray(245, '\0'));
    EXPECT_EQ(bytes.mid(256 + 24, 8), QByteArray("jpegjpeg"));

    raw_recovery_c loaded;
    EXPECT_EQ(load(loaded, "one.sav"), QStringLiteral("/dev/sdz:1:"));
    ASSERT_EQ(loaded.items().size(), 1u);
    EXPECT_EQ(loaded.items()[0].offset, 4096u);
    EXPECT_EQ(loaded.items()[0].length, 777u);
    found_folder_s tree = build_raw_tree(loaded);
    ASSERT_EQ(tree.folders.size(), 1);
    EXPECT_EQ(tree.folders[0].name, QStringLiteral("jpegjpeg"));
    ASSERT_EQ(tree.folders[0].files.size(), 1);
    EXPECT_EQ(tree.folders[0].files[0].name, QStringLiteral("00000000.jpegjpeg"));
}

// Catches: entries reordered or altered, the by-type index rebuilt from
// positions rather than stored indexes, a long name not cut to 8 on reload.
TEST_F(raw_scan_file_test, save_then_load_gives_the_same_table)
{
    raw_recovery_c::on_found(&engine, "gif", 0, 1);
    raw_recovery_c::on_found(&engine, "longtypename", 512, 2);
    raw_recovery_c::on_found(&engine, "gif", 1024, 3);
    ASSERT_EQ(save("three.sav"), 0);
    raw_recovery_c loaded;
    ASSERT_FALSE(load(loaded, "three.sav").isEmpty());
    ASSERT_EQ(loaded.items().size(), 3u);
    EXPECT_EQ(memcmp(loaded.items().data(), engine.items().data(), 3 * sizeof(raw_item_s)), 0);
    EXPECT_EQ(loaded.by_type().value("gif"), (QList<quint64>{0, 2}));
    EXPECT_EQ(loaded.by_type().value("longtype"), (QList<quint64>{1}));
    EXPECT_FALSE(loaded.by_type().contains("longtypename"));
}

// Catches: a file of a wrong length, or with an entry index outside the
// table, duplicated or out of order, accepted (rows would then read outside
// the table, or twice); a refused file that replaces the table.
TEST_F(raw_scan_file_test, refused_files_leave_the_engine_as_it_was)
{
    raw_recovery_c::on_found(&engine, "kept", 0, 5);
    for (int length : {0, 100, 256, 287, 289}) {
        ASSERT_TRUE(write_file(path("bad.sav"), file_of(length)));
        EXPECT_TRUE(load(engine, "bad.sav").isEmpty()) << length;
    }
    for (char index : {2, 0}) {
        QByteArray bad_index = file_of(256 + 64);
        bad_index[256 + 32] = index; // second entry claims index 2 of 2 entries, or the first's
        ASSERT_TRUE(write_file(path("bad.sav"), bad_index));
        EXPECT_TRUE(load(engine, "bad.sav").isEmpty()) << int(index);
    }
    QByteArray swapped = file_of(256 + 64);
    swapped[256] = 1;
    swapped[256 + 32] = 0;
    ASSERT_TRUE(write_file(path("bad.sav"), swapped));
    EXPECT_TRUE(load(engine, "bad.sav").isEmpty()) << "reordered entries";
    EXPECT_TRUE(load(engine, "missing.sav").isEmpty());
    ASSERT_EQ(engine.items().size(), 1u);
    EXPECT_EQ(engine.items()[0].type_name(), "kept");

    ASSERT_TRUE(write_file(path("good.sav"), file_of(256 + 64)));
    EXPECT_EQ(load(engine, "good.sav"), QStringLiteral("/other"));
    EXPECT_EQ(engine.items().size(), 2u);
}

// Catches: a damaged scan file taken as good (any one bit flipped: in the
// header, an entry, the trailer of pieces or the checksum itself), a file of
// an older version, without the checksum, refused or not told apart.
TEST_F(raw_scan_file_test, every_flipped_bit_is_refused_and_files_without_a_checksum_still_load)
{
    raw_recovery_c::on_found(&engine, "gif", 0, 1000);
    raw_recovery_c::on_found(&engine, "png", 4096, 2000);
    engine.set_scan_pieces({{1, {{4096, 1000}, {8192, 1000}}}});
    ASSERT_EQ(save("two.sav"), 0);
    const QByteArray good = read_file(path("two.sav"));
    auto parse = [](const QByteArray &bytes, bool *checked, std::string *why = nullptr) {
        std::string device;
        std::vector<raw_item_s> items;
        raw_pieces_t pieces;
        return parse_scan_file(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()), device,
                               items, &pieces, why, checked) &&
            items.size() == 2 && pieces.size() == 1;
    };
    bool checked = false;
    ASSERT_TRUE(parse(good, &checked));
    EXPECT_TRUE(checked);
    int accepted = 0;
    for (qsizetype at = 0; at < good.size(); ++at)
        for (int bit = 0; bit < 8; ++bit) {
            QByteArray flipped = good;
            flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit));
            std::string why;
            if (parse(flipped, &checked, &why))
                ++accepted;
            else
                EXPECT_FALSE(why.empty());
        }
    EXPECT_EQ(accepted, 0) << "of " << good.size() * 8 << " flipped bits";

    const QByteArray older = good.chopped(scan_file_check_size);
    ASSERT_TRUE(parse(older, &checked)) << "a file of before still loads";
    EXPECT_FALSE(checked);
}

// Catches: an empty result written as a file nobody can load, a failed
// create reported as saved, a device path cut to fit the header saved as if
// whole (read back, it would name another volume or none).
TEST_F(raw_scan_file_test, save_failures_and_long_paths)
{
    QString error;
    EXPECT_EQ(save("empty.sav", &error), -1);
    EXPECT_FALSE(QFile::exists(path("empty.sav")));
    raw_recovery_c::on_found(&engine, "x", 0, 1);
    EXPECT_EQ(save("no/such/dir.sav"), -1);

    volume.volume_path = QString(255, QLatin1Char('p')) + QLatin1Char('/');
    ASSERT_EQ(save("long.sav"), 0) << "255 bytes and the terminator fit";
    raw_recovery_c loaded;
    EXPECT_EQ(load(loaded, "long.sav"), QString(255, QLatin1Char('p')));
    volume.volume_path = QString(256, QLatin1Char('p')) + QLatin1Char('/');
    EXPECT_EQ(save("longer.sav", &error), -1);
    EXPECT_TRUE(error.contains(QStringLiteral("longer"))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path("longer.sav")));
    recovery_stop_c none;
    EXPECT_EQ(save_results(none, volume, path("none.sav"), &error), -1) << "only deep scans are saved";
}

} // namespace

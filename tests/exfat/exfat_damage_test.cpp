// The exFAT engine on small volumes built entry by entry: deleted files kept
// or reused, and the damage a reader meets (a looping chain, a set whose
// checksum fails, a name longer than its entries, a first cluster outside the
// heap, a folder inside itself, a damaged boot region). Each is skipped or
// cut with a note; nothing hangs, and what is sound restores exactly.
#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include "engines/exfat/exfat_recovery.h"
#include "exfat_test_volume.h"
#include "records/found_row.h"
#include "restore_to_path.h"

namespace {

struct scanned_s {
    exfat_recovery_c engine;
    QHash<QString, recovery_item_s> rows; // by path

    void scan(const std::vector<uint8_t> &bytes)
    {
        engine.set_volume(volume_item_s(), std::make_shared<memory_device_c>(bytes));
        engine.run();
        for (const found_row_s &r : found_rows(engine.get_found_tree()))
            rows.insert(r.path(), r.row);
    }
    QByteArray restore(const QString &path)
    {
        QTemporaryDir out;
        const QString file = out.filePath(QStringLiteral("f"));
        if (recover_row_to(engine, rows.value(path), file) != 0)
            return "(failed)";
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
    }
};

QByteArray as_bytes(const std::vector<uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), static_cast<qsizetype>(v.size()));
}

} // namespace

TEST(exfat_damage, sound_sets_restore_and_damaged_ones_are_skipped_or_cut_with_a_note)
{
    exfat_test_volume_c v;
    size_t slot = 3;
    const std::vector<uint8_t> kept = test_bytes(1500, 1), gone = test_bytes(700, 2);

    const uint32_t kept_at = v.take(3, false);
    v.fill(kept_at, kept);
    slot = v.add_set(exfat_test_volume_c::root, slot, {u"kept.txt", kept_at, kept.size(), false, true});
    // Its clusters belong to a live file now.
    const uint32_t reused_at = v.take(2, true);
    slot = v.add_set(exfat_test_volume_c::root, slot, {u"reused.txt", reused_at, 1024, false, true});
    // One byte of the name changed after the checksum was written.
    const size_t bad = slot;
    slot = v.add_set(exfat_test_volume_c::root, slot, {u"bad sum.txt", kept_at, 100, false, true});
    v.cluster(exfat_test_volume_c::root)[(bad + 2) * 32 + 4] ^= 1;
    slot = v.add_set(exfat_test_volume_c::root, slot, {u"short name.txt", kept_at, 100, false, true, true, 0x58210000, 40});
    slot = v.add_set(exfat_test_volume_c::root, slot, {u"outside.bin", 100000, 600, false, true});

    // A live folder whose FAT chain loops back on itself.
    const uint32_t loop_at = v.take(2, true);
    v.set_fat(loop_at + 1, loop_at);
    slot = v.add_set(exfat_test_volume_c::root, slot, {u"Loop", loop_at, 8 * 512, true, false, false});
    const uint32_t in_loop_at = v.take(1, false);
    v.add_set(loop_at, 0, {u"inloop.txt", in_loop_at, 10, false, true});

    // A folder that names itself among its own entries.
    const uint32_t outer_at = v.take(1, true);
    slot = v.add_set(exfat_test_volume_c::root, slot, {u"Outer", outer_at, 512, true, false});
    size_t outer_slot = v.add_set(outer_at, 0, {u"Again", outer_at, 512, true, false});
    v.add_set(outer_at, outer_slot, {u"deep.txt", kept_at, 10, false, true});

    // A deleted folder with a deleted file inside.
    const uint32_t gone_dir = v.take(1, false), gone_at = v.take(2, false);
    v.fill(gone_at, gone);
    slot = v.add_set(exfat_test_volume_c::root, slot, {u"Gone", gone_dir, 512, true, true});
    v.add_set(gone_dir, 0, {u"gone file.txt", gone_at, gone.size(), false, true});
    v.seal();

    scanned_s s;
    s.scan(v.bytes);
    EXPECT_TRUE(s.engine.get_error().isEmpty()) << s.engine.get_error().toStdString();
    EXPECT_EQ(s.rows.value(QStringLiteral("/kept.txt")).state, recovery_state_e::intact);
    EXPECT_EQ(s.restore(QStringLiteral("/kept.txt")), as_bytes(kept));
    EXPECT_EQ(s.rows.value(QStringLiteral("/reused.txt")).state, recovery_state_e::overwritten);
    EXPECT_FALSE(s.rows.contains(QStringLiteral("/bad sum.txt")));
    EXPECT_TRUE(s.rows.contains(QStringLiteral("/short name.txt"))) << "cut to the characters its entries hold";
    EXPECT_EQ(s.rows.value(QStringLiteral("/outside.bin")).state, recovery_state_e::no_data);
    {
        QTemporaryDir out;
        EXPECT_EQ(recover_row_to(s.engine, s.rows.value(QStringLiteral("/outside.bin")), out.filePath("o")),
                  recover_no_data);
    }
    EXPECT_TRUE(s.rows.contains(QStringLiteral("/Loop/inloop.txt")));
    EXPECT_TRUE(s.rows.contains(QStringLiteral("/Outer/deep.txt")));
    EXPECT_EQ(s.rows.value(QStringLiteral("/Gone/gone file.txt")).state, recovery_state_e::intact);
    EXPECT_EQ(s.restore(QStringLiteral("/Gone/gone file.txt")), as_bytes(gone));
    EXPECT_EQ(s.rows.size(), 7) << QStringList(s.rows.keys()).join(QLatin1Char('|')).toStdString();
    const std::string note = s.engine.get_note().toStdString();
    for (const char *said : {"1 damaged entry sets", "1 names longer", "inside themselves", "loops or breaks off"})
        EXPECT_NE(note.find(said), std::string::npos) << said << " in: " << note;

    // The boot region damaged: its backup is read, and the rows stay.
    std::vector<uint8_t> damaged = v.bytes;
    damaged[200] ^= 0xFF;
    scanned_s b;
    b.scan(damaged);
    EXPECT_EQ(b.rows.size(), s.rows.size());
    EXPECT_NE(b.engine.get_note().indexOf(QStringLiteral("backup")), -1) << b.engine.get_note().toStdString();
    // Both regions damaged: no exFAT volume, said so.
    damaged[12 * 512 + 200] ^= 0xFF;
    scanned_s none;
    none.scan(damaged);
    EXPECT_TRUE(none.rows.isEmpty());
    EXPECT_EQ(none.engine.get_error(), QStringLiteral("no exFAT file system on the volume"));
}

// The FAT engine on damaged volumes made with mkfs.fat and mtools: a boot
// sector that points the reader into file data, damaged size fields, an
// image cut short. What is listed must stay near what the volume holds.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <random>

#include "engines/fat/fat_recovery.h"
#include "records/found_row.h"
#include "fat_test_image.h"
#include "restore_to_path.h"

namespace {

bool run_tool(const QString &program, const QStringList &args)
{
    return QProcess::execute(program, args) == 0;
}

// An mtools command on image.
bool mtool(const QString &image, const char *tool, const QStringList &args)
{
    return run_tool(QLatin1String(tool), QStringList{QStringLiteral("-i"), image} + args);
}

bool write_file(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Overwrites bytes at offset of an image file.
bool patch(const QString &image, qint64 offset, const QByteArray &bytes)
{
    QFile f(image);
    return f.open(QIODevice::ReadWrite) && f.seek(offset) && f.write(bytes) == bytes.size();
}

QByteArray le32(quint32 v)
{
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    return QByteArray(b, 4);
}

// Words of text, so that a file's bytes are no directory entries.
QByteArray text(qsizetype size, unsigned seed)
{
    static const char *const words[] = {"the", "of", "and", "data", "disk", "file", "folder", "cluster"};
    std::mt19937 gen(seed);
    QByteArray out;
    while (out.size() < size)
        out += QByteArray(words[gen() % 8]) + ' ';
    return out.left(size);
}

struct image_scan_s {
    fat_recovery_c engine;
    QList<found_row_s> rows;

    explicit image_scan_s(std::shared_ptr<block_device_c> volume)
    {
        engine.set_volume(volume_item_s(), volume);
        engine.run();
        rows = found_rows(engine.get_found_tree());
    }
    explicit image_scan_s(const QString &image)
        : image_scan_s(std::shared_ptr<block_device_c>(open_block_device(image.toStdString(), open_mode_e::read)))
    {}
    const recovery_item_s *row(const QString &name) const
    {
        for (const found_row_s &r : rows)
            if (r.row.name == name)
                return &r.row;
        return nullptr;
    }
    // Restores every row into dir; the bytes written.
    qint64 restore_all(const QString &dir)
    {
        qint64 written = 0;
        for (const found_row_s &r : rows) {
            const QString dest = dir + QStringLiteral("/%1").arg(r.row.id);
            recover_item_to(engine, r.row.id, dest);
            written += QFileInfo(dest).size();
        }
        return written;
    }
};

} // namespace

// Catches: a boot sector whose FAT size was raised (128 to 2176 sectors)
// puts the root folder inside a file's data; every 32 bytes there that
// looked like a folder were read as one, and thousands of rows asked for
// a restore of 180 GB from a 64 MiB volume. Also: a cluster that does not
// start like a folder (its own "." first, or sound entries) read as one.
TEST(fat_damage, file_data_is_never_read_as_folders)
{
    {
        fat_test_image_c img(16, 1, 8192);
        img.entry(0, 0, "BINARY     ", 0x10, 40, 0);
        memset(img.slot(40, 0), 0xFF, 64); // two slots of anything but entries
        img.entry(40, 2,
                  "\xE5"
                  "IDDEN  TXT",
                  0x20, 50, 10);
        img.entry(0, 1, "ELSEWHERE  ", 0x10, 41, 0);
        img.entry(41, 0, ".          ", 0x10, 30, 0); // the start of another folder
        img.entry(41, 1, "..         ", 0x10, 0, 0);
        img.entry(41, 2,
                  "\xE5"
                  "LSO    TXT",
                  0x20, 51, 10);
        img.entry(0, 2,
                  "\xE5"
                  "ONE       ",
                  0x10, 42, 0); // a deleted folder that starts as one
        img.entry(42, 0, ".          ", 0x10, 42, 0);
        img.entry(42, 1, "..         ", 0x10, 0, 0);
        img.entry(42, 2,
                  "\xE5"
                  "EPT    TXT",
                  0x20, 52, 10);
        image_scan_s scan(img.device());
        EXPECT_FALSE(scan.engine.store().contains(50)) << "read from a cluster that starts with no entry";
        EXPECT_FALSE(scan.engine.store().contains(51)) << "read from a cluster whose \".\" names another";
        EXPECT_TRUE(scan.engine.store().contains(52)) << "read from a deleted folder's own cluster";
    }

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = dir.filePath(QStringLiteral("volume.img"));
    ASSERT_TRUE(
        run_tool(QStringLiteral("mkfs.fat"),
                 {QStringLiteral("-F"), QStringLiteral("16"), QStringLiteral("-C"), image, QStringLiteral("65536")}));
    // 32-byte records whose names pass for short names and whose other
    // fields are random, as in a database or an archive.
    std::mt19937 gen(5);
    const QByteArray chars("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefghijklmnopqrstuvwxyz_~!");
    QByteArray records;
    while (records.size() < 2560 * 1024) {
        for (int i = 0; i < 11; ++i)
            records += chars[int(gen() % chars.size())];
        if (gen() % 10 < 3)
            records[records.size() - 11] = '\xE5';
        for (int i = 0; i < 21; ++i)
            records += char(gen());
    }
    const QString records_file = dir.filePath(QStringLiteral("records.dat"));
    ASSERT_TRUE(write_file(records_file, records));
    ASSERT_TRUE(
        mtool(image, "mmd", {QStringLiteral("::DOCS"), QStringLiteral("::DOCS/OLD"), QStringLiteral("::TRASH")}));
    ASSERT_TRUE(mtool(image, "mcopy", {records_file, QStringLiteral("::DOCS/RECORDS.DAT")}));
    for (int i = 1; i <= 6; ++i) {
        const QString note = dir.filePath(QStringLiteral("note %1.txt").arg(i));
        ASSERT_TRUE(write_file(note, text(3000 * i, unsigned(i))));
        ASSERT_TRUE(mtool(image, "mcopy", {note, i > 4 ? QStringLiteral("::TRASH/") : QStringLiteral("::DOCS/OLD/")}));
    }
    ASSERT_TRUE(
        mtool(image, "mdel", {QStringLiteral("::DOCS/OLD/note 2.txt"), QStringLiteral("::DOCS/OLD/note 3.txt")}));
    ASSERT_TRUE(mtool(image, "mdeltree", {QStringLiteral("::TRASH")}));

    {
        image_scan_s scan(image);
        for (int i : {2, 3, 5, 6}) {
            const recovery_item_s *row = scan.row(QStringLiteral("note %1.txt").arg(i));
            ASSERT_TRUE(row) << "a real deleted file is lost: note " << i;
            EXPECT_EQ(row->size, 3000u * i);
            EXPECT_EQ(row->state, recovery_state_e::intact);
        }
    }

    ASSERT_TRUE(patch(image, 22, QByteArray("\x80\x08", 2)));
    image_scan_s scan(image);
    EXPECT_TRUE(scan.engine.get_error().isEmpty()) << "the volume still mounts";
    EXPECT_LT(scan.rows.size(), 100) << "rows read from file data";
    qint64 listed = 0;
    for (const found_row_s &r : scan.rows)
        listed += qint64(r.row.size);
    EXPECT_LE(listed, 2 * QFileInfo(image).size());
}

// Catches: size fields raised on sound deleted entries (a restore of all
// rows of a 1.44 MB floppy wrote 23.5 MB): each size ran to the end of the
// volume. A deleted file's data lies in the free clusters after its first
// one, up to a live file or the next deleted one; a cut row says so.
TEST(fat_damage, damaged_sizes_are_believed_only_as_far_as_the_data_can_lie)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = dir.filePath(QStringLiteral("floppy.img"));
    ASSERT_TRUE(run_tool(QStringLiteral("mformat"),
                         {QStringLiteral("-C"), QStringLiteral("-f"), QStringLiteral("1440"), QStringLiteral("-i"),
                          image, QStringLiteral("::")}));
    for (int i = 1; i <= 8; ++i) {
        const QString file = dir.filePath(QStringLiteral("F%1.TXT").arg(i));
        ASSERT_TRUE(write_file(file, text(9000 * i + 100, unsigned(i))));
        ASSERT_TRUE(mtool(image, "mcopy", {file, QStringLiteral("::/")}));
    }
    // F2 is followed by a live file, F4 and F6 too; F8 by free clusters.
    for (int i : {2, 4, 6, 8})
        ASSERT_TRUE(mtool(image, "mdel", {QStringLiteral("::F%1.TXT").arg(i)}));
    QFile read(image);
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    const QByteArray bytes = read.readAll();
    read.close();
    for (int i : {2, 4, 6}) {
        const qsizetype at = bytes.indexOf(QByteArray("\xE5") + QByteArray::number(i) + "      TXT");
        ASSERT_GT(at, 0);
        ASSERT_TRUE(patch(image, at + 28, le32(1400000))) << "within the data area, so the entry stays sound";
    }

    image_scan_s scan(image);
    for (int i : {2, 4, 6}) {
        const recovery_item_s *row = scan.row(QStringLiteral("#%1.TXT").arg(i));
        ASSERT_TRUE(row) << i;
        EXPECT_TRUE(row->size_capped) << i;
        EXPECT_GE(row->size, 9000u * i + 100) << "its own clusters are still believed";
        EXPECT_LT(row->size, 9000u * i + 100 + 1024) << "but not the next file's";
        EXPECT_NE(row->state, recovery_state_e::intact);
    }
    const recovery_item_s *whole = scan.row(QStringLiteral("#8.TXT"));
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->size, 9000u * 8 + 100);
    EXPECT_FALSE(whole->size_capped);
    EXPECT_EQ(whole->state, recovery_state_e::intact);
    EXPECT_LE(scan.restore_all(dir.filePath(QString())), 2 * QFileInfo(image).size());
}

// Catches: a 4 KiB image whose boot sector claims 20 MiB scanned to
// "0 found" as if the volume were empty. Without its root folder the scan
// fails with the reason; with it the scan lists what is there and notes
// what is missing, and files past the end are not intact.
TEST(fat_damage, an_image_shorter_than_its_volume_says_so)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString image = dir.filePath(QStringLiteral("whole.img"));
    ASSERT_TRUE(run_tool(QStringLiteral("mkfs.fat"), {QStringLiteral("-C"), image, QStringLiteral("20480")}));
    const QString small = dir.filePath(QStringLiteral("SMALL.TXT")), big = dir.filePath(QStringLiteral("BIG.TXT"));
    ASSERT_TRUE(write_file(small, text(5000, 1)) && write_file(big, text(4 << 20, 2)));
    ASSERT_TRUE(mtool(image, "mcopy", {small, big, QStringLiteral("::/")}));
    ASSERT_TRUE(mtool(image, "mdel", {QStringLiteral("::SMALL.TXT"), QStringLiteral("::BIG.TXT")}));
    QFile whole(image);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    auto cut = [&](qint64 bytes) {
        const QString path = dir.filePath(QStringLiteral("cut%1.img").arg(bytes));
        whole.seek(0);
        EXPECT_TRUE(write_file(path, whole.read(bytes)));
        return path;
    };

    image_scan_s tiny(cut(4096));
    EXPECT_EQ(tiny.engine.get_error(),
              QStringLiteral("the image holds 4096 bytes of a volume of 20971520 bytes; the rest is missing"));

    image_scan_s part(cut(1 << 20));
    EXPECT_TRUE(part.engine.get_error().isEmpty());
    EXPECT_EQ(part.engine.get_note(),
              QStringLiteral("the image holds 1048576 bytes of a volume of 20971520 bytes; the rest is missing"));
    const recovery_item_s *kept = part.row(QStringLiteral("#MALL.TXT"));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->size, 5000u);
    EXPECT_EQ(kept->state, recovery_state_e::intact);
    const recovery_item_s *past = part.row(QStringLiteral("#IG.TXT"));
    ASSERT_TRUE(past);
    EXPECT_TRUE(past->size_capped);
    EXPECT_LT(past->size, 1u << 20);
    EXPECT_NE(past->state, recovery_state_e::intact);
}

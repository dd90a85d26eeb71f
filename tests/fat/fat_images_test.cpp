// The FAT engine on real images: the fixtures our scripts build (every
// recoverable deleted file listed and restored byte for byte, every deleted
// entry sleuthkit lists found too) and the public images made by others
// (each scans to its end; what their README expects is listed).
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <memory>

#include "engines/fat/fat_recovery.h"
#include "libfat/fat_volume.h"
#include "fixture_manifest.h"
#include "fixtures/outside_tools.h"
#include "records/found_row.h"
#include "engines/fat/fat_results.h"
#include "restore_to_path.h"

namespace {

// Scans the volume of an image file that starts at start_byte.
struct image_scan_s {
    fat_recovery_c engine;
    bool opened = false;

    explicit image_scan_s(const QString &image, qint64 start_byte = 0)
    {
        std::shared_ptr<block_device_c> disk =
            open_block_device(QFile::encodeName(image).toStdString(), open_mode_e::read);
        if (!disk)
            return;
        opened = true;
        std::shared_ptr<block_device_c> volume =
            std::make_shared<slice_device_c>(disk, static_cast<uint64_t>(start_byte),
                                             disk->size() - static_cast<uint64_t>(start_byte));
        engine.set_log(nullptr);
        engine.set_volume(volume_item_s(), volume);
        engine.run();
    }
    const fat_item_s *item(quint32 id) const
    {
        auto it = engine.store().constFind(id);
        return it == engine.store().cend() ? nullptr : &it.value();
    }
};

fat_geometry_s geometry_of(const QString &image)
{
    fat_geometry_s g;
    uint8_t boot[512];
    auto device = open_block_device(QFile::encodeName(image).toStdString(), open_mode_e::read);
    if (device && device->read_exact(0, boot, sizeof boot))
        parse_fat_boot(boot, sizeof boot, 0, g);
    return g;
}

QString shared_images()
{
    return qEnvironmentVariable("TARN_SHARED_IMAGES");
}

// Unpacks a public image into a folder that lives for the whole run.
QString unpack(const QString &relative)
{
    static QTemporaryDir dir;
    const QString source = shared_images() + QLatin1Char('/') + relative;
    if (!QFile::exists(source) || !dir.isValid())
        return QString();
    QString name = QFileInfo(source).fileName();
    QProcess p;
    if (name.endsWith(QLatin1String(".tgz"))) {
        p.start(QStringLiteral("tar"), {QStringLiteral("-xzf"), source, QStringLiteral("-C"), dir.path()});
        p.waitForFinished(120000);
        return dir.filePath(name.chopped(4) + QStringLiteral(".raw"));
    }
    if (!name.endsWith(QLatin1String(".gz")))
        return source;
    name.chop(3);
    p.setStandardOutputFile(dir.filePath(name));
    p.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), source});
    p.waitForFinished(120000);
    return p.exitCode() == 0 ? dir.filePath(name) : QString();
}

// A deleted entry `fls -r -d` lists, with its first cluster.
struct fls_deleted_s {
    QString path;
    quint32 cluster;
};

// The deleted entries fls lists that have a cluster (orphans left out).
std::vector<fls_deleted_s> fls_deleted(const QString &image, const fixture_partition_s &part)
{
    std::vector<fls_deleted_s> listed;
    const qint64 offset = part.offset / 512;
    auto entries = run_fls(image, offset, true);
    if (!entries)
        return listed;
    for (const fls_entry_s &e : *entries) {
        if (e.path.startsWith(QLatin1Char('$')))
            continue;
        auto sector = istat_first_sector(image, offset, e.address);
        if (!sector)
            continue;
        const qint64 data_sector = (part.data_offset - part.offset) / 512;
        if (static_cast<qint64>(*sector) < data_sector)
            continue;
        const quint32 cluster = static_cast<quint32>((*sector - data_sector) * 512 / part.cluster_size + 2);
        listed.push_back({e.path, cluster});
    }
    return listed;
}

// fls shows a lost first character as "_", we show "#" (or the character
// the long name's remains give back).
bool same_name_as_fls(const QString &fls_name, const QString &ours)
{
    return fls_name == ours ||
        (fls_name.startsWith(QLatin1Char('_')) && fls_name.size() == ours.size() && fls_name.mid(1) == ours.mid(1));
}

// Every deleted entry fls lists is ours, under the name fls shows. Two
// entries on one cluster are one record of ours: it carries one of their names.
void expect_fls_entries(const image_scan_s &scan, const std::vector<fls_deleted_s> &listed)
{
    EXPECT_FALSE(listed.empty()) << "fls listed nothing";
    for (const fls_deleted_s &e : listed) {
        const fat_item_s *item = scan.item(e.cluster);
        if (!item) {
            ADD_FAILURE() << "fls lists a deleted entry we do not: " << qPrintable(e.path) << " (cluster " << e.cluster
                          << ")";
            continue;
        }
        bool named = false;
        for (const fls_deleted_s &same : listed)
            named = named ||
                (same.cluster == e.cluster &&
                 same_name_as_fls(same.path.section(QLatin1Char('/'), -1), item->name_string()));
        EXPECT_TRUE(named) << "fls: " << qPrintable(e.path) << ", ours: " << qPrintable(item->name_string());
    }
}

void check_fixture_volume(const QString &manifest_name, int partition)
{
    fixture_manifest_c manifest;
    QString error;
    if (!load_fixture_manifest(manifest_name, manifest, &error))
        GTEST_SKIP() << "fixtures not built: " << qPrintable(error);
    const QString image = fixtures_dir() + QLatin1Char('/') + manifest.image();
    const fixture_partition_s part = manifest.partition(partition);
    ASSERT_EQ(part.number, partition);
    image_scan_s scan(image, part.offset);
    ASSERT_TRUE(scan.opened);
    ASSERT_GT(scan.engine.store().size(), 1) << "the volume did not mount";

    // Rows of the tree, by id.
    QHash<quint64, found_row_s> rows;
    for (const found_row_s &r : found_rows(build_fat_tree(scan.engine.store())))
        rows.insert(r.row.id, r);

    QTemporaryDir out;
    int checked = 0;
    for (const fixture_entry_s &e : manifest.entries()) {
        if (e.partition != partition || e.first_cluster <= 0)
            continue;
        const quint32 id = static_cast<quint32>(e.first_cluster);
        if (!e.deleted) {
            if (e.kind == fixture_kind_e::file && !e.overwritten) {
                EXPECT_FALSE(rows.contains(id) && rows[id].row.size == quint64(e.size) &&
                             !(rows[id].row.flags & fat_attr_deleted))
                    << "an existing file is listed: " << qPrintable(e.path);
            }
            continue;
        }
        if (e.kind == fixture_kind_e::dir) {
            ASSERT_NE(scan.item(id), nullptr) << "deleted folder missing: " << qPrintable(e.path);
            EXPECT_TRUE(scan.item(id)->attributes & fat_attr_deleted);
            continue;
        }
        if (!e.recoverable() || e.fragmented)
            continue;
        ASSERT_TRUE(rows.contains(id)) << "deleted file not listed: " << qPrintable(e.path);
        EXPECT_EQ(rows[id].row.size, quint64(e.size)) << qPrintable(e.path);
        const QString dest = out.filePath(QString::number(id));
        EXPECT_EQ(recover_item_to(scan.engine, id, dest), 0) << qPrintable(e.path);
        EXPECT_EQ(file_sha256(dest), e.sha256) << "restored bytes differ: " << qPrintable(e.path);
        ++checked;
    }
    EXPECT_GT(checked, 0) << "the manifest names no recoverable file";

    expect_fls_entries(scan, fls_deleted(image, part));
}

TEST(fat_fixtures, fat12_deleted_files_are_listed_restored_and_named_as_sleuthkit_names_them)
{
    check_fixture_volume(QStringLiteral("fat12"), 0);
}

TEST(fat_fixtures, fat16_deleted_files_are_listed_restored_and_named_as_sleuthkit_names_them)
{
    check_fixture_volume(QStringLiteral("fat16"), 0);
}

TEST(fat_fixtures, fat32_deleted_files_are_listed_restored_and_named_as_sleuthkit_names_them)
{
    check_fixture_volume(QStringLiteral("fat32"), 0);
}

TEST(fat_fixtures, every_partition_of_the_partitioned_disk)
{
    for (int p = 1; p <= 3; ++p) {
        SCOPED_TRACE(p);
        check_fixture_volume(QStringLiteral("disk"), p);
    }
}

struct public_image_s {
    const char *file;
    int partition;
    qint64 start_byte;
    bool mounts;
};

TEST(fat_public_images, every_one_scans_to_its_end)
{
    const public_image_s images[] = {
        {"dfir_ntfs/fat12.raw.gz", 0, 0, true},
        {"dfir_ntfs/fat16.raw.gz", 0, 0, true},
        {"dfir_ntfs/fat32_full_test.tgz", 0, 0, true},
        {"dfir_ntfs/fat_deleted_dir.raw.gz", 0, 0, true},
        {"dfir_ntfs/fat_deleted_dir_2.raw.gz", 0, 0, true},
        {"dfir_ntfs/fat16_moved.raw.gz", 0, 0, true},
        {"dfir_ntfs/fat_dir.raw.gz", 0, 0, true},
        {"dfir_ntfs/fat_lfn_test.raw.gz", 0, 0, true},
        {"dfir_ntfs/fat32_loop.raw.gz", 0, 0, true},
        {"dfir_ntfs/fat_noloop.raw.gz", 0, 0, true},
        {"dfir_ntfs/fat_unusual_cluster.raw.gz", 0, 0, false}, // 4096-byte sectors
        {"dfir_ntfs/fat32_small.raw.gz", 0, 0, false},         // 2048-byte sectors
        // Partitioned, but its boot sector has neither a "FAT" mark nor a
        // sector count: refused, as sleuthkit refuses it.
        {"dfir_ntfs/fat64.raw.gz", 1, 2048 * 512, false},
        {"lde-testdata/test.fat16.gz", 0, 0, true},
        {"lde-testdata/test.vfat", 0, 0, true},
        {"sleuthkit/fat_dst_test.dd", 0, 0, true},
    };
    if (!QFileInfo::exists(shared_images()))
        GTEST_SKIP() << "no shared test images";
    for (const public_image_s &p : images) {
        SCOPED_TRACE(p.file);
        const QString image = unpack(QString::fromLatin1(p.file));
        ASSERT_FALSE(image.isEmpty());
        image_scan_s scan(image, p.start_byte);
        ASSERT_TRUE(scan.opened);
        EXPECT_EQ(scan.engine.store().contains(0), true) << "the walk did not finish";
        if (p.mounts)
            EXPECT_GT(scan.engine.get_read_count(), 0u);
        else
            EXPECT_EQ(scan.engine.store().size(), 1) << "a volume on foreign sectors must not mount";
    }
}

TEST(fat_public_images, deleted_entries_their_readme_names_are_listed)
{
    if (!QFileInfo::exists(shared_images()))
        GTEST_SKIP() << "no shared test images";
    // fat_deleted_dir: the deleted folder /test (its files have no cluster).
    {
        image_scan_s scan(unpack(QStringLiteral("dfir_ntfs/fat_deleted_dir.raw.gz")));
        bool found = false;
        for (const fat_item_s &r : scan.engine.store())
            found = found || (r.name_string() == QStringLiteral("test") && (r.attributes & 0x50) == 0x50);
        EXPECT_TRUE(found) << "the deleted folder /test, under its long name";
    }
    // Every deleted entry with a cluster that fls lists is ours too, under its name.
    for (const char *file : {"dfir_ntfs/fat_deleted_dir_2.raw.gz", "dfir_ntfs/fat32_full_test.tgz",
                             "dfir_ntfs/fat16_moved.raw.gz", "dfir_ntfs/fat_noloop.raw.gz", "dfir_ntfs/fat_dir.raw.gz",
                             "dfir_ntfs/fat32_loop.raw.gz", "dfir_ntfs/fat_deleted_dir.raw.gz"}) {
        SCOPED_TRACE(file);
        const QString image = unpack(QString::fromLatin1(file));
        image_scan_s scan(image);
        const fat_geometry_s g = geometry_of(image);
        fixture_partition_s part;
        part.offset = 0;
        part.cluster_size = g.cluster_sectors * 512;
        part.data_offset = static_cast<qint64>(g.data_start) * 512;
        expect_fls_entries(scan, fls_deleted(image, part));
    }
}

} // namespace

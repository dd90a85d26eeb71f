// The NTFS tree and row rules over a linked store, and the command line on
// the NTFS fixture: whole, with damaged parent links, and cut short.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QMultiMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fstream>

#include "fixture_manifest.h"
#include "platform/test_images.h"
#include "engines/ntfs/ntfs_results.h"
#include "libntfs/ntfs_layout.h"
#include "libntfs/run_list.h"
#include "ntfs_test_support.h"
#include "records/found_row.h"

namespace {

void put(ntfs_store_t &store, quint64 id, quint64 parent, quint8 flags, const char16_t *name)
{
    ntfs_item_s item;
    item.record.id = id;
    item.record.parent_id = parent;
    item.record.flags = flags;
    item.record.first_time = 1000 + id;
    item.record.second_time = 2000 + id;
    item.record.size = 10 * id;
    for (int i = 0; name[i]; ++i)
        item.record.name[i] = name[i];
    store.insert(id, item);
}

constexpr quint8 dir = ntfs_record_flag_directory, file = ntfs_record_flag_file, gone = ntfs_record_flag_deleted;

// What one scan of an image through the command line reports.
struct cli_scan_s {
    int status = -1;
    std::string errors;                    // the standard error stream
    qint64 summary_found = -1;             // the "N found" of the summary line
    QMultiMap<quint64, std::string> paths; // every listed row, by record number
    QMap<quint64, std::string> states;
};

cli_scan_s scan_with_cli(const std::string &image)
{
    const std::string errors = scratch_dir() + "/scan.err";
    cli_scan_s out;
    const std::string json = run_command(qgetenv("TARN_CLI").toStdString() + " scan " + shell_quote(image) +
                                             " --json 2>" + shell_quote(errors),
                                         &out.status);
    for (const QJsonValue &v : QJsonDocument::fromJson(QByteArray::fromStdString(json)).array()) {
        const quint64 id = v[QStringLiteral("id")].toInteger();
        out.paths.insert(id, v[QStringLiteral("path")].toString().toStdString());
        out.states.insert(id, v[QStringLiteral("state")].toString().toStdString());
    }
    out.errors = read_file(errors);
    const QRegularExpression summary(QStringLiteral("Scanned .*, (\\d+) found"));
    const QRegularExpressionMatch m = summary.match(QString::fromStdString(out.errors));
    if (m.hasMatch())
        out.summary_found = m.captured(1).toLongLong();
    return out;
}

// The first size bytes of image, written to a scratch file.
std::string write_image(const std::string &name, const std::vector<uint8_t> &image, size_t size)
{
    const std::string path = scratch_dir() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(image.data()), std::streamsize(size));
    return path;
}

// Where the unnamed data stream of record n ends on the volume, in bytes; 0
// when it has no clusters.
uint64_t data_end(ntfs_image_s &image, uint64_t n)
{
    uint64_t end = 0;
    for (const auto &found : image.find_all(n, ntfs_attr_data)) {
        std::vector<run_s> runs;
        if (found.first.non_resident && found.first.unnamed)
            decode_run_list(found.first.mapping_pairs, found.first.lowest_vcn, runs);
        for (const run_s &run : runs)
            if (run.lcn != sparse_lcn)
                end = std::max<uint64_t>(end, (uint64_t(run.lcn) + run.length) * image.geometry.cluster_size);
    }
    return end;
}

// Points every name of record n at parent instead of its folder.
void set_parent(ntfs_image_s &image, uint64_t n, uint64_t parent)
{
    const auto names = image.find_all(n, ntfs_attr_file_name);
    ASSERT_FALSE(names.empty()) << "record " << n;
    for (const auto &name : names)
        image.patch(n, name.second, &parent, 6); // the reference's 48-bit record number
}

} // namespace

// System records 0 to 11 never show, even flagged as folder or file; folders
// without a file below them never show; rows carry first time as date1.
TEST(ntfs_found_tree, system_records_and_fileless_folders_stay_hidden)
{
    ntfs_store_t store;
    put(store, 5, 5, dir, u".");
    put(store, 11, 5, dir, u"$Extend");
    put(store, 9, 5, file | gone, u"$Secure");
    put(store, 25, 11, file | gone, u"$ObjId");
    put(store, 30, 5, dir, u"docs");
    put(store, 40, 30, file | gone, u"a.txt");
    put(store, 50, 5, dir | gone, u"only dirs");
    put(store, 51, 50, dir | gone, u"inner");
    put(store, 60, 5, file | gone, u"top.txt");
    link_ntfs_store(store);
    found_folder_s root = build_ntfs_tree(store);
    EXPECT_EQ(root.name, QStringLiteral("/"));
    ASSERT_EQ(root.folders.size(), 1);
    EXPECT_EQ(root.folders[0].name, QStringLiteral("docs"));
    ASSERT_EQ(root.files.size(), 1) << "$Secure (record 9) is not a row";
    const recovery_item_s &top = root.files[0];
    EXPECT_EQ(top.name, QStringLiteral("top.txt"));
    EXPECT_EQ(top.id, 60u);
    EXPECT_EQ(top.size, 600u);
    EXPECT_EQ(top.date1, 1060);
    EXPECT_EQ(top.date2, 2060);
    EXPECT_EQ(top.flags, quint32(file | gone));
    ASSERT_EQ(root.folders[0].files.size(), 1);
    EXPECT_EQ(root.folders[0].files[0].name, QStringLiteral("a.txt"));
}

// Entries that share a name come in id order, not in the store's hash
// order, which changes from one run to the next.
TEST(ntfs_found_tree, same_names_come_in_id_order)
{
    ntfs_store_t store;
    put(store, 5, 5, dir, u".");
    std::vector<quint64> files, folder_files;
    for (quint64 id = 100; id < 120; ++id) {
        put(store, id, 5, file | gone, u"twin.txt");
        files.push_back(id);
    }
    for (quint64 id = 200; id < 210; ++id) {
        put(store, id, 5, dir | gone, u"same");
        put(store, id + 100, id, file | gone, u"x");
        folder_files.push_back(id + 100);
    }
    link_ntfs_store(store);
    const found_folder_s root = build_ntfs_tree(store);
    std::vector<quint64> listed, listed_folders;
    for (const recovery_item_s &row : root.files)
        listed.push_back(row.id);
    for (const found_folder_s &folder : root.folders)
        listed_folders.push_back(folder.files.value(0).id);
    EXPECT_EQ(listed, files);
    EXPECT_EQ(listed_folders, folder_files);
}

// A damaged volume can chain folders without end: 50,000 levels must build,
// list and be freed without running out of stack, and the row keeps its
// whole folder path.
TEST(ntfs_found_tree, folders_fifty_thousand_deep)
{
    constexpr quint64 depth = 50000;
    ntfs_store_t store;
    put(store, 5, 5, dir, u".");
    for (quint64 level = 0; level < depth; ++level)
        put(store, 100 + level, level == 0 ? 5 : 99 + level, dir | gone, u"d");
    put(store, 100 + depth, 99 + depth, file | gone, u"bottom.txt");
    link_ntfs_store(store);
    {
        found_folder_s root = build_ntfs_tree(store);
        const found_folder_s *level = &root;
        quint64 levels = 0;
        while (!level->folders.isEmpty()) {
            level = &level->folders[0];
            ++levels;
        }
        EXPECT_EQ(levels, depth);
        const QList<found_row_s> rows = found_rows(root);
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(rows[0].folders.size(), qsizetype(depth));
        EXPECT_TRUE(rows[0].path().endsWith(QStringLiteral("/d/bottom.txt")));
        found_folder_s copy = root; // a shared copy is freed without walking
    }
}

// scan and recover --all from the command line on an NTFS image: every
// recoverable deleted file of the manifest comes back under its path.
TEST(ntfs_found_tree, command_line_scans_and_recovers_the_fixture)
{
    QString cli = QString::fromLocal8Bit(qgetenv("TARN_CLI"));
    QString image = QString::fromLocal8Bit(qgetenv("TARN_FIXTURES_DIR")) + QStringLiteral("/ntfs.img");
    if (cli.isEmpty() || !QFile::exists(image))
        GTEST_SKIP() << "command line or fixture missing";
    QTemporaryDir out;
    int status = 0;
    std::string json = run_command(shell_quote(cli.toStdString()) + " scan " + shell_quote(image.toStdString()) +
                                       " --json 2>/dev/null",
                                   &status);
    ASSERT_EQ(status, 0) << json;
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json));
    QStringList paths;
    QJsonArray rows = doc.isArray() ? doc.array() : doc.object().value(QStringLiteral("files")).toArray();
    for (const QJsonValue &v : rows) {
        const QJsonObject o = v.toObject();
        paths << o.value(QStringLiteral("path")).toString();
        EXPECT_TRUE(o.value(QStringLiteral("deleted")).isBool());
        EXPECT_FALSE(o.contains(QStringLiteral("date1")) || o.contains(QStringLiteral("flags")));
        EXPECT_TRUE(o.value(QStringLiteral("modified")).toString().endsWith(QLatin1Char('Z')));
    }
    EXPECT_TRUE(paths.contains(QStringLiteral("/Old stuff/drafts/draft one.txt"))) << json;
    EXPECT_TRUE(paths.contains(QStringLiteral("/Compressed/repetitive log.txt")));

    // Names found only in folder indexes have nothing to restore: they are
    // listed as skipped and do not fail the run.
    const std::string report =
        run_command(shell_quote(cli.toStdString()) + " recover " + shell_quote(image.toStdString()) + " --out " +
                        shell_quote(out.path().toStdString()) + " --all 2>&1",
                    &status);
    EXPECT_EQ(status, 0) << report;
    EXPECT_EQ(report.find("failed:"), std::string::npos) << report;
    EXPECT_NE(report.find("skipped: "), std::string::npos) << report;
    int compared = 0;
    fixture_manifest_c manifest;
    ASSERT_TRUE(manifest.load(image.chopped(3) + QStringLiteral("manifest"))) << manifest.error().toStdString();
    for (const fixture_entry_s &m : manifest.entries()) {
        if (!m.recoverable())
            continue;
        EXPECT_EQ(file_sha256(out.filePath(m.path)), m.sha256) << m.path.toStdString();
        ++compared;
    }
    EXPECT_GE(compared, 8);
}

// Damaged parent references must not hide files: a loop of two deleted
// folders, a folder that is its own parent, one whose parent lies past the
// end of the $MFT, and a torn root record. Every file of the intact volume
// is still listed exactly once, those cut off under the lost folder with
// the folders that still hold together, and the summary counts what is
// listed.
TEST(ntfs_found_tree, damaged_parent_links_never_hide_files)
{
    const std::string fixture = qgetenv("TARN_FIXTURES_DIR").toStdString() + "/ntfs.img";
    ntfs_image_s image;
    ASSERT_TRUE(load_ntfs_image(fixture, image)) << fixture;
    const cli_scan_s intact = scan_with_cli(fixture);
    ASSERT_EQ(intact.status, 0);
    EXPECT_EQ(intact.summary_found, intact.paths.size()) << "folders are not found files";
    ASSERT_EQ(intact.paths.value(82), "/Old stuff/drafts/draft one.txt");

    constexpr uint64_t pictures = 67, compressed = 74, old_stuff = 79, drafts = 81;
    set_parent(image, old_stuff, drafts); // drafts lies in Old stuff: a loop
    set_parent(image, pictures, pictures);
    set_parent(image, compressed, uint64_t{1} << 40);
    image.record(ntfs_root_id)[510] ^= 0xFF; // the first stride's check value: torn
    const cli_scan_s damaged = scan_with_cli(write_image("damaged parents.img", image.bytes, image.bytes.size()));
    ASSERT_EQ(damaged.status, 0);
    EXPECT_EQ(damaged.summary_found, damaged.paths.size());
    EXPECT_EQ(damaged.paths.keys(), intact.paths.keys()) << "every file once, none lost or doubled";
    const std::string lost = "/Lost files (no parent)";
    EXPECT_EQ(damaged.paths.value(80), lost + "/Old stuff/plan.txt") << "the loop's lowest record tops it";
    EXPECT_EQ(damaged.paths.value(82), lost + "/Old stuff/drafts/draft one.txt");
    EXPECT_EQ(damaged.paths.value(70), lost + "/Pictures/日本の写真.png");
    EXPECT_EQ(damaged.paths.value(75), lost + "/Compressed/repetitive log.txt");
    EXPECT_EQ(damaged.paths.value(72), "/Document with a fairly long name.txt")
        << "the root's own entries stay in / when its record is torn";
}

// An image cut short. Cut before the $MFT, the scan fails and says how much
// of the volume the image holds, rather than finding nothing. Cut in the
// data area, the same files are listed, the note says what the image holds,
// and a file whose data lies past the cut is not called intact.
TEST(ntfs_found_tree, an_image_cut_short_says_how_much_it_holds)
{
    const std::string fixture = qgetenv("TARN_FIXTURES_DIR").toStdString() + "/ntfs.img";
    ntfs_image_s image;
    ASSERT_TRUE(load_ntfs_image(fixture, image)) << fixture;
    const std::string of_volume = " of the volume's " + std::to_string(image.geometry.volume_bytes) + " bytes";
    const cli_scan_s whole = scan_with_cli(fixture);
    ASSERT_EQ(whole.status, 0);

    const cli_scan_s no_mft = scan_with_cli(write_image("cut before the MFT.img", image.bytes, 4096));
    EXPECT_NE(no_mft.status, 0);
    EXPECT_NE(no_mft.errors.find("failed: only 4096" + of_volume), std::string::npos) << no_mft.errors;
    EXPECT_EQ(no_mft.summary_found, -1) << no_mft.errors;

    constexpr size_t cut = 6u << 20;
    ASSERT_LT(cut, image.bytes.size());
    const cli_scan_s half = scan_with_cli(write_image("cut in the data.img", image.bytes, cut));
    ASSERT_EQ(half.status, 0) << half.errors;
    EXPECT_NE(half.errors.find("note: only " + std::to_string(cut) + of_volume), std::string::npos) << half.errors;
    EXPECT_EQ(half.paths, whole.paths) << "the whole $MFT lies before the cut";
    int past_cut = 0;
    for (auto it = whole.states.cbegin(); it != whole.states.cend(); ++it) {
        const bool past = data_end(image, it.key()) > cut;
        past_cut += past;
        EXPECT_EQ(half.states.value(it.key()), past ? "no_data" : it.value()) << "record " << it.key();
    }
    EXPECT_GT(past_cut, 0) << "the fixture keeps a deleted file's data beyond 6 MiB";
}

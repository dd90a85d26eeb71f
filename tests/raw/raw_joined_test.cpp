// Joined finds through the engine: the scan joins them, the rows say so,
// restores write the pieces in order, and the scan file keeps the pieces.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/disks.h"
#include "engines/raw/raw_recovery.h"
#include "engines/raw/raw_results.h"
#include "platform/volume_path.h"
#include "raw/join_samples.h"
#include "raw/raw_test_util.h"
#include "core/scanfile/scan_check.h"
#include "core/scanfile/scan_file.h"
#include "restore_to_path.h"

namespace {

struct planted_s {
    std::string file;
    uint64_t offset, seam, gap;
};

recovery_state_e state_of(const raw_recovery_c &engine, uint64_t index)
{
    const found_folder_s tree = build_raw_tree(engine);
    for (const found_folder_s &folder : tree.folders)
        for (const recovery_item_s &row : folder.files)
            if (row.id == index)
                return row.state;
    return recovery_state_e::no_data;
}

class raw_joined_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // A PNG, a ZIP and a JPEG cut in two, then a PNG whose second piece is lost.
        const std::string files[] = {make_test_png(200, 150, 8192), make_test_zip(), make_test_jpeg(320, 240)};
        std::string image;
        unsigned seed = 11;
        for (const std::string &f : files) {
            const split_image_s part = split_with_gap(f, f.size() / 3 / 512 * 512, 96 * 512, ++seed);
            planted.push_back({f, image.size() + part.offset, part.seam, part.gap});
            image += part.bytes;
        }
        const std::string lost = make_test_png(200, 150, 8192);
        lost_at = image.size() + 4096;
        image += split_with_gap(lost.substr(0, 8192), 8192, 512, 99).bytes;
        path = dir.filePath(QStringLiteral("image.bin"));
        ASSERT_TRUE(write_file(path, QByteArray(image.data(), static_cast<qsizetype>(image.size()))));
        volume.volume_path = QString::fromStdString(make_volume_path(path.toStdString(), 0));
        engine.set_volume(volume, open_volume_path(volume.volume_path.toStdString(), open_mode_e::read));
        engine.start();
        ASSERT_TRUE(engine.wait(60000));
    }
    const raw_item_s *item_at(const raw_recovery_c &e, uint64_t offset)
    {
        for (const raw_item_s &item : e.items())
            if (item.offset == offset)
                return &item;
        return nullptr;
    }

    QTemporaryDir dir;
    QString path;
    volume_item_s volume;
    raw_recovery_c engine;
    std::vector<planted_s> planted;
    uint64_t lost_at = 0;
};

// Catches: a joined find restored from its first byte on as one stretch,
// a look at its start that ignores the seam or the byte limit,
// pieces written out of order, the row not marked joined, bits of a second
// piece listed as finds of their own, a lost second piece "joined" to noise.
TEST_F(raw_joined_test, scan_joins_and_restores_byte_exact)
{
    for (const planted_s &p : planted) {
        const raw_item_s *item = item_at(engine, p.offset);
        ASSERT_NE(item, nullptr);
        SCOPED_TRACE(item->type_name());
        EXPECT_EQ(item->length, p.file.size());
        EXPECT_EQ(state_of(engine, item->index), recovery_state_e::joined);
        const QString out = dir.filePath(QStringLiteral("out.bin"));
        ASSERT_EQ(recover_item_to(engine, item->index, out), 0);
        EXPECT_TRUE(read_file(out) == QByteArray(p.file.data(), static_cast<qsizetype>(p.file.size())));
        // A look at the start across the seam (the hex view of a large find).
        const QString head = dir.filePath(QStringLiteral("head.bin"));
        recovery_item_s row;
        row.id = item->index;
        const quint64 head_bytes = p.seam + 100;
        ASSERT_EQ(recover_head_to(engine, row, head, head_bytes), 0);
        EXPECT_TRUE(read_file(head) == QByteArray(p.file.data(), static_cast<qsizetype>(head_bytes)));
        QFile::remove(head);
        for (const raw_item_s &other : engine.items())
            EXPECT_FALSE(other.offset >= p.offset + p.seam + p.gap && other.offset < p.offset + p.gap + p.file.size())
                << "a find inside a second piece at " << other.offset;
    }
    const raw_item_s *lost = item_at(engine, lost_at);
    ASSERT_NE(lost, nullptr);
    EXPECT_EQ(state_of(engine, lost->index), recovery_state_e::uncertain_end);
    EXPECT_EQ(engine.pieces().count(lost->index), 0u);
    for (size_t i = 0; i < engine.items().size(); ++i)
        EXPECT_EQ(engine.items()[i].index, i) << "renumbered in order";
}

// Catches: pieces lost on save or reload, a trailer that old files would
// need, a corrupt trailer accepted (cut short, pieces that overlap, a count
// past the end, pieces that do not add up to the entry).
TEST_F(raw_joined_test, scan_file_keeps_pieces_and_refuses_a_corrupt_trailer)
{
    const QString saved = dir.filePath(QStringLiteral("joined.sav"));
    ASSERT_EQ(save_results(engine, volume, saved, nullptr), 0);
    std::vector<raw_item_s> entries;
    raw_pieces_t pieces;
    ASSERT_FALSE(read_scan_file(saved, &entries, &pieces).isEmpty());
    ASSERT_EQ(pieces.size(), planted.size());
    for (const auto &[index, list] : engine.pieces()) {
        ASSERT_EQ(pieces[index].size(), list.size());
        for (size_t i = 0; i < list.size(); ++i)
            EXPECT_TRUE(pieces[index][i].offset == list[i].offset && pieces[index][i].length == list[i].length);
    }
    raw_recovery_c loaded;
    loaded.set_scan_entries(entries);
    loaded.set_scan_pieces(pieces);
    EXPECT_EQ(state_of(loaded, pieces.begin()->first), recovery_state_e::joined);

    // Without the checksum, as a file of before: damage that the checksum
    // would catch first reaches the trailer's own checks.
    const QByteArray bytes = read_file(saved).chopped(scan_file_check_size);
    const qsizetype trailer = 256 + static_cast<qsizetype>(entries.size() * 32);
    auto refused = [&](const QByteArray &file) {
        const QString bad = dir.filePath(QStringLiteral("bad.sav"));
        std::vector<raw_item_s> e;
        QString why;
        return write_file(bad, file) && read_scan_file(bad, &e, nullptr, &why).isEmpty() && !why.isEmpty();
    };
    auto with_u64 = [&](qsizetype at, uint64_t v) {
        QByteArray b = bytes;
        for (int i = 0; i < 8; ++i)
            b[at + i] = static_cast<char>(v >> (8 * i));
        return b;
    };
    const qsizetype first = trailer + 16; // the first joined entry's record
    const raw_piece_s one = pieces.begin()->second[0];
    EXPECT_TRUE(refused(bytes.left(bytes.size() - 8))) << "cut short";
    EXPECT_TRUE(refused(bytes.left(trailer + 12))) << "cut inside the trailer's head";
    EXPECT_TRUE(refused(with_u64(first + 8, 1u << 30))) << "count past the end";
    EXPECT_TRUE(refused(with_u64(first + 32, one.offset + one.length - 512))) << "second piece overlaps the first";
    EXPECT_TRUE(refused(with_u64(first + 24, one.length + 512))) << "lengths do not add up";
    EXPECT_TRUE(refused(with_u64(first, entries.size()))) << "no such entry";
    ASSERT_FALSE(refused(bytes.left(trailer))) << "a file without the trailer is a file of before";
}

} // namespace

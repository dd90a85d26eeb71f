// Names of carved files from their own metadata: the readers on small files
// built at test time, the safe name, and the same names after a scan file reload.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/disks.h"
#include "engines/raw/names/carved_meta.h"
#include "engines/raw/names/carved_name.h"
#include "engines/raw/raw_recovery.h"
#include "engines/raw/raw_results.h"
#include "platform/volume_path.h"
#include "raw/carved_samples.h"
#include "raw/raw_test_util.h"
#include "core/scanfile/scan_file.h"

namespace {

std::string id3v2(int version, const std::string &tit2_body)
{
    const std::string size = bytes_of(tit2_body.size(), 4, true); // under 128: the same in both versions
    const std::string frames = "TPE1" + bytes_of(2, 4, true) + std::string(2, '\0') + std::string("\0A", 2) + "TIT2" +
        size + std::string(2, '\0') + tit2_body;
    const uint32_t n = static_cast<uint32_t>(frames.size() + 20); // padding after the frames
    return "ID3" + std::string(1, char(version)) + std::string(2, '\0') + std::string(1, char(n >> 21 & 0x7f)) +
        char(n >> 14 & 0x7f) + char(n >> 7 & 0x7f) + char(n & 0x7f) + frames + std::string(20, '\0') +
        "\xff\xfb\x90\x00";
}

template <typename reader_t> std::string label_of(reader_t reader, const std::string &bytes)
{
    return meta_of(reader, bytes).label;
}

// Catches: the wrong byte order, DateTime taken over DateTimeOriginal, the
// maker repeated before a model that names it, escapes and UTF-16 of PDF
// strings undecoded, the Info object not found without a usable table, a
// deflated core.xml not inflated or its entities kept, the mini stream of
// a compound file read as if its sectors were in order, ID3 encodings mixed
// up, and noise in an ID3v1 slot taken for a title.
TEST(carved_names_test, readers_take_the_metadata_of_built_files)
{
    const std::string canon = tiff(false, {{0x10f, "Canon"}, {0x110, "Canon EOS 5D"}, {0x132, "2024:01:01 00:00:00"}},
                                   {{0x9003, "2023:12:31 19:01:02"}});
    EXPECT_EQ(label_of(exif_meta, jpeg_with_exif(canon)), "2023-12-31 19-01-02 Canon EOS 5D");
    EXPECT_EQ(label_of(exif_meta,
                       tiff(true, {{0x10f, "NIKON CORPORATION"}, {0x110, "NIKON D750"}, {0x132, "2020:02:29 08:09:10"}},
                            {})),
              "2020-02-29 08-09-10 NIKON D750");
    EXPECT_EQ(label_of(exif_meta, tiff(false, {{0x10f, "Acme"}, {0x110, "Cam 1"}}, {})), "Acme Cam 1");

    EXPECT_EQ(label_of(pdf_meta, pdf("/Author (x) /Title (Report \\(draft\\) caf\\351)", true)),
              "Report (draft) caf\xc3\xa9");
    EXPECT_EQ(label_of(pdf_meta, pdf("/Title <FEFF 0048 0069 d83d de00>", false)), "Hi\xf0\x9f\x98\x80");
    EXPECT_EQ(label_of(pdf_meta, pdf("/Author (x)", true)), "");

    EXPECT_EQ(label_of(ooxml_meta,
                       docx("<cp:coreProperties><dc:title>Q3 &amp; Q4 &#x263A;</dc:title>"
                            "</cp:coreProperties>")),
              "Q3 & Q4 \xe2\x98\xba");

    EXPECT_EQ(label_of(id3_meta, id3v2(3, std::string("\x01\xff\xfeS\0o\0n\0g\0", 11))), "Song");
    EXPECT_EQ(label_of(id3_meta,
                       id3v2(4,
                             "\x03\xc3\x9c"
                             "ber")),
              "\xc3\x9c"
              "ber");
    EXPECT_EQ(label_of(ole2_meta, ole2_with_summary("Budget \xe9t\xe9")), "Budget \xc3\xa9t\xc3\xa9");

    const std::string frames(600, '\xaa');
    EXPECT_EQ(label_of(id3_meta, frames + "TAG" + "Old Title" + std::string(116, '\0')), "Old Title");
    EXPECT_EQ(label_of(id3_meta, frames + "TAG" + "\x01\x9f" + std::string(123, 'z')), "");
}

// Catches: separators, control, reserved or bidirectional characters
// reaching a restored file's name, a title that climbs out of the folder,
// the number or extension lost, an unbounded name.
TEST(carved_names_test, hostile_titles_make_plain_bounded_names)
{
    EXPECT_EQ(carved_file_name(40, "../..\\etc\x01:x*?\"<>|\xe2\x80\xaegpj.exe", "pdf"), "00000040 etc x gpj.exe.pdf");
    EXPECT_EQ(carved_file_name(40, " .. ", "pdf"), "00000040.pdf");
    EXPECT_EQ(carved_file_name(3, "\xff\xfe bad", "mp3"), "00000003 bad.mp3");
    const std::string name = carved_file_name(12345678, std::string(500, 'x') + "\xc3\xa9", "doc");
    EXPECT_EQ(name, "12345678 " + std::string(carved_label_chars, 'x') + ".doc");
}

// Catches: names that depend on what only the scan knew, so a reloaded scan
// file shows (and restores) its files under other names.
TEST(carved_names_test, a_reloaded_scan_names_its_files_as_the_scan_did)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string doc = pdf("/Title (Minutes)", true);
    std::vector<planted_file_s> files = {{QStringLiteral("a.pdf"), "pdf", QByteArray::fromStdString(doc)}};
    const QString image = dir.filePath(QStringLiteral("image.bin"));
    ASSERT_TRUE(write_file(image, plant_files(files, 3)));
    volume_item_s volume;
    volume.volume_path = QString::fromStdString(make_volume_path(image.toStdString(), 0));
    raw_recovery_c scanned;
    scanned.set_volume(volume, open_volume_path(volume.volume_path.toStdString(), open_mode_e::read));
    scanned.start();
    ASSERT_TRUE(scanned.wait(60000));
    const found_folder_s before = scanned.get_found_tree();
    ASSERT_EQ(before.folders.size(), 1);
    ASSERT_EQ(before.folders[0].files.size(), 1);
    EXPECT_EQ(before.folders[0].files[0].name, QStringLiteral("00000000 Minutes.pdf"));

    const QString sav = dir.filePath(QStringLiteral("scan.sav"));
    ASSERT_EQ(save_results(scanned, volume, sav, nullptr), 0);
    std::vector<raw_item_s> entries;
    raw_recovery_c reloaded;
    reloaded.set_volume(volume, open_volume_path(volume.volume_path.toStdString(), open_mode_e::read));
    ASSERT_FALSE(read_scan_file(sav, &entries).isEmpty());
    reloaded.set_scan_entries(std::move(entries));
    EXPECT_EQ(reloaded.get_found_tree().folders[0].files[0].name, before.folders[0].files[0].name);
}

} // namespace

// Names of carved files from their own metadata: the readers on small files
// built here, the safe name, and the same names after a scan file reload.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QTemporaryDir>

#include "engines/raw/names/carved_meta.h"
#include "engines/raw/names/carved_name.h"
#include "engines/raw/raw_recovery.h"
#include "engines/raw/raw_results.h"
#include "platform/volume_path.h"
#include "raw/raw_test_util.h"
#include "results/scan_file.h"

namespace {

std::string bytes_of(uint64_t v, int n, bool big)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s.push_back(static_cast<char>(v >> 8 * (big ? n - 1 - i : i)));
    return s;
}

// A TIFF with the ASCII tags given in IFD0 and, when date_taken is set, an
// EXIF IFD holding DateTimeOriginal.
std::string tiff(bool big, const std::vector<std::pair<uint16_t, std::string>> &tags, const std::string &date_taken)
{
    const bool exif = !date_taken.empty();
    const uint32_t ifd0_size = 2 + 12 * uint32_t(tags.size() + exif) + 4, exif_at = 8 + ifd0_size;
    uint32_t data_at = exif_at + (exif ? 18 : 0);
    std::string ifd, data;
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        ifd += bytes_of(tag, 2, big) + bytes_of(type, 2, big) + bytes_of(count, 4, big) + bytes_of(value, 4, big);
    };
    auto ascii = [&](uint16_t tag, const std::string &text) {
        entry(tag, 2, uint32_t(text.size() + 1), data_at + uint32_t(data.size()));
        data += text + '\0';
    };
    ifd += bytes_of(tags.size() + exif, 2, big);
    for (const auto &[tag, text] : tags)
        ascii(tag, text);
    if (exif)
        entry(0x8769, 4, 1, exif_at);
    ifd += bytes_of(0, 4, big);
    if (exif) {
        ifd += bytes_of(1, 2, big);
        ascii(0x9003, date_taken);
        ifd += bytes_of(0, 4, big);
    }
    return std::string(big ? "MM\0*" : "II*\0", 4) + bytes_of(8, 4, big) + ifd + data;
}

std::string jpeg_with_exif(const std::string &tiff_bytes)
{
    const std::string app1 = std::string("Exif\0\0", 6) + tiff_bytes;
    return "\xff\xd8\xff\xe0" + bytes_of(4, 2, true) + "JF" + "\xff\xe1" + bytes_of(app1.size() + 2, 2, true) + app1 +
        "\xff\xda" + bytes_of(8, 2, true) + "......\xff\xd9";
}

// A PDF whose object 2 is the information dictionary info; with a
// cross-reference table that points at it, or with a stale one.
std::string pdf(const std::string &info, bool table)
{
    std::string s = "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\n";
    const size_t two = s.size();
    s += "2 0 obj\n<< " + info + " >>\nendobj\n";
    const size_t xref = s.size();
    char entry[24];
    snprintf(entry, sizeof entry, "%010zu 00000 n \n", table ? two : size_t(0));
    s += std::string("xref\n0 3\n0000000000 65535 f \n0000000009 00000 n \n") + entry;
    s += "trailer\n<< /Root 1 0 R /Info 2 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return s;
}

// A zip of two entries: one stored, then docProps/core.xml deflated.
std::string docx(const std::string &core)
{
    std::string packed(compressBound(static_cast<uLong>(core.size())) + 64, '\0');
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(core.data()));
    z.avail_in = static_cast<uInt>(core.size());
    z.next_out = reinterpret_cast<Bytef *>(packed.data());
    z.avail_out = static_cast<uInt>(packed.size());
    deflate(&z, Z_FINISH);
    packed.resize(z.total_out);
    deflateEnd(&z);
    std::string zip, dir;
    int count = 0;
    auto add = [&](const std::string &name, uint16_t method, const std::string &data, size_t size) {
        const std::string sizes = bytes_of(0, 4, false) + bytes_of(data.size(), 4, false) + bytes_of(size, 4, false);
        const std::string common = bytes_of(20, 2, false) + bytes_of(0, 2, false) + bytes_of(method, 2, false) +
            bytes_of(0, 4, false) + sizes + bytes_of(name.size(), 2, false);
        dir += "PK\x01\x02" + bytes_of(20, 2, false) + common + std::string(12, '\0') + bytes_of(zip.size(), 4, false) +
            name;
        zip += "PK\x03\x04" + common + bytes_of(0, 2, false) + name + data;
        ++count;
    };
    add("[Content_Types].xml", 0, "<Types/>", 8);
    add("docProps/core.xml", 8, packed, core.size());
    return zip + dir + "PK\x05\x06" + std::string(4, '\0') + bytes_of(count, 2, false) + bytes_of(count, 2, false) +
        bytes_of(dir.size(), 4, false) + bytes_of(zip.size(), 4, false) + std::string(2, '\0');
}

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

// A compound file whose SummaryInformation stream, in the mini stream with
// its two mini sectors out of order, holds title in code page 1252.
std::string ole2_with_title(const std::string &title)
{
    auto le = [](uint64_t v, int n) { return bytes_of(v, n, false); };
    std::string text = title + '\0';
    text.resize((text.size() + 3) / 4 * 4, '\0');
    const std::string section = le(40 + text.size(), 4) + le(2, 4) + le(1, 4) + le(24, 4) + le(2, 4) + le(32, 4) +
        le(2, 4) + le(1252, 2) + le(0, 2) + le(0x1e, 4) + le(text.size(), 4) + text;
    std::string set = le(0xfffe, 2) + le(0, 2) + le(0x20006, 4) + std::string(16, '\0') + le(1, 4) +
        std::string(16, 'F') + le(48, 4) + section;
    const size_t set_size = set.size(); // at most two mini sectors
    set.resize(128, '\0');
    const uint32_t end = 0xfffffffe, free_ = 0xffffffff;
    std::string header = "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + std::string(16, '\0') + le(0x3e, 2) + le(3, 2) +
        le(0xfffe, 2) + le(9, 2) + le(6, 2) + std::string(10, '\0') + le(1, 4) + le(1, 4) + le(0, 4) + le(4096, 4) +
        le(2, 4) + le(1, 4) + le(end, 4) + le(0, 4) + le(0, 4);
    for (int i = 1; i < 109; ++i)
        header += le(free_, 4);
    std::string fat = le(0xfffffffd, 4) + le(end, 4) + le(end, 4) + le(end, 4);
    std::string mini_fat = le(end, 4) + le(free_, 4) + le(0, 4);
    fat.resize(512, '\xff');
    mini_fat.resize(512, '\xff');
    std::string dir(512, '\0');
    auto entry = [&](int i, const std::u16string &name, char kind, uint32_t start, uint32_t size) {
        for (size_t k = 0; k < name.size(); ++k)
            dir.replace(128 * i + 2 * k, 2, le(name[k], 2));
        dir.replace(128 * i + 64, 3, le(2 * name.size() + 2, 2) + kind);
        dir.replace(128 * i + 116, 8, le(start, 4) + le(size, 4));
    };
    entry(0, u"Root Entry", 5, 3, 192);
    entry(1, u"\u0005SummaryInformation", 2, 2, static_cast<uint32_t>(set_size));
    std::string mini = set.substr(64, 64) + std::string(64, 'j') + set.substr(0, 64);
    mini.resize(512, '\0');
    return header + fat + dir + mini_fat + mini;
}

template <typename reader_t> std::string read_with(reader_t reader, const std::string &bytes)
{
    sc_span_source_c file(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    return reader(file);
}

// Catches: the wrong byte order, DateTime taken over DateTimeOriginal, the
// maker repeated before a model that names it, escapes and UTF-16 of PDF
// strings undecoded, the Info object not found without a usable table, a
// deflated core.xml not inflated or its entities kept, the mini stream of
// a compound file read as if its sectors were in order, ID3 encodings mixed
// up, and noise in an ID3v1 slot taken for a title.
TEST(carved_names_test, readers_take_the_metadata_of_built_files)
{
    const std::string canon =
        tiff(false, {{0x10f, "Canon"}, {0x110, "Canon EOS 5D"}, {0x132, "2024:01:01 00:00:00"}}, "2023:12:31 19:01:02");
    EXPECT_EQ(read_with(exif_label, jpeg_with_exif(canon)), "2023-12-31 19-01-02 Canon EOS 5D");
    EXPECT_EQ(read_with(exif_label,
                        tiff(true,
                             {{0x10f, "NIKON CORPORATION"}, {0x110, "NIKON D750"}, {0x132, "2020:02:29 08:09:10"}},
                             "")),
              "2020-02-29 08-09-10 NIKON D750");
    EXPECT_EQ(read_with(exif_label, tiff(false, {{0x10f, "Acme"}, {0x110, "Cam 1"}}, "")), "Acme Cam 1");

    EXPECT_EQ(read_with(pdf_title, pdf("/Author (x) /Title (Report \\(draft\\) caf\\351)", true)),
              "Report (draft) caf\xc3\xa9");
    EXPECT_EQ(read_with(pdf_title, pdf("/Title <FEFF 0048 0069 d83d de00>", false)), "Hi\xf0\x9f\x98\x80");
    EXPECT_EQ(read_with(pdf_title, pdf("/Author (x)", true)), "");

    EXPECT_EQ(read_with(ooxml_title,
                        docx("<cp:coreProperties><dc:title>Q3 &amp; Q4 &#x263A;</dc:title>"
                             "</cp:coreProperties>")),
              "Q3 & Q4 \xe2\x98\xba");

    EXPECT_EQ(read_with(id3_title, id3v2(3, std::string("\x01\xff\xfeS\0o\0n\0g\0", 11))), "Song");
    EXPECT_EQ(read_with(id3_title,
                        id3v2(4,
                              "\x03\xc3\x9c"
                              "ber")),
              "\xc3\x9c"
              "ber");
    EXPECT_EQ(read_with(ole2_title, ole2_with_title("Budget \xe9t\xe9")), "Budget \xc3\xa9t\xc3\xa9");

    const std::string frames(600, '\xaa');
    EXPECT_EQ(read_with(id3_title, frames + "TAG" + "Old Title" + std::string(116, '\0')), "Old Title");
    EXPECT_EQ(read_with(id3_title, frames + "TAG" + "\x01\x9f" + std::string(123, 'z')), "");
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
    scanned.set_volume(volume);
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
    reloaded.set_volume(volume);
    ASSERT_FALSE(read_scan_file(sav, &entries).isEmpty());
    reloaded.set_scan_entries(std::move(entries));
    EXPECT_EQ(reloaded.get_found_tree().folders[0].files[0].name, before.folders[0].files[0].name);
}

} // namespace

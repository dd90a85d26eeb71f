// Structure checks on bytes built here, the choice among types that share a
// header, and the library's scan and read calls on image files.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>

#include "checks/sc_check.h"
#include "libsc.h"
#include "platform/volume_path.h"
#include "sc_control_access.h"
#include "sc_scanner.h"

using namespace std::string_literals;

namespace {

using bytes_t = std::string;

sc_result_s run_check(const char *name, const bytes_t &b)
{
    sc_span_source_c source(reinterpret_cast<const uint8_t *>(b.data()), b.size());
    sc_cursor_c cursor(source);
    return find_sc_check(name)(cursor);
}

bytes_t be32(uint32_t v)
{
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

bytes_t le32(uint32_t v)
{
    return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

bytes_t png_chunk(const char *type, const bytes_t &data)
{
    return be32(static_cast<uint32_t>(data.size())) + type + data + "CRC!";
}

// Catches: a JPEG end taken from an 0xFFD9 inside a segment, restart
// markers or stuffed bytes taken as the end of scan data.
TEST(raw_checks, jpeg_marker_walk_skips_segments_and_scan_data)
{
    bytes_t app = bytes_t("\xff\xe0", 2) + bytes_t("\x00\x06", 2) + bytes_t("\xff\xd9\xff\xd9", 4);
    bytes_t scan = bytes_t("\xff\xda\x00\x04\x01\x02", 6) + bytes_t("\x11\xff\x00\x22\xff\xd0\x33\xff\xff\xd1", 10);
    bytes_t jpeg = bytes_t("\xff\xd8", 2) + app + scan + bytes_t("\xff\xd9", 2);
    sc_result_s r = run_check("jpeg", jpeg + bytes_t(100, '\0'));
    EXPECT_EQ(r.verdict, sc_verdict_e::whole);
    EXPECT_EQ(r.length, jpeg.size());
    EXPECT_EQ(run_check("jpeg", jpeg.substr(0, 20)).verdict, sc_verdict_e::broken);
    EXPECT_EQ(run_check("jpeg", bytes_t("\xff\xd8\xff\x00\x00\x00", 6)).verdict, sc_verdict_e::reject);
}

// Catches: a walk over scan data read from a device (not in memory) that
// reads its window again at every stuffed 0xff, or loses the end two
// windows on.
TEST(raw_checks, jpeg_walk_from_a_device_reads_each_byte_about_once)
{
    struct counted_source_c : sc_source_c {
        const bytes_t &bytes;
        uint64_t read_total = 0;
        explicit counted_source_c(const bytes_t &b) : bytes(b) {}
        uint64_t limit() const override { return bytes.size(); }
        size_t read(uint64_t pos, void *buffer, size_t len) override
        {
            len = std::min<size_t>(len, bytes.size() - std::min<size_t>(pos, bytes.size()));
            memcpy(buffer, bytes.data() + pos, len);
            read_total += len;
            return len;
        }
    };
    bytes_t scan = bytes_t("\xff\xd8\xff\xda\x00\x02", 6);
    while (scan.size() < 300 * 1024)
        scan += bytes_t("\x12\xff\x00", 3) + bytes_t(1 + scan.size() % 50, '\x34');
    scan.resize(2 * 65536 - 1);
    const bytes_t jpeg = scan + bytes_t("\xff\xd9", 2);
    counted_source_c source(jpeg);
    sc_cursor_c cursor(source);
    const sc_result_s r = find_sc_check("jpeg")(cursor);
    EXPECT_EQ(r.verdict, sc_verdict_e::whole);
    EXPECT_EQ(r.length, jpeg.size());
    EXPECT_LT(source.read_total, 3 * jpeg.size());
}

// Catches: PNG end found by searching for IEND bytes inside image data, and
// a huge chunk length read as valid.
TEST(raw_checks, png_chunk_walk)
{
    bytes_t sig("\x89PNG\r\n\x1a\n", 8);
    bytes_t png = sig + png_chunk("IHDR", bytes_t(13, 'h')) + png_chunk("IDAT", "xxIENDxx") + png_chunk("IEND", "");
    sc_result_s r = run_check("png", png + "trailing");
    EXPECT_EQ(r.verdict, sc_verdict_e::whole);
    EXPECT_EQ(r.length, png.size());
    bytes_t huge = sig + png_chunk("IHDR", bytes_t(13, 'h')) + be32(0x7ffffff0) + "IDAT";
    r = run_check("png", huge + bytes_t(64, 'z'));
    EXPECT_EQ(r.verdict, sc_verdict_e::broken);
    EXPECT_LE(r.length, huge.size() + 64);
}

// Catches: the last %%EOF not chosen when an incremental update follows, or
// a later unrelated %%EOF taken.
TEST(raw_checks, pdf_ends_at_the_last_eof_of_its_updates)
{
    bytes_t one = "%PDF-1.4\n1 0 obj\nendobj\n%%EOF\n";
    bytes_t update = "2 0 obj\nendobj\nxref\n%%EOF\r\n";
    EXPECT_EQ(run_check("pdf", one + update + "junk %%EOF\n").length, (one + update).size());
    EXPECT_EQ(run_check("pdf", one + "\0\0junk %%EOF"s).length, one.size());
}

// Catches: the EOCD of a zip stored inside a zip taken as the outer end;
// content that names the type ignored.
TEST(raw_checks, zip_end_is_the_record_that_closes_its_own_directory)
{
    auto local = [](const bytes_t &name, const bytes_t &data) {
        return bytes_t("PK\x03\x04", 4) + bytes_t(14, '\0') + le32(static_cast<uint32_t>(data.size())) +
            le32(static_cast<uint32_t>(data.size())) + bytes_t{char(name.size()), 0, 0, 0} + name + data;
    };
    auto central = [](const bytes_t &name, uint32_t at) {
        return bytes_t("PK\x01\x02", 4) + bytes_t(24, '\0') + bytes_t{char(name.size()), 0, 0, 0, 0, 0} +
            bytes_t(8, '\0') + le32(at) + name;
    };
    auto eocd = [](uint32_t cd_size, uint32_t cd_at) {
        return bytes_t("PK\x05\x06", 4) + bytes_t(8, '\0') + le32(cd_size) + le32(cd_at) + bytes_t(2, '\0');
    };
    bytes_t inner_local = local("x", "data");
    bytes_t inner_cd = central("x", 0);
    bytes_t inner = inner_local + inner_cd +
        eocd(static_cast<uint32_t>(inner_cd.size()), static_cast<uint32_t>(inner_local.size()));
    bytes_t outer_local = local("word/inner.zip", inner);
    bytes_t outer_cd = central("word/inner.zip", 0);
    bytes_t outer = outer_local + outer_cd +
        eocd(static_cast<uint32_t>(outer_cd.size()), static_cast<uint32_t>(outer_local.size()));
    sc_result_s r = run_check("zip", outer + bytes_t(50, '\0'));
    EXPECT_EQ(r.verdict, sc_verdict_e::whole);
    EXPECT_EQ(r.length, outer.size());
    EXPECT_STREQ(r.subtype, "docx");
    r = run_check("zip", outer.substr(0, outer.size() - 10));
    EXPECT_EQ(r.verdict, sc_verdict_e::broken);
}

// Catches: big-endian TIFF read little-endian, strips beyond the IFD not
// counted, an IFD chain that loops forever.
TEST(raw_checks, tiff_extent_in_both_byte_orders_and_looping_ifds)
{
    // MM header, IFD at 8 with StripOffsets=100 (LONG) and StripByteCounts=50.
    bytes_t t = bytes_t("MM\x00\x2a", 4) + be32(8) + bytes_t("\x00\x02", 2);
    t += bytes_t("\x01\x11\x00\x04", 4) + be32(1) + be32(100);
    t += bytes_t("\x01\x17\x00\x04", 4) + be32(1) + be32(50);
    t += be32(0);
    t.resize(150, 'p');
    sc_result_s r = run_check("tiff", t + bytes_t(30, '\0'));
    EXPECT_EQ(r.verdict, sc_verdict_e::whole);
    EXPECT_EQ(r.length, 150u);
    bytes_t loop = t;
    loop.replace(8 + 2 + 24, 4, be32(8)); // next IFD points back at itself
    r = run_check("tiff", loop);
    EXPECT_NE(r.verdict, sc_verdict_e::reject);
    EXPECT_LE(r.length, loop.size());
}

// Catches: markup or JSON run on past its close into what follows, a close
// inside the file taken for the end, UTF-16 without a mark not read, plain
// text claimed whole when garbage rather than zeros follows it, fill
// patterns, short runs and noise behind a UTF-16 mark taken for text.
TEST(raw_checks, text_kinds_end_where_their_structure_closes)
{
    auto text = [](const bytes_t &b, const char *kind, size_t length, sc_verdict_e verdict) {
        SCOPED_TRACE(b.substr(0, 20));
        sc_result_s r = run_check("text", b);
        ASSERT_EQ(r.verdict, verdict);
        EXPECT_EQ(r.length, length);
        EXPECT_STREQ(r.subtype, kind);
    };
    const bytes_t body = "<p>Opening hours are nine to five on weekdays, closed on Sundays.</p>\n";
    const bytes_t html = "<!DOCTYPE html>\n<html><body>" + body + "<!-- </html> -->" + body + "</html>\r\n";
    text(html + "Trailing words of another file that follow here" + bytes_t(40, '\0'), "html", html.size(),
         sc_verdict_e::whole);
    const bytes_t xml = "<?xml version=\"1.0\"?>\n<list><list><item>first entry in the list</item></list>"
                        "<item>second one, with more words</item></list>\n";
    text(xml + bytes_t(7, '\0'), "xml", xml.size(), sc_verdict_e::whole);
    const bytes_t json =
        "{\"name\": \"inventory\", \"items\": [1, 2.5e3, -4, {\"ok\": true, \"s\": \"}]\"}], \"x\": null}\n";
    text(json + "{\"next\": 1}\n" + bytes_t(9, '\0'), "json", json.size() + 12, sc_verdict_e::whole);
    text(json + "and words after it" + bytes_t(9, '\0'), "json", json.size(), sc_verdict_e::whole);
    const bytes_t ini = "[Section]\nkey=value for the settings of this program\nother=second value here\n";
    text(ini + bytes_t(5, '\0'), "txt", ini.size(), sc_verdict_e::whole);
    bytes_t utf16;
    for (char ch : bytes_t("Notes kept in wide characters, big end first, without a mark.\n"))
        utf16 += bytes_t{'\0', ch};
    text(utf16 + bytes_t(8, '\0'), "txt", utf16.size(), sc_verdict_e::whole);
    const bytes_t prose = "Plain words of a letter, written to say that the parcel has arrived safely.\n";
    text(prose + bytes_t(512 - prose.size(), '\0') + "tail", "txt", prose.size(), sc_verdict_e::whole);
    text(prose + "\x01\x02garbage", "txt", prose.size(), sc_verdict_e::broken);
    for (const bytes_t &not_text :
         {bytes_t(600, 'x'), bytes_t(600, ' '), bytes_t("short line\n") + bytes_t(30, '\0'), bytes_t(600, '\0')})
        EXPECT_EQ(run_check("text", not_text).verdict, sc_verdict_e::reject) << not_text.substr(0, 12);
    std::mt19937 rng(4);
    for (int round = 0; round < 200; ++round) {
        bytes_t noise = round % 2 ? "\xff\xfe" : "\xfe\xff";
        while (noise.size() < 512)
            noise.push_back(char(rng()));
        EXPECT_EQ(run_check("text", noise).verdict, sc_verdict_e::reject) << "round " << round;
    }
}

// Catches: notes named as scripts for one line that starts like a statement
// ("import", "from", "def", "let", "#!"), and real scripts no longer named.
TEST(raw_checks, text_named_by_its_kind_only_with_that_kinds_marks)
{
    auto kind_of = [](const bytes_t &text) {
        sc_result_s r = run_check("text", text + bytes_t(16, '\0'));
        return std::string(r.subtype ? r.subtype : "");
    };
    const bytes_t notes[] = {
        "Shopping and errands for the week ahead, written down so nothing is missed.\n"
        "import the photos from the camera before the trip\n"
        "from the station take the second bus to the harbour\n"
        "def leppard tickets: ask Sam whether the seats are together\n",
        "Minutes of the meeting held on Tuesday, kept by the secretary.\n"
        "let the committee know about the new opening hours\n"
        "const reminders were sent, and the hall is booked again.\n"
        "class Notes:\nbring them to the next meeting, with the accounts for the year\n",
        "#!! Important: the boiler is serviced in May, call them a week before.\n"
        "Keep the receipts in the blue folder on the top shelf of the cupboard.\n",
    };
    for (const bytes_t &note : notes)
        EXPECT_EQ(kind_of(note), "txt") << note.substr(0, 40);
    EXPECT_EQ(kind_of("import os\nimport sys\n\n\ndef main(argv):\n    return len(argv)\n\n"
                      "if __name__ == '__main__':\n    sys.exit(main(sys.argv))\n"),
              "py");
    EXPECT_EQ(kind_of("#!/bin/sh\nset -e\nfor f in *.log; do gzip \"$f\"; done\necho compressed all the logs\n"), "sh");
    EXPECT_EQ(kind_of("const fs = require('fs');\nfunction count(path) {\n  return fs.readdirSync(path).length;\n}\n"
                      "module.exports = count;\n"),
              "js");
}

// Catches: a 7z start header accepted without its CRC, so random bytes
// after the signature give a huge find.
TEST(raw_checks, sevenzip_start_header_crc_is_checked)
{
    bytes_t bad = bytes_t("7z\xbc\xaf\x27\x1c\x00\x04", 8) + le32(12345) + bytes_t(20, '\x01');
    EXPECT_EQ(run_check("7z", bad + bytes_t(100, '\0')).verdict, sc_verdict_e::reject);
}

bytes_t le64(uint64_t v)
{
    return le32(static_cast<uint32_t>(v)) + le32(static_cast<uint32_t>(v >> 32));
}

bytes_t crc_of(const bytes_t &b)
{
    return le32(
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef *>(b.data()), static_cast<uInt>(b.size()))));
}

// Catches: end markers that compressed data happens to hold taken as the
// end (bzip2's stream CRC, xz's index not checked), files of several
// streams cut after the first, and files without an end
// marker or a current size left to run on to a zeroed sector: a PDF cut
// before its %%EOF, an SQLite file whose page count a writer left stale, an
// ASF broadcast without a file size.
TEST(raw_checks, ends_given_by_structure_where_markers_are_missing_or_false)
{
    const bytes_t bz_block = "\x31\x41\x59\x26\x53\x59\x12\x34\x56\x78"
                             "data";
    const bytes_t bz_false_end = "\x17\x72\x45\x38\x50\x90\xde\xad\xbe\xef"
                                 "more";
    const bytes_t bz = "BZh9" + bz_block + bz_false_end + "\x17\x72\x45\x38\x50\x90\x12\x34\x56\x78";
    sc_result_s r = run_check("bzip2", bz + bytes_t(64, 'z'));
    EXPECT_EQ(r.verdict, sc_verdict_e::whole);
    EXPECT_EQ(r.length, bz.size());
    // Streams one after another, as parallel compressors write them, are one file.
    EXPECT_EQ(run_check("bzip2", bz + bz + bytes_t(64, 'z')).length, 2 * bz.size());

    const bytes_t flags("\0\1", 2), index("\0\0\0\0", 4);
    auto footer = [&](uint32_t backward) { return crc_of(le32(backward) + flags) + le32(backward) + flags + "YZ"; };
    const bytes_t xz_header = bytes_t("\xfd"
                                      "7zXZ\0",
                                      6) +
        flags + crc_of(flags);
    const bytes_t xz = xz_header + "\1\1\1\1" + footer(0) + bytes_t(4, 'b') + index + crc_of(index) + footer(1);
    r = run_check("xz", xz + bytes_t(64, 'z'));
    EXPECT_EQ(r.verdict, sc_verdict_e::whole);
    EXPECT_EQ(r.length, xz.size());
    const bytes_t two_streams = xz + bytes_t(8, '\0') + xz;
    EXPECT_EQ(run_check("xz", two_streams + bytes_t(64, '\0')).length, two_streams.size());

    const bytes_t pdf =
        "%PDF-1.4\n1 0 obj\n<< >>\nendobj\nxref\n0 1\n0000000000 65535 f \ntrailer\n<< >>\nstartxref\n30\n";
    EXPECT_EQ(run_check("pdf", pdf + "Q" + bytes_t(600, 'z')).length, pdf.size());
    const bytes_t cut = "%PDF-1.4\n1 0 obj\n<< >>\nendobj\n";
    EXPECT_EQ(run_check("pdf", cut + "Q" + bytes_t(600, 'z')).length, cut.size());

    bytes_t sqlite = bytes_t("SQLite format 3\0", 16) + bytes_t("\x02\x00", 2) + bytes_t(1024 - 18, '\0');
    sqlite.replace(28, 4, be32(2)); // two pages of 512
    sqlite.replace(92, 4, be32(7)); // valid for another change count: stale
    EXPECT_EQ(run_check("sqlite", sqlite + bytes_t(512, 'z')).length, 1024u);
    EXPECT_EQ(run_check("sqlite", sqlite + "\x0d" + bytes_t(511, '\0')).length, 0u) << "a b-tree page follows";

    const bytes_t props_guid("\xa1\xdc\xab\x8c\x47\xa9\xcf\x11\x8e\xe4\x00\xc0\x0c\x20\x53\x65", 16);
    const bytes_t data_guid("\x36\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c", 16);
    const bytes_t index_guid("\x90\x08\x00\x33\xb1\xe5\xcf\x11\x89\xf4\x00\xa0\xc9\x03\x49\xcb", 16);
    const bytes_t props = props_guid + le64(104) + bytes_t(16, 'i') + le64(0) + bytes_t(8, 'd') + le64(3) +
        bytes_t(28, 't') + le32(100) + le32(100) + bytes_t(4, 'r');
    const bytes_t header = bytes_t("\x30\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c", 16) + le64(134) +
        le32(1) + "\x01\x02" + props;
    const bytes_t asf =
        header + data_guid + le64(0) + bytes_t(26, 'h') + bytes_t(300, 'p') + index_guid + le64(30) + bytes_t(6, 'x');
    r = run_check("asf", asf + bytes_t(600, 'z'));
    EXPECT_EQ(r.verdict, sc_verdict_e::whole);
    EXPECT_EQ(r.length, asf.size());
}

// Catches: 64-bit box sizes ignored, a box walk that accepts a movie without
// media, or that never ends on a zero-sized box.
TEST(raw_checks, mp4_box_walk)
{
    bytes_t ftyp = be32(16) + "ftypisom" + be32(0);
    bytes_t mdat = be32(1) + "mdat" + bytes_t(4, '\0') + be32(16 + 20) + bytes_t(20, 'm');
    bytes_t moov = be32(12) + "moov" + "abcd";
    sc_result_s r = run_check("mp4", ftyp + mdat + moov + "garbage!");
    EXPECT_EQ(r.verdict, sc_verdict_e::whole);
    EXPECT_EQ(r.length, (ftyp + mdat + moov).size());
    EXPECT_STREQ(r.subtype, "mp4");
    r = run_check("mp4", ftyp + moov + "garbage!");
    EXPECT_EQ(r.verdict, sc_verdict_e::broken);
    r = run_check("mp4", ftyp + be32(4) + "free" + bytes_t(8, '\0'));
    EXPECT_NE(r.verdict, sc_verdict_e::whole);
}

// Catches: a page or metadata walk that steps past the end reporting that
// position as the best length (found by fuzzing).
TEST(raw_checks, walks_that_run_off_the_end_stop_at_the_end)
{
    bytes_t ogg = bytes_t("OggS\0\2", 6) + bytes_t(20, '\0') + bytes_t("\x01\xff", 2) + bytes_t(30, 'v');
    sc_result_s r = run_check("ogg", ogg);
    EXPECT_EQ(r.verdict, sc_verdict_e::broken);
    EXPECT_LE(r.length, ogg.size());
    bytes_t flac = bytes_t("fLaC\x80\x00\x10\x00", 8) + bytes_t(10, '\0');
    r = run_check("flac", flac);
    EXPECT_LE(r.length, flac.size());
}

// Catches: any check that reads outside its candidate or claims a length
// past what is available, on random bytes behind each known signature.
TEST(raw_checks, no_check_claims_more_than_is_there)
{
    const char *signatures[] = {"\xff\xd8\xff\xe0",
                                "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR",
                                "GIF89a",
                                "BM",
                                "II*\0\x08\0\0\0",
                                "MM\0*\0\0\0\x08",
                                "\0\0\1\0\1\0",
                                "8BPS\0\1\0\0\0\0\0\0",
                                "PK\x03\x04",
                                "Rar!\x1a\x07\x01\0",
                                "Rar!\x1a\x07\0",
                                "7z\xbc\xaf\x27\x1c",
                                "\x1f\x8b\x08",
                                "BZh91AY&SY",
                                "\xfd"
                                "7zXZ\0",
                                "%PDF-1.5",
                                "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1",
                                "{\\rtf",
                                "SQLite format 3",
                                "From: a\n",
                                "RIFF\x10\0\0\0WAVE",
                                "ID3\3\0\0\0\0\0\x10",
                                "\xff\xfb\x90\x00",
                                "fLaC\0\0\0\x22",
                                "OggS\0\2",
                                "\0\0\0\x10"
                                "ftypqt  ",
                                "\x1a\x45\xdf\xa3",
                                "\x30\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c",
                                "MZ"};
    std::mt19937 rng(1);
    for (std::string_view name : sc_check_names()) {
        for (const char *sig : signatures) {
            for (int round = 0; round < 20; ++round) {
                bytes_t b = bytes_t(sig, strlen(sig) ? strlen(sig) : 1);
                size_t n = rng() % 3000;
                for (size_t i = 0; i < n; ++i)
                    b.push_back(static_cast<char>(round % 2 ? rng() % 4 : rng()));
                sc_result_s r = run_check(std::string(name).c_str(), b);
                if (r.verdict != sc_verdict_e::reject) {
                    EXPECT_LE(r.length, b.size()) << name << " on " << sig;
                }
            }
        }
    }
}

// Catches: the zip check's subtype not mapped to its line, a missing line
// for the subtype dropping the find, the footer not used when the check
// cannot place the end.
TEST(raw_checks, judging_types_that_share_a_header)
{
    sc_config_s config = parse_sc_config("zip y 1M PK\\x03\\x04 - check=zip\n"
                                         "docx y 1M PK\\x03\\x04 - check=zip\n"
                                         "jpg y 1M \\xff\\xd8\\xff \\xff\\xd9 check=jpeg\n"
                                         "txt y 100 TX END\n");
    ASSERT_EQ(config.types.size(), 4u);
    bytes_t data;
    sc_span_source_c *source = nullptr;
    auto make = [&](uint16_t) -> sc_source_c * {
        delete source;
        source = new sc_span_source_c(reinterpret_cast<const uint8_t *>(data.data()), data.size());
        return source;
    };
    sc_find_s find;
    // A JPEG whose walk breaks: the footer decides.
    data = bytes_t("\xff\xd8\xff\xe0\x00\x04\x00\x00\x12\x34", 10) + "...." + bytes_t("\xff\xd9", 2) + "tail";
    ASSERT_TRUE(judge_match(config, {2}, make, find));
    EXPECT_EQ(find.type, 2);
    EXPECT_FALSE(find.whole);
    EXPECT_EQ(find.length, data.size() - 4);
    // No check: footer, else the maximum size.
    data = "TX....END...";
    ASSERT_TRUE(judge_match(config, {3}, make, find));
    EXPECT_EQ(find.length, 9u);
    data = "TX" + bytes_t(200, '.');
    ASSERT_TRUE(judge_match(config, {3}, make, find));
    EXPECT_EQ(find.length, data.size());
    // Refused by the check: nothing.
    data = bytes_t("PK\x03\x04", 4) + bytes_t(40, '\0');
    EXPECT_FALSE(judge_match(config, {0, 1}, make, find));
    delete source;
}

// Scans through the C calls on an image file.
class raw_library_scan : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = std::filesystem::temp_directory_path() /
            ("raw_library_scan_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { std::filesystem::remove(path); }
    void write(const bytes_t &b)
    {
        std::ofstream(path, std::ios::binary).write(b.data(), static_cast<std::streamsize>(b.size()));
    }
    std::filesystem::path path;
};

struct finds_s {
    std::vector<std::tuple<std::string, uint64_t, uint64_t>> list;
    raw_scan_control_s *control = nullptr;
    bool stop_after_first = false;
};

void collect(void *user, const char *type, uint64_t offset, uint64_t length)
{
    auto *f = static_cast<finds_s *>(user);
    f->list.emplace_back(type, offset, length);
    if (f->stop_after_first)
        sc_set_stop(f->control, 3);
}

bytes_t small_gif()
{
    return bytes_t("GIF89a\x01\x00\x01\x00\x00\x00\x00", 13) +
        bytes_t("\x2c\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0\x3b", 16);
}

// Catches: finds away from sector starts, a find inside a whole find
// reported, the order of finding not kept, progress not reaching 1.
TEST_F(raw_library_scan, finds_at_sector_starts_in_order)
{
    bytes_t gif = small_gif();
    bytes_t image(512 * 12, '\0');
    image.replace(512 * 2, gif.size(), gif);
    image.replace(512 * 5 + 100, gif.size(), gif); // not at a sector start
    image.replace(512 * 9, gif.size(), gif);
    write(image);
    raw_scan_control_s control{};
    finds_s finds;
    control.user = &finds;
    control.found = collect;
    ASSERT_EQ(sc_load_config("/nonexistent/Tarnrecovery.conf"), -1);
    ASSERT_EQ(sc_scan(&control, path.c_str()), 0);
    ASSERT_EQ(finds.list.size(), 2u);
    EXPECT_EQ(finds.list[0], std::make_tuple(std::string("gif"), uint64_t(1024), uint64_t(gif.size())));
    EXPECT_EQ(std::get<1>(finds.list[1]), 512u * 9);
    EXPECT_DOUBLE_EQ(sc_get_progress(&control), 1.0);
    EXPECT_EQ(sc_scan(&control, "/nonexistent/device"), -1);
}

// Catches: a volume name path not resolved to its partition, so offsets
// would count from the start of the disk instead of the volume.
TEST_F(raw_library_scan, volume_paths_open_the_partition_itself)
{
    bytes_t disk(512 * 4096, '\0');
    // One primary partition (type 0x0c) from LBA 2048 for 2048 sectors.
    bytes_t entry = bytes_t("\0\0\0\0\x0c\0\0\0", 8) + le32(2048) + le32(2048);
    disk.replace(446, entry.size(), entry);
    disk.replace(510, 2, "\x55\xaa");
    bytes_t gif = small_gif();
    disk.replace(512 * 2048 + 512, gif.size(), gif);
    write(disk);
    raw_scan_control_s control{};
    finds_s finds;
    control.user = &finds;
    control.found = collect;
    std::string volume = make_volume_path(path.string(), 1);
    volume.pop_back();
    ASSERT_EQ(sc_scan(&control, volume.c_str()), 0);
    ASSERT_EQ(finds.list.size(), 1u);
    EXPECT_EQ(std::get<1>(finds.list[0]), 512u);
    sc_handle_s *h = sc_open(volume.c_str());
    ASSERT_NE(h, nullptr);
    char head[6];
    ASSERT_EQ(sc_seek(h, 512, 0), 0);
    ASSERT_EQ(sc_read(h, head, 6), 6);
    EXPECT_EQ(bytes_t(head, 6), "GIF89a");
    ASSERT_EQ(sc_seek(h, 0, 2), 0);
    EXPECT_EQ(sc_read(h, head, 6), 0) << "the volume ends where its partition does";
    sc_close(h);
}

// Catches: the byte-granular option ignored; a loaded table not used.
TEST_F(raw_library_scan, byte_granular_types_from_a_loaded_configuration)
{
    bytes_t image(4096, '\0');
    image.replace(1234, 9, "NOTE:abc.");
    write(image);
    auto conf = path.string() + ".conf";
    std::ofstream(conf) << "note y 100 NOTE: . search=byte\n";
    ASSERT_EQ(sc_load_config(conf.c_str()), 1);
    raw_scan_control_s control{};
    finds_s finds;
    control.user = &finds;
    control.found = collect;
    sc_scan(&control, path.c_str());
    ASSERT_EQ(finds.list.size(), 1u);
    EXPECT_EQ(finds.list[0], std::make_tuple(std::string("note"), uint64_t(1234), uint64_t(9)));
    // A file with no usable line brings back the built-in table.
    std::ofstream(conf) << "# nothing usable\nbad line\n";
    EXPECT_EQ(sc_load_config(conf.c_str()), -1);
    std::filesystem::remove(conf);
    finds.list.clear();
    control = raw_scan_control_s{};
    control.user = &finds;
    control.found = collect;
    sc_scan(&control, path.c_str());
    EXPECT_TRUE(finds.list.empty());
}

// Catches: a pause that does not hold the scan, a stop that is not heard
// while paused, finds before a stop lost.
TEST_F(raw_library_scan, pause_holds_and_stop_ends_the_scan)
{
    bytes_t gif = small_gif();
    bytes_t image(512 * 64, '\0');
    for (int i = 0; i < 64; i += 4)
        image.replace(512 * i, gif.size(), gif);
    write(image);
    {
        raw_scan_control_s control{};
        finds_s finds;
        finds.control = &control;
        finds.stop_after_first = true;
        control.user = &finds;
        control.found = collect;
        sc_scan(&control, path.c_str());
        EXPECT_EQ(finds.list.size(), 1u);
        EXPECT_LT(sc_get_progress(&control), 1.0);
    }
    raw_scan_control_s control{};
    finds_s finds;
    control.user = &finds;
    control.found = collect;
    sc_set_pause(&control, 1);
    std::atomic<bool> done{false};
    std::thread t([&] {
        sc_scan(&control, path.c_str());
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_FALSE(done.load());
    sc_set_stop(&control, 3);
    auto start = std::chrono::steady_clock::now();
    t.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// Catches: seeks before the start accepted, reads past the end returning
// garbage, a failed open returning a handle.
TEST_F(raw_library_scan, open_seek_read_close)
{
    bytes_t image;
    for (int i = 0; i < 1000; ++i)
        image.push_back(static_cast<char>(i));
    write(image);
    EXPECT_EQ(sc_open("/nonexistent/device"), nullptr);
    sc_handle_s *h = sc_open(path.c_str());
    ASSERT_NE(h, nullptr);
    char buf[8192];
    EXPECT_EQ(sc_seek(h, -1, 0), -1);
    ASSERT_EQ(sc_seek(h, 998, 0), 0);
    EXPECT_EQ(sc_read(h, buf, sizeof(buf)), 2);
    EXPECT_EQ(buf[0], static_cast<char>(998 & 0xff));
    EXPECT_EQ(sc_read(h, buf, sizeof(buf)), 0);
    ASSERT_EQ(sc_seek(h, -10, 2), 0);
    EXPECT_EQ(sc_read(h, buf, 4), 4);
    EXPECT_EQ(buf[0], static_cast<char>(990 & 0xff));
    ASSERT_EQ(sc_seek(h, -4, 1), 0);
    EXPECT_EQ(sc_seek(h, -991, 1), -1);
    EXPECT_EQ(sc_close(h), 0);
}

} // namespace

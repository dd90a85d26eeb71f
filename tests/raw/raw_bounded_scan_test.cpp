// The scan's cost and its finds' lengths when ends are missing: a search for
// a file's end gives up at the next file of its family, and a find whose end
// is unknown is cut where the next find begins.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/block_device.h"
#include "sc_config.h"
#include "sc_scanner.h"

namespace {

using bytes_t = std::string;
using find_t = std::tuple<std::string, uint64_t, uint64_t>; // type, offset, length

bytes_t le16(uint16_t v)
{
    return {char(v & 0xff), char(v >> 8)};
}
bytes_t le32(uint32_t v)
{
    return le16(uint16_t(v & 0xffff)) + le16(uint16_t(v >> 16));
}

void collect(void *user, const char *type, uint64_t offset, uint64_t length)
{
    static_cast<std::vector<find_t> *>(user)->emplace_back(type, offset, length);
}

// Scans image with the shipped table; returns the bytes the checks examined.
uint64_t scan(const bytes_t &image, std::vector<find_t> &finds)
{
    memory_device_c device(std::vector<uint8_t>(image.begin(), image.end()));
    raw_scan_control_s control{};
    control.user = &finds;
    control.found = collect;
    return sc_scan_device(builtin_sc_config(), device, &control);
}

// A local entry; a streamed one has zero sizes in its header and a data
// descriptor after its data.
bytes_t zip_local(const bytes_t &name, const bytes_t &data, bool streamed)
{
    uint32_t size = streamed ? 0 : static_cast<uint32_t>(data.size());
    bytes_t entry = bytes_t("PK\x03\x04\x14\x00", 6) + le16(streamed ? 8 : 0) + bytes_t(10, '\0') + le32(size) +
        le32(size) + le16(static_cast<uint16_t>(name.size())) + le16(0) + name + data;
    if (streamed)
        entry += bytes_t("PK\x07\x08", 4) + le32(0) + le32(uint32_t(data.size())) + le32(uint32_t(data.size()));
    return entry;
}

// Two entries, the second one's header at a sector start inside the archive.
bytes_t two_entry_zip(bool streamed)
{
    bytes_t first = zip_local("a.txt", bytes_t(streamed ? 461 : 477, 'a'), streamed);
    bytes_t local = first + zip_local("b.txt", bytes_t(100, 'b'), streamed);
    bytes_t cd;
    for (auto [name, at] : {std::pair<bytes_t, uint32_t>("a.txt", 0), {"b.txt", uint32_t(first.size())}})
        cd += bytes_t("PK\x01\x02", 4) + bytes_t(24, '\0') + le16(5) + bytes_t(12, '\0') + le32(at) + name;
    return local + cd + bytes_t("PK\x05\x06", 4) + bytes_t(8, '\0') + le32(uint32_t(cd.size())) +
        le32(uint32_t(local.size())) + le16(0);
}

// One stored entry, its central directory and end record.
bytes_t one_entry_zip(const bytes_t &data)
{
    const bytes_t local = zip_local("a.txt", data, false);
    const bytes_t cd = bytes_t("PK\x01\x02", 4) + bytes_t(24, '\0') + le16(5) + bytes_t(16, '\0') + "a.txt";
    return local + cd + bytes_t("PK\x05\x06", 4) + bytes_t(8, '\0') + le32(uint32_t(cd.size())) +
        le32(uint32_t(local.size())) + le16(0);
}

// Appends b and zeros to the end of its sector.
void put_sectors(bytes_t &image, const bytes_t &b)
{
    image += b;
    image.resize((image.size() + 511) / 512 * 512, '\0');
}

// Finds with whether the library said their end was proven.
struct flagged_s {
    raw_scan_control_s *control = nullptr;
    std::vector<std::pair<find_t, bool>> list;
};

void collect_flagged(void *user, const char *type, uint64_t offset, uint64_t length)
{
    auto *f = static_cast<flagged_s *>(user);
    f->list.push_back({find_t(type, offset, length), (f->control->find_flags & SC_FIND_ENDED) != 0});
}

std::vector<std::pair<find_t, bool>> scan_flagged(const bytes_t &image)
{
    memory_device_c device(std::vector<uint8_t>(image.begin(), image.end()));
    raw_scan_control_s control{};
    flagged_s finds;
    finds.control = &control;
    control.user = &finds;
    control.found = collect_flagged;
    sc_scan_device(builtin_sc_config(), device, &control);
    return finds.list;
}

// Headers at even steps through a filler that holds no end marker.
bytes_t repeated_headers(const bytes_t &header, size_t count, size_t size)
{
    bytes_t image(size, 'x');
    const size_t step = size / count / 512 * 512;
    for (size_t i = 0; i < count; ++i)
        image.replace(i * step, header.size(), header);
    return image;
}

// An Ogg page that starts a stream and fills one sector, so that pages of
// many streams chain back to back.
bytes_t ogg_first_page()
{
    return bytes_t("OggS\0\x02", 6) + bytes_t(20, '\0') + bytes_t("\x02\xff\xe4", 3) + bytes_t(483, 'o');
}

// The scan of count headers at even steps through image finds each one,
// cut at the next, with work linear in the image's size.
void expect_bounded_finds(const bytes_t &image, size_t count)
{
    std::vector<find_t> finds;
    uint64_t examined = scan(image, finds);
    EXPECT_LE(examined, 3ull * image.size()) << "the checks examined each stretch more than a few times";
    ASSERT_EQ(finds.size(), count);
    const uint64_t step = image.size() / count / 512 * 512;
    for (size_t i = 0; i < finds.size(); ++i) {
        const uint64_t next = i + 1 < finds.size() ? std::get<1>(finds[i + 1]) : image.size();
        ASSERT_EQ(std::get<1>(finds[i]), i * step);
        ASSERT_EQ(std::get<2>(finds[i]), next - i * step) << "find " << i << " not cut at the next header";
    }
}

// Catches: each header searching to the end of the device for its end (time
// quadratic in the headers), a walk running on through the next files of its
// family, and finds that run to the device's end or the type's maximum size
// instead of stopping at the next header.
TEST(raw_bounded_scan, repeated_headers_without_ends_cost_linear_work_and_end_at_the_next_header)
{
    const size_t size = 4 << 20;
    const bytes_t headers[] = {zip_local("a.txt", "data", true), "%PDF-1.4\n1 0 obj\n<< >>\nstream\n"};
    for (const bytes_t &header : headers)
        for (size_t count : {256, 1024}) {
            SCOPED_TRACE(header.substr(0, 5) + " x" + std::to_string(count));
            expect_bounded_finds(repeated_headers(header, count, size), count);
        }
    // Text-like bytes the text check refuses (a single-byte code page).
    bytes_t refused;
    while (refused.size() < size)
        refused += "\xcf\xf0\xe8\xe2\xe5\xf2 \xec\xe8\xf0 ";
    std::vector<find_t> none;
    EXPECT_LE(scan(refused, none), 2ull * refused.size()) << "refused text walked to its end from each sector";
    EXPECT_TRUE(none.empty());
    bytes_t streams;
    for (size_t i = 0; i < size / 512; ++i)
        streams += ogg_first_page();
    SCOPED_TRACE("ogg");
    expect_bounded_finds(streams, size / 512);
}

// Catches: the bound cutting an archive at one of its own entries that
// happens to start a sector (sized and streamed entries), or the inner
// header reported as a file of its own.
TEST(raw_bounded_scan, an_archive_entry_at_a_sector_start_does_not_end_the_archive)
{
    for (bool streamed : {false, true}) {
        SCOPED_TRACE(streamed ? "streamed" : "sized");
        const bytes_t zip = two_entry_zip(streamed);
        ASSERT_EQ(zip.substr(512, 4), bytes_t("PK\x03\x04", 4));
        bytes_t image(512, 'x');
        image += zip + bytes_t(4096, 'x');
        std::vector<find_t> finds;
        scan(image, finds);
        ASSERT_EQ(finds.size(), 1u);
        EXPECT_EQ(finds[0], find_t("zip", 512, zip.size()));
    }
}

// Catches: text inside a walked (zip, jpeg), sized (bmp) or unended (pdf)
// find reported as a file of its own; noise, zeros or fill patterns taken
// for text; text between finds not found at all.
TEST(raw_bounded_scan, text_is_found_only_where_no_find_covers_it)
{
    bytes_t prose;
    for (int i = 0; i < 30; ++i)
        prose += "Line " + std::to_string(i) + " of the report, with the figures for the third quarter.\n";
    ASSERT_GT(prose.size(), 1024u);
    bytes_t image;
    put_sectors(image, one_entry_zip(prose));
    const uint64_t bmp_at = image.size();
    const bytes_t bmp_head =
        bytes_t("BM", 2) + le32(uint32_t(54 + prose.size())) + le32(0) + le32(54) + le32(40) + bytes_t(36, '\1');
    put_sectors(image, bmp_head + prose);
    const uint64_t pdf_at = image.size();
    put_sectors(image, "%PDF-1.4\n" + prose);
    image += bytes_t(512, '\0');
    const uint64_t jpg_at = image.size();
    const bytes_t jpeg = bytes_t("\xff\xd8\xff\xfe", 4) + char((prose.size() + 2) >> 8) +
        char((prose.size() + 2) & 0xff) + prose + bytes_t("\xff\xd9", 2);
    put_sectors(image, jpeg);
    std::mt19937 rng(3);
    for (int i = 0; i < 4096; ++i)
        image.push_back(char(rng()));
    image += bytes_t(4096, '\0') + bytes_t(1024, 'x') + bytes_t(1024, ' ');
    const uint64_t text_at = image.size();
    put_sectors(image, prose);
    image += bytes_t(4096, '\0');

    std::vector<find_t> finds;
    scan(image, finds);
    ASSERT_EQ(finds.size(), 5u);
    EXPECT_EQ(std::get<0>(finds[0]), "zip");
    EXPECT_EQ(finds[1], find_t("bmp", bmp_at, 54 + prose.size()));
    EXPECT_EQ(std::get<0>(finds[2]), "pdf");
    EXPECT_EQ(std::get<1>(finds[2]), pdf_at);
    EXPECT_EQ(finds[3], find_t("jpg", jpg_at, jpeg.size()));
    EXPECT_EQ(finds[4], find_t("txt", text_at, prose.size()));
}

// Catches: finds whose end is not proven running to the device's end or the
// type's maximum size (a zip without its directory, a TIFF whose strip
// points past the device, a PDF without %%EOF), an Exif IFD's data left out
// of a TIFF, and the found call not told which ends were proven.
TEST(raw_bounded_scan, unproven_ends_stop_at_a_bound_the_format_or_the_disk_gives)
{
    auto be32 = [](uint32_t v) { return bytes_t{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    auto tiff = [&](uint32_t strip_at, bool exif) {
        // IFD at 8: StripOffsets, StripByteCounts (100 bytes) and an Exif IFD at 200
        // whose one value (16 bytes) lies at 300.
        bytes_t t = bytes_t("MM\x00\x2a", 4) + be32(8) + bytes_t("\x00\x03", 2);
        t += bytes_t("\x01\x11\x00\x04", 4) + be32(1) + be32(strip_at);
        t += bytes_t("\x01\x17\x00\x04", 4) + be32(1) + be32(100);
        t += bytes_t("\x87\x69\x00\x04", 4) + be32(1) + be32(exif ? 200 : 0) + be32(0);
        t.resize(200, 's');
        t += bytes_t("\x00\x01", 2) + bytes_t("\x90\x03\x00\x02", 4) + be32(16) + be32(300) + be32(0);
        t.resize(316, 'e');
        return t;
    };
    bytes_t zip = one_entry_zip(bytes_t(700, 'z'));
    const bytes_t zip_locals = zip.substr(0, zip.find("PK\x01\x02"));
    bytes_t image;
    put_sectors(image, tiff(50, true));
    const uint64_t lost_cd_at = image.size();
    put_sectors(image, zip_locals);
    std::mt19937 rng(9);
    for (int i = 0; i < 2048; ++i)
        image.push_back(char(rng() | 0x80));
    const uint64_t pdf_at = image.size();
    put_sectors(image, "%PDF-1.4\n" + bytes_t(1000, '\x90'));
    image += bytes_t(1024, '\0');
    const uint64_t far_tiff_at = image.size();
    put_sectors(image, tiff(1u << 30, false));
    image += bytes_t(64 * 1024, '\x90');

    auto finds = scan_flagged(image);
    ASSERT_EQ(finds.size(), 4u);
    EXPECT_EQ(finds[0], std::make_pair(find_t("tif", 0, 316), true)) << "the Exif value ends the file";
    EXPECT_EQ(finds[1], std::make_pair(find_t("zip", lost_cd_at, zip_locals.size()), false));
    EXPECT_EQ(finds[2], std::make_pair(find_t("pdf", pdf_at, (1009 + 511) / 512 * 512), false))
        << "cut at the zeroed sector after it";
    EXPECT_EQ(finds[3], std::make_pair(find_t("tif", far_tiff_at, 50), false)) << "cut after its IFD";
}

} // namespace

// Catches: runs of zeros passed over too far, so that a file starting where
// zeros end (one whose header itself begins with zeros, an icon) or one
// sector after them is lost, or is found at the wrong place.
TEST(raw_bounded_scan, files_right_after_runs_of_zeros_are_found)
{
    const bytes_t ico = bytes_t("\0\0\1\0", 4) + le16(1) + bytes_t("\x10\x10\0\0", 4) + le16(1) + le16(32) + le32(64) +
        le32(22) + le32(40) + bytes_t(60, 'i');
    const bytes_t zip = one_entry_zip(bytes_t(300, 'z'));
    const bytes_t note = "A note kept between runs of zeros, long enough to be taken for text.\n";
    bytes_t image(1 << 20, '\0');
    std::vector<find_t> expected;
    for (const auto &[type, bytes] : {std::pair<const char *, bytes_t>{"ico", ico}, {"zip", zip}, {"txt", note}}) {
        expected.emplace_back(type, image.size(), bytes.size());
        put_sectors(image, bytes);
        image += bytes_t(64 * 1024 + 512, '\0');
    }
    std::vector<find_t> finds;
    scan(image, finds);
    EXPECT_EQ(finds, expected);
}

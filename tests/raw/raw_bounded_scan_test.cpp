// The scan's cost and its finds' lengths when ends are missing: a search for
// a file's end gives up at the next file of its family, and a find whose end
// is unknown is cut where the next find begins.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/block_device.h"
#include "sc_config.h"
#include "sc_scanner.h"

namespace {

using bytes_t = std::string;
using find_t = std::tuple<std::string, uint64_t, uint64_t>;  // type, offset, length

bytes_t le16(uint16_t v) { return {char(v & 0xff), char(v >> 8)}; }
bytes_t le32(uint32_t v) { return le16(uint16_t(v & 0xffff)) + le16(uint16_t(v >> 16)); }

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

// Catches: a find whose length is only a bound reported as ended by its
// structure, or a proved end reported as a bound.
TEST(raw_bounded_scan, the_found_call_says_whether_the_end_was_proved)
{
    struct seen_s {
        raw_scan_control_s control{};
        std::vector<uint32_t> proved;
    };
    auto proved_ends = [](const bytes_t &image) {
        seen_s seen;
        seen.control.user = &seen;
        seen.control.found = [](void *user, const char *, uint64_t, uint64_t) {
            auto *s = static_cast<seen_s *>(user);
            s->proved.push_back(s->control.end_proved);
        };
        memory_device_c device(std::vector<uint8_t>(image.begin(), image.end()));
        sc_scan_device(builtin_sc_config(), device, &seen.control);
        return seen.proved;
    };
    EXPECT_EQ(proved_ends(bytes_t(512, 'x') + two_entry_zip(false) + bytes_t(4096, 'x')), std::vector<uint32_t>{1});
    EXPECT_EQ(proved_ends(repeated_headers("%PDF-1.4\n1 0 obj\n<< >>\nstream\n", 4, 1 << 16)),
              std::vector<uint32_t>(4, 0));
}

} // namespace

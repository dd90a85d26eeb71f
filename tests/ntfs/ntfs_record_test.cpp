// The record-level parsers on hand-made and damaged bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "libntfs/boot_sector.h"
#include "libntfs/lznt1.h"
#include "libntfs/mft_record.h"
#include "libntfs/ntfs_layout.h"
#include "libntfs/run_list.h"
#include "ntfs_test_support.h"

namespace {

std::vector<run_s> decode(std::vector<uint8_t> bytes, bool *ok = nullptr)
{
    std::vector<run_s> runs;
    bool good = decode_run_list({bytes.data(), bytes.size()}, 0, runs);
    if (ok)
        *ok = good;
    return runs;
}

// A 1,024-byte record with two 512-byte strides and one resident attribute.
std::vector<uint8_t> make_record()
{
    std::vector<uint8_t> r(1024, 0);
    memcpy(r.data(), "FILE", 4);
    uint16_t usa_offset = 48, usa_count = 3, attrs = 56, flags = ntfs_record_in_use;
    uint32_t in_use = 56 + 32 + 8;
    memcpy(&r[4], &usa_offset, 2);
    memcpy(&r[6], &usa_count, 2);
    memcpy(&r[20], &attrs, 2);
    memcpy(&r[22], &flags, 2);
    memcpy(&r[24], &in_use, 4);
    // Resident $DATA of 8 bytes.
    uint32_t type = ntfs_attr_data, length = 32, value_length = 8;
    uint16_t value_offset = 24;
    memcpy(&r[56], &type, 4);
    memcpy(&r[60], &length, 4);
    memcpy(&r[72], &value_length, 4);
    memcpy(&r[76], &value_offset, 2);
    memcpy(&r[80], "payload!", 8);
    uint32_t end = ntfs_attr_end;
    memcpy(&r[88], &end, 4);
    // Update sequence number 0x0A0B; the real stride tails go into the array.
    r[48] = 0x0B, r[49] = 0x0A;
    r[50] = r[510], r[51] = r[511];
    r[52] = r[1022], r[53] = r[1023];
    r[510] = r[1022] = 0x0B;
    r[511] = r[1023] = 0x0A;
    return r;
}

} // namespace

TEST(ntfs_run_list, decodes_relative_sparse_and_negative_runs)
{
    bool ok = false;
    // 16 clusters at 0x100; 8 sparse; 4 at 0x100 - 0x20; end.
    auto runs = decode({0x21, 0x10, 0x00, 0x01, 0x01, 0x08, 0x11, 0x04, 0xE0, 0x00}, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].lcn, 0x100);
    EXPECT_EQ(runs[0].length, 16u);
    EXPECT_EQ(runs[1].lcn, sparse_lcn);
    EXPECT_EQ(runs[1].vcn, 16u);
    EXPECT_EQ(runs[2].lcn, 0xE0) << "offset is relative to the previous allocated run";
    EXPECT_EQ(runs[2].vcn, 24u);
    EXPECT_EQ(find_run(runs, 23), 1);
    EXPECT_EQ(find_run(runs, 28), -1);
}

// Damage must be refused, not turned into huge or negative cluster numbers.
TEST(ntfs_run_list, refuses_damaged_encodings)
{
    bool ok = true;
    decode({0x00 | 0x10, 0x01}, &ok); // length width 0
    EXPECT_FALSE(ok);
    decode({0x21, 0x10}, &ok); // fields run past the end
    EXPECT_FALSE(ok);
    decode({0x11, 0x00, 0x05, 0x00}, &ok); // zero length
    EXPECT_FALSE(ok);
    decode({0x11, 0x04, 0x10, 0x11, 0x04, 0xE0, 0x00}, &ok); // 0x10 - 0x20 < 0
    EXPECT_FALSE(ok);
    decode({0x19, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x00}, &ok); // offset wider than 8 bytes
    EXPECT_FALSE(ok);
}

TEST(ntfs_mft_record, fixups_restore_the_stride_tails_and_catch_torn_records)
{
    auto r = make_record();
    uint8_t tail0 = r[50], tail1 = r[52];
    ASSERT_TRUE(apply_fixups(r.data(), r.size()));
    EXPECT_EQ(r[510], tail0);
    EXPECT_EQ(r[1022], tail1);
    std::vector<attribute_s> attrs;
    ASSERT_TRUE(parse_attributes({r.data(), r.size()}, attrs));
    ASSERT_EQ(attrs.size(), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(attrs[0].value.data), attrs[0].value.size), "payload!");

    auto torn = make_record();
    torn[1023] = 0x0C; // second sector written by another update
    EXPECT_FALSE(apply_fixups(torn.data(), torn.size()));
    auto bad_usa = make_record();
    bad_usa[6] = 200; // array larger than its stride
    EXPECT_FALSE(apply_fixups(bad_usa.data(), bad_usa.size()));
    auto not_file = make_record();
    memcpy(not_file.data(), "BAAD", 4);
    EXPECT_FALSE(apply_fixups(not_file.data(), not_file.size()));
}

// A zero or oversized attribute length must end the walk, never loop on it
// or read past the used bytes.
TEST(ntfs_mft_record, damaged_attribute_headers_end_the_walk)
{
    for (uint32_t length : {0u, 8u, 33u, 4000u}) {
        auto r = make_record();
        ASSERT_TRUE(apply_fixups(r.data(), r.size()));
        memcpy(&r[60], &length, 4);
        std::vector<attribute_s> attrs;
        EXPECT_FALSE(parse_attributes({r.data(), r.size()}, attrs)) << length;
        EXPECT_TRUE(attrs.empty());
    }
    auto r = make_record();
    ASSERT_TRUE(apply_fixups(r.data(), r.size()));
    uint32_t value_length = 100; // value past the attribute
    memcpy(&r[72], &value_length, 4);
    std::vector<attribute_s> attrs;
    EXPECT_FALSE(parse_attributes({r.data(), r.size()}, attrs));
    r = make_record();
    ASSERT_TRUE(apply_fixups(r.data(), r.size()));
    r[65] = 40; // a name of 40 units past the attribute
    r[66] = 24;
    attrs.clear();
    EXPECT_FALSE(parse_attributes({r.data(), r.size()}, attrs));
}

TEST(ntfs_lznt1, literals_and_a_back_reference_expand)
{
    // "abc", then 9 bytes from 3 back: "abcabcabcabc".
    const uint8_t chunk[] = {0x05, 0xB0, 0x08, 'a', 'b', 'c', 0x06, 0x20};
    std::vector<uint8_t> out(8192, 0xFF);
    ASSERT_EQ(lznt1_decompress(chunk, sizeof chunk, out.data(), out.size()), 4096);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(out.data()), 12), "abcabcabcabc");
    EXPECT_EQ(out[12], 0) << "the rest of a short chunk reads as zeros";
    EXPECT_EQ(out[4095], 0);
    EXPECT_EQ(out[4096], 0xFF) << "nothing written past the last chunk";
}

TEST(ntfs_lznt1, uncompressed_chunks_copy_and_damage_is_refused)
{
    std::vector<uint8_t> plain(2 + 4096, 'x');
    plain[0] = 0xFF, plain[1] = 0x3F; // 4,096 stored bytes
    std::vector<uint8_t> out(4096);
    EXPECT_EQ(lznt1_decompress(plain.data(), plain.size(), out.data(), out.size()), 4096);
    EXPECT_EQ(out[4095], 'x');

    const uint8_t before_start[] = {0x02, 0xB0, 0x01, 0x00, 0x10}; // back-reference at position 0
    EXPECT_EQ(lznt1_decompress(before_start, sizeof before_start, out.data(), out.size()), -1);
    const uint8_t too_far[] = {0x03, 0xB0, 0x02, 'a', 0x00, 0x20}; // offset 3 at position 1
    EXPECT_EQ(lznt1_decompress(too_far, sizeof too_far, out.data(), out.size()), -1);
    const uint8_t truncated[] = {0x40, 0xB0, 0x00, 'a'}; // chunk longer than the input
    EXPECT_EQ(lznt1_decompress(truncated, sizeof truncated, out.data(), out.size()), -1);
}

// The public boot sectors: 512-byte to 128 KiB clusters, 4Kn, no boot code.
TEST(ntfs_boot_sector, public_boot_sectors_give_their_geometry)
{
    struct expect_s {
        const char *name;
        uint32_t sector, cluster, record;
    };
    const expect_s cases[] = {{"512.boot", 512, 512, 1024},     {"4k.boot", 512, 4096, 1024},
                              {"4kn.boot", 4096, 4096, 4096},   {"64k.boot", 512, 65536, 1024},
                              {"128k.boot", 512, 131072, 1024}, {"nobootcode.boot", 512, 4096, 1024}};
    for (const expect_s &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = unpack_shared_image(std::string("dfir_ntfs/") + c.name);
        if (path.empty())
            GTEST_SKIP() << "shared test images not found";
        std::string sector = read_file(path);
        ntfs_geometry_s g;
        ASSERT_TRUE(parse_boot_sector({reinterpret_cast<const uint8_t *>(sector.data()), sector.size()}, g));
        EXPECT_EQ(g.sector_size, c.sector);
        EXPECT_EQ(g.cluster_size, c.cluster);
        EXPECT_EQ(g.record_size, c.record);
    }
}

TEST(ntfs_boot_sector, implausible_values_are_refused)
{
    ntfs_boot_sector_s boot{};
    memcpy(boot.oem_id, "NTFS    ", 8);
    boot.bytes_per_sector = 512;
    boot.sectors_per_cluster = 8;
    boot.total_sectors = 1u << 20;
    boot.mft_lcn = 4;
    boot.clusters_per_record = -10;
    auto check = [&](const ntfs_boot_sector_s &b) {
        ntfs_geometry_s g;
        return parse_boot_sector({reinterpret_cast<const uint8_t *>(&b), sizeof b}, g);
    };
    EXPECT_TRUE(check(boot));
    auto b = boot;
    b.sectors_per_cluster = 0xF4; // 2 MiB: the largest NTFS allows
    EXPECT_TRUE(check(b));
    b.sectors_per_cluster = 0xF3;
    EXPECT_FALSE(check(b));
    b = boot;
    b.sectors_per_cluster = 3;
    EXPECT_FALSE(check(b));
    b = boot;
    b.bytes_per_sector = 0;
    EXPECT_FALSE(check(b));
    b = boot;
    b.mft_lcn = 1u << 20; // beyond the volume
    EXPECT_FALSE(check(b));
    b = boot;
    b.clusters_per_record = -30;
    EXPECT_FALSE(check(b));
    b = boot;
    memcpy(b.oem_id, "MSDOS5.0", 8);
    EXPECT_FALSE(check(b));
    ntfs_geometry_s g;
    EXPECT_FALSE(parse_boot_sector({reinterpret_cast<const uint8_t *>(&boot), 100}, g)) << "short span";
}

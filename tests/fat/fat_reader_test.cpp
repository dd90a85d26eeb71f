// The FAT reader on volumes built byte by byte: boot sector checks, where a
// volume is mounted, directory reads with deleted entries and long names,
// path following, and file reads along the chain or as consecutive clusters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>

#include "libfat/fat_boot.h"
#include "libfat/fat_codepage.h"
#include "libfat/fat_path.h"
#include "platform/le_bytes.h"
#include "fat_test_image.h"

namespace {

// Remembers every byte range read, to see which areas a read touched.
class recording_device_c : public memory_device_c {
public:
    using memory_device_c::memory_device_c;
    int64_t read_at(uint64_t offset, void *buffer, size_t len) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        reads.push_back({offset, len});
        return memory_device_c::read_at(offset, buffer, len);
    }
    std::vector<std::pair<uint64_t, size_t>> reads;

private:
    std::mutex mutex_;
};

std::vector<uint8_t> boot_of(fat_test_image_c &img)
{
    return std::vector<uint8_t>(img.bytes().begin(), img.bytes().begin() + 512);
}

// The volume every test here reads; bound afresh by each.
fat_volume_s vol;

void bind_volume(std::shared_ptr<block_device_c> device)
{
    fat_bind_volume(vol, std::move(device));
}

// Binds device and mounts its volume, as a scan leaves it for a restore.
void mount(std::shared_ptr<block_device_c> device)
{
    bind_volume(std::move(device));
    ASSERT_EQ(fat_find_volume(vol), fr_ok);
}

// Mounts img as drive 0 and opens the directory at cluster, the way the
// engine opens a folder by its first cluster.
void open_cluster_dir(fat_test_image_c &img, fat_dir_s &dir, uint32_t cluster)
{
    bind_volume(img.device());
    ASSERT_EQ(fat_open_dir(dir, vol, u"/"), fr_ok);
    dir.start_cluster = dir.cluster = cluster;
    ASSERT_EQ(fat_read_dir(dir, nullptr), fr_ok);
}

struct read_dir_result_s {
    std::u16string short_name;
    std::u16string long_name;
    fat_file_info_s info;
};

std::vector<read_dir_result_s> read_all(fat_dir_s &dir, int *last_result = nullptr)
{
    std::vector<read_dir_result_s> out;
    char16_t long_name[512];
    for (int guard = 0; guard < 100000; ++guard) {
        fat_file_info_s info;
        info.long_name = long_name;
        info.long_name_size = 512;
        int res = fat_read_dir(dir, &info);
        if (last_result)
            *last_result = res;
        if (res != fr_ok || info.short_name[0] == 0)
            break;
        out.push_back({info.short_name, long_name, info});
    }
    return out;
}

// Every entry of the root directory of img, bound afresh.
std::vector<read_dir_result_s> read_root(fat_test_image_c &img)
{
    bind_volume(img.device());
    fat_dir_s dir;
    if (fat_open_dir(dir, vol, u"/") != fr_ok)
        return {};
    return read_all(dir);
}

TEST(fat_boot, accepts_a_sound_boot_sector_and_refuses_each_broken_field)
{
    fat_test_image_c img(16, 4, 40000);
    fat_geometry_s g;
    ASSERT_EQ(parse_fat_boot(img.bytes().data(), 512, 100, g), 0);
    EXPECT_EQ(g.type, fat16);
    EXPECT_EQ(g.fat_start, 101u);
    EXPECT_EQ(g.data_start * 512 - 100 * 512, img.data_offset());

    struct damage_s {
        size_t offset;
        uint8_t value;
    } cases[] = {
        {11, 0x01},           // 513-byte sectors
        {12, 0x10},           // 4096-byte sectors
        {13, 3},              // sectors per cluster not a power of two
        {13, 0},     {14, 0}, // no reserved sectors
        {16, 3},              // three FATs
        {17, 7},              // root entries not a multiple of 16
        {510, 0x00},          // no signature
        {54, 'X'},            // no "FAT" mark
    };
    for (const damage_s &d : cases) {
        std::vector<uint8_t> boot = boot_of(img);
        boot[d.offset] = d.value;
        EXPECT_EQ(parse_fat_boot(boot.data(), boot.size(), 0, g), fr_no_filesystem) << "offset " << d.offset;
    }
    std::vector<uint8_t> boot = boot_of(img);
    boot[22] = 1; // one sector per FAT cannot hold the FAT
    boot[23] = 0;
    EXPECT_EQ(parse_fat_boot(boot.data(), boot.size(), 0, g), fr_no_filesystem);
    boot = boot_of(img);
    boot[19] = 10; // fewer sectors than the system area
    boot[20] = 0;
    EXPECT_EQ(parse_fat_boot(boot.data(), boot.size(), 0, g), fr_no_filesystem);
    // A span shorter than a sector is refused, not read past.
    EXPECT_EQ(parse_fat_boot(img.bytes().data(), 511, 0, g), fr_no_filesystem);
}

TEST(fat_boot, cluster_count_decides_the_type_and_fat32_needs_no_root_entries)
{
    fat_test_image_c small(12, 1, 4000);
    fat_geometry_s g;
    ASSERT_EQ(parse_fat_boot(small.bytes().data(), 512, 0, g), 0);
    EXPECT_EQ(g.type, fat12);

    // Turn the FAT16 header into a FAT32 one with 70,000 clusters.
    std::vector<uint8_t> boot(512, 0);
    memcpy(boot.data(), small.bytes().data(), 512);
    boot[13] = 1;
    boot[17] = boot[18] = 0; // no fixed root directory
    boot[19] = boot[20] = 0;
    uint32_t total = 71000, fat_sectors = 560;
    memcpy(boot.data() + 32, &total, 4);
    boot[22] = boot[23] = 0;
    memcpy(boot.data() + 36, &fat_sectors, 4);
    uint32_t root = 2;
    memcpy(boot.data() + 44, &root, 4);
    memcpy(boot.data() + 82, "FAT32   ", 8);
    ASSERT_EQ(parse_fat_boot(boot.data(), 512, 0, g), 0);
    EXPECT_EQ(g.type, fat32);
    EXPECT_EQ(g.root_base, 2u);
    boot[17] = 16; // FAT32 with a fixed root directory is not FAT32
    EXPECT_EQ(parse_fat_boot(boot.data(), 512, 0, g), fr_no_filesystem);
}

TEST(fat_mount, a_volume_is_read_from_its_own_first_sector)
{
    fat_test_image_c img(16, 1, 8192);
    img.entry(0, 0, "HELLO   TXT", 0x20, 2, 10);
    bind_volume(img.device());
    fat_dir_s dir;
    ASSERT_EQ(fat_open_dir(dir, vol, u"/"), fr_ok);
    EXPECT_EQ(vol.geometry.fat_start, 1u);
    auto entries = read_all(dir);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].short_name, u"HELLO.TXT");

    // A partition of a disk is read through its slice of the disk.
    std::vector<uint8_t> disk(2048 * 512, 0);
    disk[510] = 0x55;
    disk[511] = 0xAA;
    disk.insert(disk.end(), img.bytes().begin(), img.bytes().end());
    bind_volume(
        std::make_shared<slice_device_c>(std::make_shared<memory_device_c>(disk), 2048 * 512, img.bytes().size()));
    ASSERT_EQ(fat_open_dir(dir, vol, u"/"), fr_ok);
    EXPECT_EQ(vol.geometry.fat_start, 1u);
    EXPECT_EQ(read_all(dir).size(), 1u);
}

TEST(fat_mount, failures_give_their_codes_without_reading_past_the_disk)
{
    fat_test_image_c img(16, 1, 8192);
    fat_dir_s dir;

    // 4096-byte sectors: the disk is listed but carries no volume for us.
    bind_volume(std::make_shared<memory_device_c>(img.bytes(), 4096));
    EXPECT_EQ(fat_open_dir(dir, vol, u"/"), fr_no_filesystem);

    // Not a boot sector at all.
    std::vector<uint8_t> blank(64 * 1024, 0);
    bind_volume(std::make_shared<memory_device_c>(blank));
    EXPECT_EQ(fat_open_dir(dir, vol, u"/"), fr_no_filesystem);
    EXPECT_FALSE(vol.backup_boot);

    // No device bound.
    bind_volume(nullptr);
    EXPECT_EQ(fat_open_dir(dir, vol, u"/"), fr_not_ready);

    // Truncated image: the boot sector is fine, the root directory is gone.
    std::vector<uint8_t> cut(img.bytes().begin(), img.bytes().begin() + 4096);
    bind_volume(std::make_shared<memory_device_c>(cut));
    ASSERT_EQ(fat_open_dir(dir, vol, u"/"), fr_ok);
    int last = -1;
    EXPECT_TRUE(read_all(dir, &last).empty());
    EXPECT_EQ(last, fr_disk_err);
}

TEST(fat_mount, a_rebind_invalidates_objects_of_the_old_mount)
{
    fat_test_image_c img(16, 1, 8192);
    bind_volume(img.device());
    fat_dir_s dir;
    ASSERT_EQ(fat_open_dir(dir, vol, u"/"), fr_ok);
    bind_volume(img.device());
    fat_file_info_s info;
    EXPECT_EQ(fat_read_dir(dir, &info), fr_invalid_object);
}

TEST(fat_read_dir, returns_deleted_entries_and_checked_long_names_only)
{
    fat_test_image_c img(16, 1, 8192);
    img.entry(0, 0, "VOLUME  LBL", 0x08, 0, 0);                        // label: never returned
    img.long_entry(0, 1, u"Long Name.txt", "LONGNA~1TXT", 0x20, 3, 5); // slots 1-2
    uint32_t s = img.long_entry(0, 3, u"deleted one.txt", "DELETE~1TXT", 0x20, 4, 6);
    for (uint32_t i = 3; i <= s; ++i)
        img.slot(0, i)[0] = 0xE5; // whole set deleted
    s = img.long_entry(0, s + 1, u"bad sum.txt", "BADSUM  TXT", 0x20, 5, 7);
    img.slot(0, s - 1)[13] ^= 0xFF; // wrong checksum
    img.entry(0, s + 1, "LOWER   TXT", 0x20, 6, 8);
    img.slot(0, s + 1)[12] = 0x18;                      // both parts lower case
    img.entry(0, s + 2, ".          ", 0x10, 9, 0);     // dot entry: skipped
    img.entry(0, s + 3, "\x05KANJI  TXT", 0x20, 10, 0); // 0x05 stands for 0xE5
    img.entry(0, s + 4, "NOEXT      ", 0x20, 11, 0);
    auto entries = read_root(img);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].long_name, u"Long Name.txt");
    EXPECT_EQ(entries[0].short_name, u"LONGNA~1.TXT");
    EXPECT_EQ(entries[0].info.attributes, 0x20);
    EXPECT_EQ(entries[0].info.cluster, 3u);

    EXPECT_EQ(entries[1].info.attributes, 0x60) << "deleted entries carry bit 0x40";
    EXPECT_EQ(entries[1].long_name, u"deleted one.txt") << "a deleted long name comes back whole";
    EXPECT_EQ(entries[1].short_name, u"DELETE~1.TXT") << "the checksum gives back the lost first byte";
    EXPECT_FALSE(entries[1].info.first_char_lost);

    EXPECT_EQ(entries[2].long_name, u"") << "a long name with a wrong checksum is dropped";
    EXPECT_EQ(entries[2].short_name, u"BADSUM.TXT");
    EXPECT_EQ(entries[3].short_name, u"lower.txt");
    EXPECT_EQ(entries[4].short_name[0], fat_oem_to_unicode(0xE54B)) << "0x05 decodes as 0xE5 (a lead byte)";
    EXPECT_EQ(entries[5].short_name, u"NOEXT") << "no dot without an extension";
}

// Catches: bytes that no FAT driver writes (file data seen as a folder)
// returned as entries. Each damaged entry is its own case; the sound one
// before and after them, and the short entries of damaged long names, come
// back.
TEST(fat_read_dir, entries_that_fail_the_careful_checks_are_not_returned)
{
    fat_test_image_c img(16, 1, 8192);
    struct case_s {
        const char *why;
        std::function<void(uint8_t *)> damage;
    };
    const case_s shorts[] = {
        {"attribute bit 0x80", [](uint8_t *e) { e[11] = 0xA0; }},
        {"tenths past 199", [](uint8_t *e) { e[13] = 200; }},
        {"hour 24", [](uint8_t *e) { put_le16(e + 22, 24 << 11); }},
        {"minute 60", [](uint8_t *e) { put_le16(e + 14, 60 << 5); }},
        {"month 13", [](uint8_t *e) { put_le16(e + 16, (44 << 9) | (13 << 5) | 1); }},
        {"access day 0", [](uint8_t *e) { put_le16(e + 18, (44 << 9) | (5 << 5)); }},
        {"cluster past the volume", [](uint8_t *e) { put_le16(e + 26, 60000); }},
        {"cluster 1", [](uint8_t *e) { put_le16(e + 26, 1); }},
        {"high cluster half on FAT16", [](uint8_t *e) { put_le16(e + 20, 1); }},
        {"size past the data area", [](uint8_t *e) { put_le32(e + 28, 0x10000000); }},
        {"size without a cluster", [](uint8_t *e) { put_le16(e + 26, 0); }},
        {"folder with a size", [](uint8_t *e) { e[11] = 0x10; }},
        {"escape in the name", [](uint8_t *e) { e[2] = 0x1B; }},
        {"'*' in the name", [](uint8_t *e) { e[3] = '*'; }},
        {"lower case in the name", [](uint8_t *e) { e[4] = 'q'; }},
    };
    const case_s longs[] = {
        {"control character in a long name", [](uint8_t *e) { put_le16(e + 3, 0x07); }},
        {"'|' in a long name", [](uint8_t *e) { put_le16(e + 3, '|'); }},
        {"long-name kind byte", [](uint8_t *e) { e[12] = 1; }},
        {"long-name cluster", [](uint8_t *e) { e[26] = 5; }},
    };
    uint32_t slot = 0, cluster = 20;
    img.entry(0, slot++, "\xE5OOD    TXT", 0x20, cluster++, 100);
    for (const case_s &c : shorts) {
        char name[12];
        snprintf(name, sizeof name,
                 "\xE5"
                 "AD%02u   TXT",
                 slot);
        img.entry(0, slot, name, 0x20, cluster++, 100);
        c.damage(img.slot(0, slot++));
    }
    for (const case_s &c : longs) {
        char name[12];
        snprintf(name, sizeof name, "LONG%02u  TXT", slot);
        const uint32_t first = slot;
        slot = img.long_entry(0, slot, u"a long name.txt", name, 0x20, cluster++, 100) + 1;
        c.damage(img.slot(0, first));
    }
    img.entry(0, slot, "LAST    TXT", 0x20, cluster, 100);

    const auto entries = read_root(img);
    std::vector<std::u16string> names;
    for (const read_dir_result_s &r : entries)
        names.push_back(r.short_name + u"|" + r.long_name);
    EXPECT_EQ(names.front(), u"?OOD.TXT|") << "a sound deleted entry before the damaged ones";
    EXPECT_EQ(names.back(), u"LAST.TXT|") << "and a live one after them";
    for (size_t i = 0; i < std::size(shorts); ++i) {
        const std::u16string name = u"?AD" + std::u16string(1, char16_t(u'0' + (i + 1) / 10)) +
            std::u16string(1, char16_t(u'0' + (i + 1) % 10)) + u".TXT|";
        EXPECT_EQ(std::count(names.begin(), names.end(), name), 0) << shorts[i].why;
    }
    ASSERT_EQ(entries.size(), 2 + std::size(longs));
    for (size_t i = 0; i < std::size(longs); ++i) {
        EXPECT_EQ(entries[1 + i].long_name, u"") << longs[i].why << ": the long name is dropped";
        EXPECT_EQ(entries[1 + i].short_name.substr(0, 4), u"LONG") << longs[i].why << ": its short name is kept";
    }
}

// Deletion overwrites every order number: the pieces are placed by where
// they lie, and taken only when all carry one checksum and the name ends.
TEST(fat_read_dir, deleted_long_names_come_back_only_when_whole)
{
    fat_test_image_c img(16, 1, 8192);
    uint32_t next = 0;
    // Writes a name and deletes it; far_end_lost puts a live entry over its
    // furthest piece. Returns the short entry's slot.
    auto deleted = [&](const std::u16string &name, const char *name11, bool far_end_lost = false) {
        const uint32_t first = next;
        const uint32_t s = img.long_entry(0, first, name, name11, 0x20, 3 + first, 1);
        for (uint32_t i = first; i <= s; ++i)
            img.slot(0, i)[0] = 0xE5;
        if (far_end_lost)
            img.entry(0, first, "NEW     TXT", 0x20, 2, 1);
        next = s + 1;
        return s;
    };
    deleted(u"A name long enough for three pieces.txt", "ANAMEL~1TXT");
    deleted(u"exactly13.txt", "EXACTL~1TXT"); // fills its only piece
    deleted(u"Lost at the far end.txt", "LOSTAT~1TXT", true);
    deleted(u".dot at the far end.txt", "DOTATT~1TXT", true);
    const uint32_t s = deleted(u"middle piece from another name.txt", "MIDDLE~1TXT");
    img.slot(0, s - 2)[13] ^= 0x5A; // another checksum
    img.entry(0, next,
              "\xE5"
              "ONE    TXT",
              0x20, 9, 1); // no pieces at all
    auto entries = read_root(img);
    ASSERT_EQ(entries.size(), 8u);
    EXPECT_EQ(entries[0].long_name, u"A name long enough for three pieces.txt");
    EXPECT_EQ(entries[1].long_name, u"exactly13.txt");
    EXPECT_EQ(entries[2].short_name, u"NEW.TXT");
    EXPECT_EQ(entries[3].long_name, u"") << "a piece lost at the far end takes the extension with it";
    EXPECT_EQ(entries[3].short_name, u"LOSTAT~1.TXT") << "the first byte agrees with the first character";
    EXPECT_FALSE(entries[3].info.first_char_lost);
    EXPECT_EQ(entries[5].long_name, u"");
    EXPECT_EQ(entries[5].short_name, u"?OTATT~1.TXT") << "a short name does not start with '.'";
    EXPECT_TRUE(entries[5].info.first_char_lost);
    EXPECT_EQ(entries[6].long_name, u"") << "pieces of two checksums";
    EXPECT_EQ(entries[6].short_name, u"MIDDLE~1.TXT");
    EXPECT_EQ(entries[7].short_name, u"?ONE.TXT");
    EXPECT_TRUE(entries[7].info.first_char_lost);
}

TEST(fat_read_dir, a_cleared_chain_fails_after_filling_the_last_entry_of_the_cluster)
{
    fat_test_image_c img(16, 1, 8192);
    // Cluster 2 is a directory whose chain is cleared (FAT entry 0) and full.
    for (uint32_t i = 0; i < 16; ++i) {
        char name[12];
        snprintf(name, sizeof name, "F%02u     TXT", i);
        img.entry(2, i, name, 0x20, 10 + i, 1);
    }
    fat_dir_s dir;
    open_cluster_dir(img, dir, 2);
    int last = -1;
    auto entries = read_all(dir, &last);
    EXPECT_EQ(entries.size(), 15u);
    EXPECT_EQ(last, fr_int_err);
    // The failed read did fill the 16th entry, and later reads see the end.
    fat_file_info_s info;
    EXPECT_EQ(fat_read_dir(dir, &info), fr_ok);
    EXPECT_EQ(info.short_name[0], 0);
}

TEST(fat_read_dir, a_looping_directory_chain_ends)
{
    fat_test_image_c img(16, 1, 8192);
    img.entry(2, 0, "A       TXT", 0x20, 5, 1);
    img.set_fat(2, 2); // the directory's chain points at itself
    // With one entry and fifteen empty slots the end marker stops it at
    // once; full slots leave only the 16-bit index to end it.
    for (uint32_t i = 1; i < 16; ++i)
        img.entry(2, i, "B       TXT", 0x20, 6, 1);
    fat_dir_s dir;
    open_cluster_dir(img, dir, 2);
    EXPECT_EQ(read_all(dir).size(), 65536u);
}

TEST(fat_path, follows_long_and_short_names_and_refuses_bad_ones)
{
    fat_test_image_c img(16, 1, 8192);
    img.long_entry(0, 0, u"Mixed Case Dir", "MIXEDC~1   ", 0x10, 2, 0);
    img.entry(2, 0, "SUB        ", 0x10, 3, 0);
    img.long_entry(3, 0, u"Ünïcode file.txt", "NICODE~1TXT", 0x20, 4, 3);
    img.entry(0, 3, "PLAIN   TXT", 0x20, 5, 3);
    img.chain(4, 1);
    memcpy(img.bytes().data() + img.cluster_offset(4), "abc", 3);
    bind_volume(img.device());

    fat_dir_s dir;
    EXPECT_EQ(fat_open_dir(dir, vol, u"/mixed case dir//sub/"), fr_ok);
    EXPECT_EQ(dir.start_cluster, 3u);
    EXPECT_EQ(fat_open_dir(dir, vol, u"\\MIXEDC~1\\SUB"), fr_ok);
    EXPECT_EQ(fat_open_dir(dir, vol, u"/Mixed Case Dir/none"), fr_no_path);
    EXPECT_EQ(fat_open_dir(dir, vol, u"/nothing/sub"), fr_no_path);
    EXPECT_EQ(fat_open_dir(dir, vol, u"/plain.txt"), fr_no_path) << "a file is not a directory";
    EXPECT_EQ(fat_open_dir(dir, vol, u"/bad*name"), fr_invalid_name);
    EXPECT_EQ(fat_open_dir(dir, vol, u"/" + std::u16string(256, u'x')), fr_invalid_name);

    fat_file_s file;
    ASSERT_EQ(fat_open_file(file, vol, u"/Mixed Case Dir/SUB/ÜNÏCODE FILE.TXT"), fr_ok);
    uint8_t buf[8] = {};
    size_t got = 0;
    ASSERT_EQ(fat_read_file(file, buf, sizeof buf, &got, false), fr_ok);
    EXPECT_EQ(got, 3u);
    EXPECT_EQ(memcmp(buf, "abc", 3), 0);
    EXPECT_EQ(fat_open_file(file, vol, u"/Mixed Case Dir"), fr_no_file);
}

TEST(fat_read_file, follows_the_chain_and_reads_whole_sectors_straight_through)
{
    fat_test_image_c img(16, 4, 40000); // 2 KiB clusters
    // A fragmented file: clusters 5, 9, 7.
    img.set_fat(5, 9);
    img.set_fat(9, 7);
    img.set_fat(7, 0xFFFF);
    img.fill(5, 1, 0x55);
    img.fill(9, 1, 0x99);
    img.fill(7, 1, 0x77);
    auto device = std::make_shared<recording_device_c>(img.bytes());
    bind_volume(device);
    fat_dir_s dir;
    ASSERT_EQ(fat_open_dir(dir, vol, u"/"), fr_ok);

    fat_file_s file;
    fat_file_setup(file, vol, 5, 3 * 2048);
    std::vector<uint8_t> out(3 * 2048);
    size_t got = 0;
    ASSERT_EQ(fat_read_file(file, out.data(), 512, &got, false), fr_ok); // one sector: buffered
    device->reads.clear();
    // Eight sectors asked for with three left in the cluster: three straight
    // into the caller's buffer, then on along the chain.
    ASSERT_EQ(fat_read_file(file, out.data() + 512, 8 * 512, &got, false), fr_ok);
    auto first_data =
        std::find_if(device->reads.begin(), device->reads.end(), [&](auto &r) { return r.first >= img.data_offset(); });
    ASSERT_NE(first_data, device->reads.end());
    EXPECT_EQ(first_data->first, img.cluster_offset(5) + 512);
    EXPECT_EQ(first_data->second, 3u * 512);
    ASSERT_EQ(fat_read_file(file, out.data() + 9 * 512, out.size(), &got, false), fr_ok);
    EXPECT_EQ(got, out.size());
    EXPECT_EQ(out[0], 0x55);
    EXPECT_EQ(out[2048], 0x99);
    EXPECT_EQ(out[4096], 0x77);
    EXPECT_EQ(out.back(), 0x77);

    // Seeking into the third cluster lands on cluster 7.
    ASSERT_EQ(fat_seek_file(file, 4096 + 100), fr_ok);
    uint8_t one = 0;
    got = 0;
    ASSERT_EQ(fat_read_file(file, &one, 1, &got, false), fr_ok);
    EXPECT_EQ(one, 0x77);
}

TEST(fat_read_file, contiguous_reads_never_touch_the_fat_and_bad_clusters_stop_with_an_error)
{
    fat_test_image_c img(16, 4, 40000);
    img.fill(5, 3, 0x5A);
    auto device = std::make_shared<recording_device_c>(img.bytes());
    bind_volume(device);
    fat_dir_s dir;
    ASSERT_EQ(fat_open_dir(dir, vol, u"/"), fr_ok);
    const fat_geometry_s &g = vol.geometry;
    vol.window_sector = UINT64_MAX;
    device->reads.clear();

    fat_file_s file;
    fat_file_setup(file, vol, 5, 3 * 2048 - 7);
    std::vector<uint8_t> out(3 * 2048);
    size_t got = 0;
    ASSERT_EQ(fat_read_file(file, out.data(), out.size(), &got, true), fr_ok);
    EXPECT_EQ(got, 3u * 2048 - 7);
    for (auto &r : device->reads)
        EXPECT_GE(r.first, g.data_start * 512) << "read inside the FAT at " << r.first;

    // The chain of a deleted file is cleared: following it fails at once.
    fat_file_setup(file, vol, 5, 3 * 2048);
    got = 0;
    EXPECT_EQ(fat_read_file(file, out.data(), out.size(), &got, false), fr_int_err);
    EXPECT_EQ(got, 2048u);
    EXPECT_EQ(fat_read_file(file, out.data(), 1, &got, false), fr_int_err) << "the error sticks";

    // A start cluster outside the volume.
    fat_file_setup(file, vol, g.fat_entries + 5, 100);
    got = 0;
    EXPECT_EQ(fat_read_file(file, out.data(), 100, &got, true), fr_int_err);
    EXPECT_EQ(got, 0u);
    // Contiguous reads that run off the end of the volume.
    fat_file_setup(file, vol, g.fat_entries - 1, 3 * 2048);
    got = 0;
    EXPECT_EQ(fat_read_file(file, out.data(), out.size(), &got, true), fr_int_err);
    EXPECT_EQ(got, 2048u);
}

// Fails every read that touches [bad_from, bad_to).
class bad_spot_device_c : public recording_device_c {
public:
    bad_spot_device_c(std::vector<uint8_t> bytes, uint64_t from, uint64_t to)
        : recording_device_c(std::move(bytes)), from_(from), to_(to)
    {}
    int64_t read_at(uint64_t offset, void *buffer, size_t len) override
    {
        const int64_t got = recording_device_c::read_at(offset, buffer, len);
        return offset < to_ && offset + len > from_ ? -1 : got;
    }

private:
    uint64_t from_, to_;
};

TEST(fat_read_file, clusters_in_a_row_are_one_transfer_and_a_bad_spot_keeps_what_lies_before_it)
{
    fat_test_image_c img(16, 4, 40000); // 2 KiB clusters
    img.chain(5, 4);
    for (uint32_t c = 5; c < 9; ++c)
        img.fill(c, 1, static_cast<uint8_t>(c));
    std::vector<uint8_t> out(4 * 2048);
    for (bool contiguous : {false, true}) {
        SCOPED_TRACE(contiguous);
        auto device = std::make_shared<recording_device_c>(img.bytes());
        mount(device);
        fat_file_s file;
        fat_file_setup(file, vol, 5, 4 * 2048);
        device->reads.clear();
        size_t got = 0;
        ASSERT_EQ(fat_read_file(file, out.data(), out.size(), &got, contiguous), fr_ok);
        EXPECT_EQ(got, out.size());
        EXPECT_EQ(out[3 * 2048], 8);
        const auto data = std::count_if(device->reads.begin(), device->reads.end(),
                                        [&](auto &r) { return r.first >= img.data_offset(); });
        EXPECT_EQ(data, 1) << "four clusters in a row, one read";
    }
    // Cluster 7 cannot be read: clusters 5 and 6 still come back.
    auto device = std::make_shared<bad_spot_device_c>(img.bytes(), img.cluster_offset(7), img.cluster_offset(8));
    mount(device);
    fat_file_s file;
    fat_file_setup(file, vol, 5, 4 * 2048);
    size_t got = 0;
    std::fill(out.begin(), out.end(), 0);
    EXPECT_EQ(fat_read_file(file, out.data(), out.size(), &got, true), fr_disk_err);
    EXPECT_EQ(got, 2u * 2048);
    EXPECT_EQ(out[2048 + 100], 6);
}

TEST(fat_codepage, decodes_gbk_pairs_and_maps_back)
{
    const uint8_t name[] = {'A', 0xD6, 0xD0, 0xCE, 0xC4, 0x81}; // "A中文" and a cut lead byte
    std::u16string text = fat_decode_oem(name, sizeof name);
    EXPECT_EQ(text, std::u16string(u"A中文?"));
    EXPECT_EQ(fat_unicode_to_oem(u'中'), 0xD6D0);
    EXPECT_EQ(fat_unicode_to_oem(u'\u0401'), 0xA7A7); // Ё
    EXPECT_EQ(fat_oem_to_unicode(0xFFFF), u'?');
    EXPECT_EQ(fat_upper(u'é'), u'É');
    EXPECT_EQ(fat_upper(u'ж'), u'Ж');
    EXPECT_EQ(fat_upper(u'q'), u'Q');
    EXPECT_EQ(fat_short_name_checksum(reinterpret_cast<const uint8_t *>("FILE    TXT")), 0x19);
}

} // namespace

TEST(fat_disk, reads_refuse_oversized_transfers_and_fail_past_the_end)
{
    fat_disk_c disk(std::make_shared<memory_device_c>(std::vector<uint8_t>(256 * 512, 0x5A)));
    std::vector<uint8_t> buffer(256 * 512);
    EXPECT_EQ(disk.read(buffer.data(), buffer.size(), 0, 128), disk_ok);
    EXPECT_EQ(buffer[128 * 512 - 1], 0x5A);
    EXPECT_EQ(disk.read(buffer.data(), buffer.size(), 0, 129), disk_bad_parameter) << "above 64 KiB";
    EXPECT_EQ(disk.read(buffer.data(), 512, 0, 2), disk_bad_parameter) << "larger than the caller's buffer";
    EXPECT_EQ(disk.read(buffer.data(), buffer.size(), 255, 2), disk_error) << "runs past the end";
    EXPECT_EQ(disk.read(buffer.data(), buffer.size(), UINT64_MAX / 256, 1), disk_error);
}

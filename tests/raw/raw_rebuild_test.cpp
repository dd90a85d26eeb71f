// The rebuilding of old folders and records on damaged input: ".." links
// that loop, records claiming to be their own parent or parents of each
// other, broken fix-ups, thousands of stale copies of one record, resident
// data across a sector's fixed-up end.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>

#include "engines/raw/rebuild/old_structures.h"
#include "platform/fat_layout.h"

namespace {

// Every folder's chain reaches the root; name -> how often a file has it,
// and its path.
std::map<std::u16string, int> files_by_name(const rebuilt_tree_s &tree)
{
    std::map<std::u16string, int> names;
    for (size_t i = 1; i < tree.folders.size(); ++i) {
        size_t steps = 0;
        for (uint32_t at = static_cast<uint32_t>(i); at != 0; at = tree.folders[at].parent)
            EXPECT_LE(++steps, tree.folders.size()) << "a folder's chain does not reach the root";
    }
    for (const rebuilt_file_s &file : tree.files)
        ++names[file.name];
    return names;
}

std::vector<uint8_t> read_file(block_device_c &device, const rebuilt_file_s &file)
{
    std::vector<uint8_t> bytes;
    for (const rebuilt_stretch_s &s : file.stretches) {
        std::vector<uint8_t> part(s.length);
        EXPECT_TRUE(device.read_exact(s.offset, part.data(), part.size()));
        bytes.insert(bytes.end(), part.begin(), part.end());
    }
    return bytes;
}

rebuilt_tree_s rebuild(std::shared_ptr<memory_device_c> device)
{
    old_structures_c old(device);
    old.look_at(0, device->bytes().data(), device->bytes().size());
    return old.rebuild(device);
}

// A short directory entry.
void put_entry(uint8_t *e, const char (&name)[12], uint8_t attributes, uint32_t cluster, uint32_t size)
{
    using namespace fat_layout::entry;
    memcpy(e, name, name_length);
    e[fat_layout::entry::attributes] = attributes;
    e[cluster_low] = static_cast<uint8_t>(cluster);
    e[cluster_low + 1] = static_cast<uint8_t>(cluster >> 8);
    e[cluster_high] = static_cast<uint8_t>(cluster >> 16);
    e[cluster_high + 1] = static_cast<uint8_t>(cluster >> 24);
    memcpy(e + file_size, &size, 4);
    e[modified_date] = 0x21; // 1980-01-01
    e[created_date] = 0x21;
}

// Catches: a loop of ".." links hanging the rebuild or losing the folders'
// files, a folder naming itself its parent, files listed twice.
TEST(raw_rebuild, fat_folders_looping_through_their_parents)
{
    const uint64_t data_start = 64 << 10, cluster = 512;
    auto device = std::make_shared<memory_device_c>(std::vector<uint8_t>(256 << 10));
    auto at = [&](uint32_t c) { return device->bytes().data() + data_start + (c - 2) * cluster; };
    // 10 and 11 name each other as parent; 12 names itself.
    const std::pair<uint32_t, uint32_t> folders[] = {{10, 11}, {11, 10}, {12, 12}};
    const char(*names[])[12] = {&"TEN     TXT", &"ELEVEN  TXT", &"TWELVE  TXT"};
    for (size_t i = 0; i < 3; ++i) {
        const auto [self, parent] = folders[i];
        put_entry(at(self), ".          ", 0x10, self, 0);
        put_entry(at(self) + 32, "..         ", 0x10, parent, 0);
        put_entry(at(self) + 64, *names[i], 0x20, 40 + static_cast<uint32_t>(i), 100);
    }
    put_entry(at(11) + 96, "SUB        ", 0x10, 10, 0); // 11 names 10, which names 11 as its parent
    const rebuilt_tree_s tree = rebuild(device);
    const auto names_found = files_by_name(tree);
    for (const char16_t *name : {u"TEN.TXT", u"ELEVEN.TXT", u"TWELVE.TXT"})
        EXPECT_EQ(names_found.count(name) ? names_found.at(name) : 0, 1) << "each file once";
    for (const rebuilt_file_s &file : tree.files)
        if (file.name == u"TEN.TXT") {
            EXPECT_EQ(file.stretches.front().offset, data_start + (40 - 2) * cluster) << "data from its first cluster";
            EXPECT_EQ(file.held, 100u);
        }
}

// A file record as a volume holds it: fix-ups applied, a $FILE_NAME and a
// resident $DATA; without its number field as older versions wrote it.
std::vector<uint8_t> record(uint32_t number, uint16_t sequence, uint64_t parent, uint16_t parent_sequence,
                            const std::u16string &name, bool directory, const std::vector<uint8_t> &data,
                            bool numbered = true)
{
    const size_t usa = numbered ? 48 : 42, attributes_at = (usa + 6 + 7) / 8 * 8;
    std::vector<uint8_t> r(1024, 0);
    auto put16 = [&](size_t at, uint16_t v) { memcpy(&r[at], &v, 2); };
    auto put32 = [&](size_t at, uint32_t v) { memcpy(&r[at], &v, 4); };
    auto put64 = [&](size_t at, uint64_t v) { memcpy(&r[at], &v, 8); };
    memcpy(r.data(), "FILE", 4);
    put16(4, static_cast<uint16_t>(usa));
    put16(6, 3);
    put16(16, sequence);
    put16(18, 1);
    put16(20, static_cast<uint16_t>(attributes_at));
    put16(22, directory ? 3 : 1);
    put32(28, 1024);
    if (numbered)
        put32(44, number);
    size_t pos = attributes_at;
    auto attribute = [&](uint32_t type, const std::vector<uint8_t> &value) {
        const uint32_t length = static_cast<uint32_t>((24 + value.size() + 7) / 8 * 8);
        put32(pos, type);
        put32(pos + 4, length);
        put32(pos + 16, static_cast<uint32_t>(value.size()));
        put16(pos + 20, 24);
        memcpy(&r[pos + 24], value.data(), value.size());
        pos += length;
    };
    std::vector<uint8_t> file_name(66 + 2 * name.size(), 0);
    const uint64_t reference = parent | uint64_t{parent_sequence} << 48;
    memcpy(file_name.data(), &reference, 8);
    const uint32_t attributes = directory ? 0x10000000 : 0x20;
    memcpy(&file_name[56], &attributes, 4);
    file_name[64] = static_cast<uint8_t>(name.size());
    file_name[65] = 1;
    memcpy(&file_name[66], name.data(), 2 * name.size());
    attribute(0x30, file_name);
    if (!directory)
        attribute(0x80, data);
    put32(pos, 0xFFFFFFFF);
    put32(24, static_cast<uint32_t>(pos + 8));
    put64(8, 0);
    // The update sequence: each sector's last two bytes saved, then marked.
    put16(usa, 0x0007);
    for (size_t s = 0; s < 2; ++s) {
        memcpy(&r[usa + 2 + 2 * s], &r[(s + 1) * 512 - 2], 2);
        put16((s + 1) * 512 - 2, 0x0007);
    }
    return r;
}

// Catches: parent cycles and self-parents hanging the rebuild or dropping
// the files below them, a record without its number field not placed in
// its MFT, a record with a broken fix-up taken, stale copies
// listed once each (or found quadratically) instead of once by their newest
// sequence number, resident data read without its fix-up.
TEST(raw_rebuild, mft_records_with_cycles_broken_fixups_and_stale_copies)
{
    const uint64_t base = 1 << 20;
    const size_t stale = 20000;
    auto device = std::make_shared<memory_device_c>(std::vector<uint8_t>((2 << 20) + stale * 1024));
    auto place = [&](uint64_t offset, const std::vector<uint8_t> &r) {
        memcpy(device->bytes().data() + offset, r.data(), r.size());
    };
    std::vector<uint8_t> across(600);
    for (size_t i = 0; i < across.size(); ++i)
        across[i] = static_cast<uint8_t>(i * 7 + 1);
    place(base + 100 * 1024, record(100, 1, 101, 1, u"A", true, {}));
    place(base + 101 * 1024, record(101, 1, 100, 1, u"B", true, {}));
    place(base + 102 * 1024, record(102, 1, 102, 1, u"Self", true, {}));
    place(base + 103 * 1024, record(103, 1, 100, 1, u"in a cycle.txt", false, {1, 2, 3}));
    place(base + 104 * 1024, record(104, 1, 102, 1, u"below itself.txt", false, {4, 5}));
    place(base + 105 * 1024, record(105, 1, 5, 5, u"across.txt", false, across));
    std::vector<uint8_t> broken = record(106, 1, 5, 5, u"broken.txt", false, {6});
    broken[1022] ^= 1;
    place(base + 106 * 1024, broken);
    place(base + 108 * 1024, record(108, 1, 100, 1, u"unnumbered.txt", false, {8}, false));
    for (size_t i = 0; i < stale; ++i)
        place((2 << 20) + i * 1024, record(107, static_cast<uint16_t>(i + 1), 5, 5, u"stale.txt", false,
                                           {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8)}));
    const auto start = std::chrono::steady_clock::now();
    const rebuilt_tree_s tree = rebuild(device);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "never quadratic";

    const auto names = files_by_name(tree);
    for (const char16_t *name : {u"in a cycle.txt", u"below itself.txt", u"across.txt", u"stale.txt", u"unnumbered.txt"})
        EXPECT_EQ(names.count(name) ? names.at(name) : 0, 1) << "each file once";
    EXPECT_EQ(names.count(u"broken.txt"), 0u) << "a broken fix-up is no record";
    for (const rebuilt_file_s &file : tree.files) {
        if (file.name == u"across.txt") {
            EXPECT_EQ(read_file(*device, file), across) << "the bytes under the fix-up come from the update sequence";
        } else if (file.name == u"unnumbered.txt") {
            EXPECT_EQ(tree.folders[file.folder].name, u"A") << "numbered by the MFT it lies in";
        } else if (file.name == u"stale.txt") {
            const std::vector<uint8_t> newest{uint8_t((stale - 1) & 0xFF), uint8_t((stale - 1) >> 8)};
            EXPECT_EQ(read_file(*device, file), newest) << "the newest sequence number wins";
        }
    }
}

} // namespace

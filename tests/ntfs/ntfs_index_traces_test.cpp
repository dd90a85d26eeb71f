// Stale $FILE_NAME keys in index slack: what passes as a trace of a file the
// directory once held, and what is noise.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "libntfs/index_traces.h"

namespace {

constexpr uint64_t directory = 39;
constexpr uint16_t directory_sequence = 3;
constexpr uint64_t mid_2019 = 132019991644766575ull; // a FILETIME of May 2019
constexpr size_t key_pos = 128;

struct key_fields_s {
    uint64_t parent = directory | uint64_t(directory_sequence) << 48;
    std::u16string name = u"report.txt";
    uint8_t name_space = 1;
    uint64_t time = mid_2019;
    uint32_t attributes = 0x20;
    uint64_t reference = 77 | uint64_t(2) << 48;
    bool intact_header = true;
};

// A 4 KiB block with one index entry whose key starts at key_pos.
std::vector<uint8_t> block_with(const key_fields_s &fields)
{
    std::vector<uint8_t> block(4096, 0);
    ntfs_file_name_s key{};
    key.parent_reference = fields.parent;
    key.created = key.modified = key.mft_changed = key.accessed = fields.time;
    key.data_size = 1234;
    key.allocated_size = 4096;
    key.file_attributes = fields.attributes;
    key.name_length = static_cast<uint8_t>(fields.name.size());
    key.name_space = fields.name_space;
    memcpy(&block[key_pos], &key, sizeof key);
    memcpy(&block[key_pos + sizeof key], fields.name.data(), 2 * fields.name.size());
    if (fields.intact_header) {
        ntfs_index_entry_s entry{};
        entry.file_reference = fields.reference;
        entry.key_length = static_cast<uint16_t>(sizeof key + 2 * fields.name.size());
        entry.length = static_cast<uint16_t>((sizeof entry + entry.key_length + 7) & ~7u);
        memcpy(&block[key_pos - sizeof entry], &entry, sizeof entry);
    } else {
        // What the end marker leaves when it moves down over the entry.
        const uint8_t end_marker[16] = {0, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0, 2, 0, 0, 0};
        memcpy(&block[key_pos - 16], end_marker, 16);
    }
    return block;
}

bool read_trace(const std::vector<uint8_t> &block, index_trace_s &out, uint16_t sequence = directory_sequence)
{
    return read_index_trace({block.data(), block.size()}, key_pos, directory, sequence, out);
}

} // namespace

TEST(ntfs_index_trace, reads_the_key_and_the_reference_only_from_an_intact_entry)
{
    index_trace_s trace;
    ASSERT_TRUE(read_trace(block_with({}), trace));
    EXPECT_EQ(trace.name, u"report.txt");
    EXPECT_EQ(trace.key.data_size, 1234u);
    EXPECT_EQ(trace.key.modified, mid_2019);
    EXPECT_EQ(trace.reference, 77 | uint64_t(2) << 48);

    key_fields_s overwritten;
    overwritten.intact_header = false;
    ASSERT_TRUE(read_trace(block_with(overwritten), trace));
    EXPECT_EQ(trace.name, u"report.txt");
    EXPECT_EQ(trace.reference, 0u) << "a header that describes another key names another file";
}

TEST(ntfs_index_trace, parent_must_be_this_directory_live_or_just_deleted)
{
    index_trace_s trace;
    EXPECT_TRUE(read_trace(block_with({}), trace, directory_sequence + 1)) << "deleting moves the sequence on";
    EXPECT_FALSE(read_trace(block_with({}), trace, directory_sequence + 2));
    EXPECT_FALSE(read_trace(block_with({}), trace, directory_sequence - 1));
    key_fields_s other;
    other.parent = 40 | uint64_t(directory_sequence) << 48;
    EXPECT_FALSE(read_trace(block_with(other), trace));
}

TEST(ntfs_index_trace, implausible_keys_are_noise)
{
    const std::vector<std::pair<const char *, std::function<void(key_fields_s &)>>> noise = {
        {"empty name", [](key_fields_s &k) { k.name.clear(); }},
        {"slash in name", [](key_fields_s &k) { k.name = u"a/b"; }},
        {"control character", [](key_fields_s &k) { k.name = u"a\u0001b"; }},
        {"colon in a Windows name", [](key_fields_s &k) { k.name = u"a:b"; }},
        {"unknown name space", [](key_fields_s &k) { k.name_space = 4; }},
        {"zero times", [](key_fields_s &k) { k.time = 0; }},
        {"times past 2200", [](key_fields_s &k) { k.time = 0x7FFFFFFFFFFFFFFFull; }},
        {"unknown attribute bits", [](key_fields_s &k) { k.attributes = 0x80000000u; }},
    };
    for (const auto &[what, change] : noise) {
        key_fields_s fields;
        change(fields);
        index_trace_s trace;
        EXPECT_FALSE(read_trace(block_with(fields), trace)) << what;
    }
    key_fields_s posix;
    posix.name = u"a:b";
    posix.name_space = 0;
    index_trace_s trace;
    EXPECT_TRUE(read_trace(block_with(posix), trace)) << "POSIX names may hold a colon";
}

TEST(ntfs_index_trace, name_running_past_the_block_is_refused)
{
    std::vector<uint8_t> block = block_with({});
    block.resize(key_pos + sizeof(ntfs_file_name_s) + 4);
    index_trace_s trace;
    EXPECT_FALSE(read_trace(block, trace));
}

TEST(ntfs_index_trace, short_name_goes_only_when_its_long_name_was_found_too)
{
    auto trace = [](const char16_t *name, uint8_t name_space, uint64_t time) {
        index_trace_s t;
        t.name = name;
        t.key.name_space = name_space;
        t.key.created = t.key.modified = t.key.mft_changed = time;
        return t;
    };
    const uint8_t posix = 0, win32 = 1, dos = 2;
    std::vector<index_trace_s> traces = {
        trace(u"Quarterly report.docx", win32, mid_2019), trace(u"QUARTE~1.DOC", dos, mid_2019),
        trace(u"LONELY~1.TXT", dos, mid_2019 + 1), // its long name was overwritten
        trace(u"ANOTHE~1.TXT", dos, mid_2019 + 2),        trace(u"another one.txt", posix, mid_2019 + 3),
    };
    drop_short_twins(traces);
    std::vector<std::u16string> names;
    for (const index_trace_s &t : traces)
        names.push_back(t.name);
    EXPECT_EQ(names,
              (std::vector<std::u16string>{u"Quarterly report.docx", u"LONELY~1.TXT", u"ANOTHE~1.TXT",
                                           u"another one.txt"}));
}

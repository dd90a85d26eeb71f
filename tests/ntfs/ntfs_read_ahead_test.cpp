// The $MFT walk reads its batches of records on a second thread and fixes
// them up in place. Records must still come out in order across batch
// borders, a batch the device cannot read is read again record by record,
// torn records are passed over, and a scan can be shut down at any point.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "libntfs/hash_key_set.h"
#include "libntfs/ntfs_layout.h"
#include "libntfs/ntfs_scan_internal.h"
#include "ntfs_test_support.h"

namespace {

constexpr uint32_t record_size = 1024;
// Batches hold 1024 records of this size, so this spans three, the last short.
constexpr uint64_t record_count = 3000;
constexpr uint64_t root = 5;

std::u16string name_for(uint64_t number)
{
    std::u16string name = u"f";
    for (char c : std::to_string(number))
        name += char16_t(c);
    return name;
}

// A base record with one $FILE_NAME in the root folder, protected by fixups
// as on disk. Every third record is a deleted one.
void write_record(uint8_t *r, uint64_t number)
{
    memset(r, 0, record_size);
    const std::u16string name = name_for(number);
    ntfs_record_header_s header{};
    memcpy(header.magic, "FILE", 4);
    header.usa_offset = 48;
    header.usa_count = 3;
    header.sequence = 1;
    header.attrs_offset = 56;
    header.flags = number % 3 == 0 ? 0 : ntfs_record_in_use;
    header.bytes_allocated = record_size;

    ntfs_file_name_s fn{};
    fn.parent_reference = root | 1ull << 48;
    fn.name_length = static_cast<uint8_t>(name.size());
    fn.name_space = 1;
    ntfs_resident_header_s attr{};
    attr.common.type = ntfs_attr_file_name;
    attr.value_offset = sizeof attr;
    attr.value_length = static_cast<uint32_t>(sizeof fn + 2 * name.size());
    attr.common.length = (attr.value_offset + attr.value_length + 7) & ~7u;
    uint8_t *p = r + header.attrs_offset;
    memcpy(p, &attr, sizeof attr);
    memcpy(p + sizeof attr, &fn, sizeof fn);
    memcpy(p + sizeof attr + sizeof fn, name.data(), 2 * name.size());
    const uint32_t end = ntfs_attr_end;
    memcpy(p + attr.common.length, &end, 4);
    header.bytes_in_use = header.attrs_offset + attr.common.length + 8;
    memcpy(r, &header, sizeof header);

    // Update sequence 0x0101; each stride's last two bytes move into the array.
    uint8_t *usa = r + header.usa_offset;
    usa[0] = usa[1] = 1;
    for (int stride = 1; stride <= 2; ++stride) {
        uint8_t *tail = r + stride * 512 - 2;
        memcpy(usa + 2 * stride, tail, 2);
        tail[0] = tail[1] = 1;
    }
}

std::vector<uint8_t> make_mft(uint64_t count = record_count)
{
    std::vector<uint8_t> mft(count * record_size);
    for (uint64_t n = 0; n < count; ++n)
        write_record(mft.data() + n * record_size, n);
    return mft;
}

// The records in bad cannot be read, like bad spots on a disk.
class bad_records_device_c : public block_device_c {
public:
    bad_records_device_c(std::vector<uint8_t> mft, std::vector<uint64_t> bad)
        : mft_(std::move(mft)), bad_(std::move(bad))
    {}
    int64_t read_at(uint64_t offset, void *buffer, size_t len) override
    {
        for (uint64_t n : bad_)
            if (offset < (n + 1) * record_size && offset + len > n * record_size)
                return -1;
        return mft_.read_at(offset, buffer, len);
    }
    uint64_t size() const override { return mft_.size(); }
    uint32_t sector_size() const override { return 512; }

private:
    memory_device_c mft_;
    std::vector<uint64_t> bad_;
};

struct walk_s {
    scan_session_s session;
    std::vector<ntfs_scan_record> records; // in the order reported
};

std::unique_ptr<walk_s> walk(std::shared_ptr<block_device_c> device)
{
    auto w = std::make_unique<walk_s>();
    w->session.startup_result = ntfs_scan_startup_mft_file(std::move(device), &w->session.context);
    if (w->session.startup_result != ntfs_ok)
        return w;
    for (;;) {
        ntfs_scan_record r{};
        if (!ntfs_scan_next(&w->session.context, &r))
            break;
        w->records.push_back(r);
    }
    return w;
}

std::vector<uint64_t> ids_of(const walk_s &w)
{
    std::vector<uint64_t> ids;
    for (const ntfs_scan_record &r : w.records)
        ids.push_back(r.id);
    return ids;
}

std::vector<uint64_t> all_but(std::vector<uint64_t> missing)
{
    std::vector<uint64_t> ids;
    for (uint64_t n = 0; n < record_count; ++n)
        if (std::find(missing.begin(), missing.end(), n) == missing.end())
            ids.push_back(n);
    return ids;
}

void expect_counters_complete(const walk_s &w)
{
    const ntfs_scan_context &c = w.session.context;
    EXPECT_EQ(int64_t(c.c1) + c.c2, c.total / 8);
}

} // namespace

TEST(ntfs_read_ahead, every_record_comes_out_once_in_order_across_batch_borders)
{
    auto w = walk(std::make_shared<memory_device_c>(make_mft()));
    ASSERT_EQ(w->session.startup_result, ntfs_ok);
    ASSERT_EQ(ids_of(*w), all_but({}));
    for (const ntfs_scan_record &r : w->records) {
        SCOPED_TRACE(r.id);
        const std::u16string name = name_for(r.id);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t *>(r.name)), name);
        EXPECT_EQ(r.parent_id, root);
        EXPECT_EQ(r.flags, r.id % 3 == 0 ? ntfs_record_flag_file | ntfs_record_flag_deleted : ntfs_record_flag_file);
    }
    EXPECT_EQ(w->session.context.c1, int32_t(record_count - record_count / 3));
    expect_counters_complete(*w);
}

TEST(ntfs_read_ahead, an_unreadable_spot_loses_only_the_records_it_covers)
{
    // One record in the middle of the second batch, then the first record
    // of the third batch and the last record of the second.
    for (std::vector<uint64_t> bad : {std::vector<uint64_t>{1500}, std::vector<uint64_t>{2047, 2048}}) {
        SCOPED_TRACE(bad.front());
        auto w = walk(std::make_shared<bad_records_device_c>(make_mft(), bad));
        ASSERT_EQ(w->session.startup_result, ntfs_ok);
        EXPECT_EQ(ids_of(*w), all_but(bad));
        expect_counters_complete(*w);
    }
}

TEST(ntfs_read_ahead, torn_records_inside_a_batch_are_passed_over)
{
    std::vector<uint8_t> mft = make_mft();
    for (uint64_t torn : {1023, 1024, 1501, 2000})
        mft[torn * record_size + 1022] ^= 0xFF; // second stride's check value
    auto whole = walk(std::make_shared<memory_device_c>(mft));
    ASSERT_EQ(whole->session.startup_result, ntfs_ok);
    EXPECT_EQ(ids_of(*whole), all_but({1023, 1024, 1501, 2000}));
    expect_counters_complete(*whole);
    // The same when their batch has to be read record by record.
    auto one_by_one = walk(std::make_shared<bad_records_device_c>(mft, std::vector<uint64_t>{1500}));
    ASSERT_EQ(one_by_one->session.startup_result, ntfs_ok);
    EXPECT_EQ(ids_of(*one_by_one), all_but({1023, 1024, 1500, 1501, 2000}));
    expect_counters_complete(*one_by_one);
}

TEST(ntfs_read_ahead, a_scan_shut_down_at_any_point_ends_cleanly)
{
    // Large enough that the reader thread is still waiting for a free slot
    // at the early stops.
    const std::vector<uint8_t> mft = make_mft(20000);
    for (size_t stop : {0, 1, 1023, 1024, 2500, 19990}) {
        SCOPED_TRACE(stop);
        ntfs_scan_context context{};
        ASSERT_EQ(ntfs_scan_startup_mft_file(std::make_shared<memory_device_c>(mft), &context), ntfs_ok);
        for (size_t i = 0; i < stop; ++i) {
            ntfs_scan_record r{};
            ASSERT_TRUE(ntfs_scan_next(&context, &r));
            ASSERT_EQ(r.id, i);
        }
        EXPECT_EQ(ntfs_scan_shutdown(&context), ntfs_ok);
    }
}

// The slack search comes after the walk, with the reader thread gone:
// stopping in the middle of it ends cleanly, and a full scan gives the same
// names in the same order every time.
TEST(ntfs_read_ahead, the_slack_search_stops_cleanly_and_reports_in_a_fixed_order)
{
    const std::string path = unpack_shared_image("dfir_ntfs/ntfs_index.raw.gz");
    if (path.empty())
        GTEST_SKIP() << "shared test images not found";
    auto slack_names = [&] {
        scan_session_s s;
        EXPECT_EQ(ntfs_scan_startup_device(open_image_volume(path, 65536), &s.context), ntfs_ok);
        std::vector<std::string> names;
        for (auto &[id, r] : scan_all(s.context))
            if (id >= uint64_t(s.context.total / 8))
                names.push_back(std::to_string(r.parent_id) + "/" + name_of(r));
        return names;
    };
    const std::vector<std::string> first = slack_names();
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(slack_names(), first);

    ntfs_scan_context context{};
    ASSERT_EQ(ntfs_scan_startup_device(open_image_volume(path, 65536), &context), ntfs_ok);
    ntfs_scan_record r{};
    while (ntfs_scan_next(&context, &r) && r.id < uint64_t(context.total / 8))
        r = {};
    EXPECT_EQ(ntfs_scan_shutdown(&context), ntfs_ok);
}

TEST(ntfs_hash_key_set, holds_what_was_inserted_and_nothing_else)
{
    hash_key_set_c set;
    EXPECT_FALSE(set.contains(0));
    EXPECT_FALSE(set.contains(42));
    EXPECT_TRUE(set.insert(0));
    EXPECT_FALSE(set.insert(0));
    EXPECT_TRUE(set.contains(0));
    // Keys alike in their low bits all want the same slot, across growth.
    for (uint64_t i = 1; i <= 3000; ++i)
        ASSERT_TRUE(set.insert(i << 32));
    // Spread keys in the hundreds of thousands, reserved for in one go.
    hash_key_set_c big;
    big.reserve(100000);
    uint64_t x = 1;
    std::vector<uint64_t> keys;
    for (int i = 0; i < 300000; ++i) {
        x = x * 6364136223846793005ull + 1442695040888963407ull;
        keys.push_back(x);
        ASSERT_TRUE(big.insert(x));
    }
    for (uint64_t i = 1; i <= 3000; ++i) {
        EXPECT_FALSE(set.insert(i << 32));
        EXPECT_TRUE(set.contains(i << 32));
        EXPECT_FALSE(set.contains(i << 31 | 1));
    }
    for (uint64_t key : keys) {
        ASSERT_TRUE(big.contains(key));
        ASSERT_FALSE(big.contains(key ^ 1));
    }
}

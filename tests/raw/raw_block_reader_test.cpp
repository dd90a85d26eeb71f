// The deep scan's read-ahead: every block must arrive whole, in order, with
// the bytes of its own offset, however often the reader thread reuses its
// slots, and an unreadable area must come back as zeros without ending the scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "libsc/sc_block_reader.h"
#include "platform/block_device.h"

namespace {

std::vector<uint8_t> pattern(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i * 7 + i / 4096) % 251);
    return bytes;
}

// Fails every read that touches [bad_from, bad_to).
class failing_device_c : public memory_device_c {
public:
    failing_device_c(std::vector<uint8_t> bytes, uint64_t bad_from, uint64_t bad_to)
        : memory_device_c(std::move(bytes)), bad_from_(bad_from), bad_to_(bad_to)
    {}
    int64_t read_at(uint64_t offset, void *buffer, size_t len) override
    {
        if (offset < bad_to_ && offset + len > bad_from_)
            return -1;
        return memory_device_c::read_at(offset, buffer, len);
    }

private:
    uint64_t bad_from_, bad_to_;
};

TEST(raw_block_reader, blocks_arrive_in_order_with_their_own_bytes_across_slot_reuse)
{
    const size_t block = 4096;
    const std::vector<uint8_t> bytes = pattern(block * 23 + 100); // a short last block
    for (size_t slots : {1u, 2u, 3u}) {
        memory_device_c device(bytes);
        sc_block_reader_c reader(device, block, slots);
        sc_block_reader_c::block_s b;
        uint64_t expected_start = 0;
        while (reader.next(b)) {
            ASSERT_EQ(b.start, expected_start) << slots << " slots";
            ASSERT_EQ(b.len, std::min<uint64_t>(block, bytes.size() - b.start));
            ASSERT_TRUE(std::equal(b.data, b.data + b.len, bytes.begin() + b.start))
                << "block at " << b.start << " holds another block's bytes (" << slots << " slots)";
            expected_start += b.len;
        }
        EXPECT_EQ(expected_start, bytes.size()) << slots << " slots";
    }
}

TEST(raw_block_reader, an_unreadable_block_reads_as_zeros_and_the_scan_goes_on)
{
    const size_t block = 4096;
    const std::vector<uint8_t> bytes = pattern(block * 6);
    failing_device_c device(bytes, 2 * block, 3 * block);
    sc_block_reader_c reader(device, block, 2);
    sc_block_reader_c::block_s b;
    uint64_t seen = 0;
    while (reader.next(b)) {
        ASSERT_EQ(b.len, block);
        if (b.start == 2 * block)
            EXPECT_TRUE(std::all_of(b.data, b.data + b.len, [](uint8_t v) { return v == 0; }));
        else
            EXPECT_TRUE(std::equal(b.data, b.data + b.len, bytes.begin() + b.start));
        seen += b.len;
    }
    EXPECT_EQ(seen, bytes.size());
}

TEST(raw_block_reader, leaving_early_does_not_hang)
{
    const std::vector<uint8_t> bytes = pattern(4096 * 50);
    memory_device_c device(bytes);
    sc_block_reader_c reader(device, 4096, 2);
    sc_block_reader_c::block_s b;
    ASSERT_TRUE(reader.next(b));
    // The destructor must stop a reader thread that waits for a free slot.
}

} // namespace

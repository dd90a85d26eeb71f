#pragma once
// A small exFAT volume built in memory for damage tests and fuzz seeds:
// 512-byte sectors and clusters, 480 clusters, the bitmap in cluster 2, a
// compressed up-case table (a-z only) in cluster 3, the root in clusters 4-7.

#include <cstdint>
#include <string>
#include <vector>

struct test_set_s {
    std::u16string name;
    uint32_t first = 0;
    uint64_t length = 0;
    bool folder = false;
    bool deleted = false;
    bool no_chain = true;
    uint32_t modified = 0x58210000; // 2024-01-01 00:00:00
    int name_length = -1;           // what the stream says, when not the name's own length
};

class exfat_test_volume_c {
public:
    static constexpr uint32_t cluster_bytes = 512;
    static constexpr uint32_t cluster_count = 480;
    static constexpr uint32_t root = 4;

    exfat_test_volume_c();

    std::vector<uint8_t> bytes;

    uint8_t *cluster(uint32_t c) { return bytes.data() + (32 + uint64_t{c} - 2) * 512; }
    // count clusters after the last taken; marked in use (bitmap, FAT chain) when live.
    uint32_t take(uint32_t count, bool live);
    void set_fat(uint32_t cluster, uint32_t next);
    void set_bitmap(uint32_t cluster, bool used);
    // Writes a set at entry slot of a folder's first cluster; returns the
    // slot after it.
    size_t add_set(uint32_t folder, size_t slot, const test_set_s &set);
    // Data into clusters from first on.
    void fill(uint32_t first, const std::vector<uint8_t> &data);
    // Writes the boot region's checksum and copies it to the backup region.
    void seal();

private:
    uint32_t next_ = root + 4; // the root takes four clusters
};

// Bytes that differ from one file to the next.
std::vector<uint8_t> test_bytes(size_t n, uint8_t seed);

// Files cut in two by the file system: a find whose structure broke off is
// taken as a first piece up to a sector boundary and a second piece that
// starts at a later sector, and the two are accepted only when the joined
// bytes check whole (PNG and ZIP by their CRCs, JPEG by decoding to EOI).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "join/sc_jpeg_gap_map.h"
#include "platform/block_device.h"

struct sc_piece_s {
    uint64_t offset; // on the device
    uint64_t length;
};

// How far past the break a second piece is looked for; the search reads at
// most this much of the device, so its cost is bounded per find.
constexpr uint64_t sc_join_span = 16ull << 20;
// Larger files are not joined.
constexpr uint64_t sc_join_max_file = 64ull << 20;

// Work (bytes read or decoded) the searches of a device share beyond a few
// walks of each one's first piece: a hard find draws a bounded share, and
// what a find leaves of its own walks goes back in. The searches of all
// finds then cost in total a few walks of what they cover, plus what the
// pool held at first, however many finds there are and however many of
// them join nothing.
class sc_join_pool_c {
public:
    uint64_t draw(uint64_t most);
    void put_back(uint64_t bytes);

private:
    std::mutex lock_;
    uint64_t left_ = 256ull << 20;
};

// What the search for one find learns of the device and the next finds'
// searches use again: the searches of a device's finds, in the order of
// their offsets, then cost a few reads of it in all. Searches on several
// threads may share one.
struct sc_join_memo_s {
    sc_jpeg_gap_map_c jpeg_gaps;
    sc_join_pool_c pool;
};

// The two pieces of the file whose first byte is at offset, in file order,
// when its bytes as they lie do not check but a first and a second piece
// do; empty otherwise (not a JPEG, PNG or ZIP, whole already, no match).
// memo, when given, is kept from one find of the device to the next.
std::vector<sc_piece_s> sc_join_find(block_device_c &device, uint64_t offset, sc_join_memo_s *memo = nullptr);

// One find of a scan as the join pass sees it.
struct sc_join_candidate_s {
    uint64_t offset;
    bool ended; // its structure proved its end: nothing to join
};

struct sc_joined_s {
    size_t find; // index in the list handed in
    std::vector<sc_piece_s> pieces;
};

// The finds (by index, in order) that start inside a joined file's second
// piece: bits of that file, not files.
std::vector<size_t> sc_join_inside(const std::vector<sc_join_candidate_s> &finds,
                                   const std::vector<sc_joined_s> &joined);

// The pass after a scan: joins every find whose end was not proved where
// that can be done, in the order given. *inside gets the indexes of the
// finds that start inside a joined file's second piece: bits of that file,
// not files. stopped() ends the pass early.
std::vector<sc_joined_s> sc_join_finds(block_device_c &device, const std::vector<sc_join_candidate_s> &finds,
                                       std::vector<size_t> *inside, const std::function<bool()> &stopped);

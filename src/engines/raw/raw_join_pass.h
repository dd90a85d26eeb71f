// Finds whose structure broke off are joined with the piece that continues
// them where the joined bytes check. The search runs on threads of its own
// while the scan goes on, so the two share the machine's cores; when the
// scan is over, the finds still waiting are searched side by side.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engines/raw/raw_item.h"
#include "libsc/sc_join.h"

class raw_joiner_c {
public:
    // Its threads read the one device (null: nothing is joined). stopped()
    // ends the search early; what was joined by then is kept. While
    // paused() holds, no new search starts.
    raw_joiner_c(std::shared_ptr<block_device_c> device, std::function<bool()> stopped, std::function<bool()> paused);
    ~raw_joiner_c();
    raw_joiner_c(const raw_joiner_c &) = delete;
    raw_joiner_c &operator=(const raw_joiner_c &) = delete;

    // A find whose end was not proved (a JPEG, PNG or ZIP may be in pieces).
    void offer(uint64_t index, uint64_t offset);

    // Waits for the search, then joins in items what could be joined: such
    // an item gets its joined length, its end proved, and its pieces in
    // *pieces. Items that start inside a joined file's second piece are
    // bits of that file, not files: they are dropped and the rest
    // renumbered in order. False without a device.
    bool finish(std::vector<raw_item_s> &items, raw_pieces_t *pieces);

private:
    void search();
    // Lets the search finish what was offered, and waits for it.
    void end_search();

    std::shared_ptr<block_device_c> device_;
    std::function<bool()> stopped_, paused_;
    std::mutex lock_;
    std::condition_variable offered_;
    std::deque<std::pair<uint64_t, uint64_t>> queue_; // index, offset
    bool closed_ = false;
    std::vector<sc_joined_s> joined_;
    sc_join_memo_s memo_; // shared by the threads, which take finds in the order of their offsets
    std::vector<std::thread> threads_;
};

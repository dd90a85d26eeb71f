#include "raw_join_pass.h"

#include <algorithm>
#include <chrono>

namespace {
// Two: the search is a side job while the scan runs, and after it the finds
// left are few (those found last).
const unsigned search_threads = 2;
} // namespace

raw_joiner_c::raw_joiner_c(std::shared_ptr<block_device_c> device, std::function<bool()> stopped,
                           std::function<bool()> paused)
    : device_(std::move(device)), stopped_(std::move(stopped)), paused_(std::move(paused))
{
    // Reads are positional: the threads share the device.
    for (unsigned t = 0; device_ && t < search_threads; ++t)
        threads_.emplace_back(&raw_joiner_c::search, this);
}

raw_joiner_c::~raw_joiner_c()
{
    end_search();
}

void raw_joiner_c::end_search()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        closed_ = true;
    }
    offered_.notify_all();
    for (std::thread &t : threads_)
        if (t.joinable())
            t.join();
}

void raw_joiner_c::offer(uint64_t index, uint64_t offset)
{
    if (!device_)
        return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        queue_.emplace_back(index, offset);
    }
    offered_.notify_one();
}

void raw_joiner_c::search()
{
    for (;;) {
        std::pair<uint64_t, uint64_t> next;
        {
            std::unique_lock<std::mutex> hold(lock_);
            offered_.wait(hold, [this] { return closed_ || !queue_.empty(); });
            if (queue_.empty())
                return;
            next = queue_.front();
            queue_.pop_front();
        }
        while (paused_() && !stopped_())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (stopped_())
            continue; // drain the queue without searching
        std::vector<sc_piece_s> pieces = sc_join_find(*device_, next.second, &memo_);
        if (!pieces.empty()) {
            std::lock_guard<std::mutex> hold(lock_);
            joined_.push_back({static_cast<size_t>(next.first), std::move(pieces)});
        }
    }
}

bool raw_joiner_c::finish(std::vector<raw_item_s> &items, raw_pieces_t *pieces)
{
    pieces->clear();
    end_search();
    if (!device_)
        return false;
    std::vector<sc_join_candidate_s> finds;
    for (const raw_item_s &item : items)
        finds.push_back({item.offset, item.end_proved != 0});
    std::sort(joined_.begin(), joined_.end(),
              [](const sc_joined_s &a, const sc_joined_s &b) { return a.find < b.find; });
    std::map<size_t, std::vector<raw_piece_s>> by_find;
    for (const sc_joined_s &j : joined_) {
        if (j.find >= items.size())
            continue;
        raw_item_s &item = items[j.find];
        item.length = 0;
        for (const sc_piece_s &p : j.pieces) {
            by_find[j.find].push_back({p.offset, p.length});
            item.length += p.length;
        }
        item.end_proved = 1;
    }
    const std::vector<size_t> inside = sc_join_inside(finds, joined_);
    std::vector<raw_item_s> kept;
    for (size_t i = 0; i < items.size(); ++i) {
        if (std::binary_search(inside.begin(), inside.end(), i))
            continue;
        raw_item_s item = items[i];
        item.index = kept.size();
        if (auto it = by_find.find(i); it != by_find.end())
            (*pieces)[item.index] = std::move(it->second);
        kept.push_back(item);
    }
    items = std::move(kept);
    return true;
}

#include "raw_join_pass.h"

#include <algorithm>
#include <chrono>

#include "libsc/sc_device.h"

namespace {
// Two: the search is a side job while the scan runs, and after it the finds
// left are few (those found last).
const unsigned search_threads = 2;
} // namespace

raw_joiner_c::raw_joiner_c(const std::string &device_path, std::function<bool()> stopped, std::function<bool()> paused)
    : stopped_(std::move(stopped)), paused_(std::move(paused))
{
    for (unsigned t = 0; t < search_threads; ++t)
        if (std::unique_ptr<block_device_c> device = sc_open_device(device_path))
            devices_.push_back(std::move(device));
    for (const std::unique_ptr<block_device_c> &device : devices_)
        threads_.emplace_back(&raw_joiner_c::search, this, std::ref(*device));
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
    if (devices_.empty())
        return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        queue_.emplace_back(index, offset);
    }
    offered_.notify_one();
}

void raw_joiner_c::search(block_device_c &device)
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
        std::vector<sc_piece_s> pieces = sc_join_find(device, next.second, &memo_);
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
    if (devices_.empty())
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

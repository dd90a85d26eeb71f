#include "raw_join_pass.h"

#include <algorithm>

#include "sc_device.h"
#include "sc_join.h"

bool join_broken_finds(const std::string &device_path, std::vector<raw_item_s> &items, raw_pieces_t *pieces,
                       const std::function<bool()> &stopped)
{
    pieces->clear();
    std::unique_ptr<block_device_c> device = sc_open_device(device_path);
    if (!device)
        return false;
    std::vector<sc_piece_s> seconds; // second pieces of the files joined
    std::map<size_t, std::vector<raw_piece_s>> joined;
    for (size_t i = 0; i < items.size() && !stopped(); ++i) {
        if (items[i].end_proved)
            continue;
        std::vector<sc_piece_s> found = sc_join_find(*device, items[i].offset);
        if (found.size() < 2)
            continue;
        std::vector<raw_piece_s> &list = joined[i];
        items[i].length = 0;
        for (const sc_piece_s &p : found) {
            list.push_back({p.offset, p.length});
            items[i].length += p.length;
        }
        items[i].end_proved = 1;
        seconds.insert(seconds.end(), found.begin() + 1, found.end());
    }
    auto inside_second = [&](uint64_t at) {
        return std::any_of(seconds.begin(), seconds.end(),
                           [&](const sc_piece_s &p) { return at >= p.offset && at - p.offset < p.length; });
    };
    std::vector<raw_item_s> kept;
    for (size_t i = 0; i < items.size(); ++i) {
        if (inside_second(items[i].offset))
            continue;
        raw_item_s item = items[i];
        item.index = kept.size();
        auto it = joined.find(i);
        if (it != joined.end())
            (*pieces)[item.index] = std::move(it->second);
        kept.push_back(item);
    }
    items = std::move(kept);
    return true;
}

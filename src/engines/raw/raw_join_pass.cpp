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
    std::vector<sc_join_candidate_s> finds;
    for (const raw_item_s &item : items)
        finds.push_back({item.offset, item.end_proved != 0});
    std::vector<size_t> inside;
    const std::vector<sc_joined_s> joined = sc_join_finds(*device, finds, &inside, stopped);
    std::map<size_t, std::vector<raw_piece_s>> by_find;
    for (const sc_joined_s &j : joined) {
        raw_item_s &item = items[j.find];
        item.length = 0;
        for (const sc_piece_s &p : j.pieces) {
            by_find[j.find].push_back({p.offset, p.length});
            item.length += p.length;
        }
        item.end_proved = 1;
    }
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

#include "hash_key_set.h"

size_t hash_key_set_c::find_slot(uint64_t key) const
{
    const size_t mask = slots_.size() - 1;
    size_t slot = static_cast<size_t>(key) & mask;
    while (slots_[slot] != 0 && slots_[slot] != key)
        slot = (slot + 1) & mask;
    return slot;
}

bool hash_key_set_c::insert(uint64_t key)
{
    if (key == 0) {
        const bool added = !has_zero_;
        has_zero_ = true;
        return added;
    }
    // At most half full, so that probe runs stay short.
    if (2 * (count_ + 1) > slots_.size())
        rehash(slots_.empty() ? 1024 : 2 * slots_.size());
    const size_t slot = find_slot(key);
    if (slots_[slot] == key)
        return false;
    slots_[slot] = key;
    ++count_;
    return true;
}

bool hash_key_set_c::contains(uint64_t key) const
{
    if (key == 0)
        return has_zero_;
    return !slots_.empty() && slots_[find_slot(key)] == key;
}

void hash_key_set_c::reserve(size_t count)
{
    size_t slots = 1024;
    while (slots < 2 * count)
        slots *= 2;
    if (slots > slots_.size())
        rehash(slots);
}

void hash_key_set_c::rehash(size_t slots)
{
    std::vector<uint64_t> old = std::move(slots_);
    slots_.assign(slots, 0);
    for (uint64_t key : old)
        if (key != 0)
            slots_[find_slot(key)] = key;
}

#include "hash_key_set.h"

#include <new>
#include <utility>

size_t hash_key_set_c::find_slot(uint64_t key) const
{
    const uint64_t *table = slots();
    const size_t mask = slot_count_ - 1;
    size_t slot = static_cast<size_t>(key) & mask;
    while (table[slot] != 0 && table[slot] != key)
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
    if (2 * (count_ + 1) > slot_count_)
        rehash(slot_count_ ? 2 * slot_count_ : 1024);
    const size_t slot = find_slot(key);
    if (slots()[slot] == key)
        return false;
    slots()[slot] = key;
    ++count_;
    return true;
}

bool hash_key_set_c::contains(uint64_t key) const
{
    if (key == 0)
        return has_zero_;
    return slot_count_ && slots()[find_slot(key)] == key;
}

void hash_key_set_c::reserve(size_t count)
{
    size_t slot_count = 1024;
    while (slot_count < 2 * count)
        slot_count *= 2;
    if (slot_count > slot_count_)
        rehash(slot_count);
}

void hash_key_set_c::rehash(size_t slot_count)
{
    mapped_memory_c table(slot_count * sizeof(uint64_t));
    if (!table.data())
        throw std::bad_alloc();
    const mapped_memory_c old = std::exchange(table_, std::move(table));
    const uint64_t *old_slots = reinterpret_cast<const uint64_t *>(old.data());
    const size_t old_count = slot_count_;
    slot_count_ = slot_count;
    for (size_t i = 0; i < old_count; ++i)
        if (old_slots[i] != 0)
            slots()[find_slot(old_slots[i])] = old_slots[i];
}

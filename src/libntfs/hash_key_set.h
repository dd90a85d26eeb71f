// A set of 64-bit hash values, in one flat table: the values are hashes
// already, so their low bits pick the slot. Much cheaper than sorting them
// or a node per value when there are a hundred thousand or more.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/mapped_memory.h"

class hash_key_set_c {
public:
    // Room for count keys without growing.
    void reserve(size_t count);
    // True when key was not in the set before.
    bool insert(uint64_t key);
    bool contains(uint64_t key) const;

private:
    uint64_t *slots() const { return reinterpret_cast<uint64_t *>(table_.data()); }
    size_t find_slot(uint64_t key) const; // key's slot, or the empty one where it would go
    void rehash(size_t slot_count);

    // Mapped: the table lives for one pass, and its megabytes must go back
    // to the system after it. 0 marks an empty slot.
    mapped_memory_c table_;
    size_t slot_count_ = 0;
    size_t count_ = 0;
    bool has_zero_ = false; // 0 itself cannot sit in a slot
};

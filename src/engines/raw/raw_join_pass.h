// After a deep scan: finds whose structure broke off are joined with the
// piece that continues them where the joined bytes check.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engines/raw/raw_item.h"

// Joins what can be joined among items (a JPEG, PNG or ZIP whose end was
// not proved) on the device: such an item gets its joined length, its end
// proved, and its pieces in *pieces. Items that start inside a joined
// file's second piece are bits of that file, not files: they are dropped
// and the rest renumbered in order. stopped() ends the pass early. False
// when the device cannot be opened.
bool join_broken_finds(const std::string &device_path, std::vector<raw_item_s> &items, raw_pieces_t *pieces,
                       const std::function<bool()> &stopped);

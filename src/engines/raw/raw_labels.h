// What each find of the deep scan says about itself (date and camera,
// title), read back from the device: the scan file keeps only where a find
// lies, so a reloaded scan names its files from the same bytes.
#pragma once

#include <string>
#include <vector>

#include "engines/raw/raw_item.h"
#include "libsc.h"

// The find's label (see carved_label); empty when its type carries none or
// the device cannot be read there.
std::string read_find_label(sc_handle_s *device, const raw_item_s &item);

// The labels of a whole table, by item position.
std::vector<std::string> read_find_labels(const std::string &device_path, const std::vector<raw_item_s> &items);

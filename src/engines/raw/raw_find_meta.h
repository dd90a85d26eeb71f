// What each find of the deep scan says about itself (date and camera,
// title, its dates), read back from the device: the scan file keeps only
// where a find lies, so a reloaded scan names and dates its files from the
// same bytes.
#pragma once

#include <memory>
#include <vector>

#include "engines/raw/names/carved_meta.h"
#include "engines/raw/raw_item.h"
#include "libsc/libsc.h"
#include "platform/block_device.h"

// The find's metadata (see read_carved_meta); empty when its type carries
// none or the device cannot be read there.
carved_meta_s read_find_meta(sc_handle_s *device, const raw_item_s &item);

// The metadata of a whole table, by item position.
std::vector<carved_meta_s> read_find_metas(std::shared_ptr<block_device_c> device,
                                           const std::vector<raw_item_s> &items);

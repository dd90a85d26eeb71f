// The scan file's trailer of joined finds (layout in scan_file.h).
#pragma once

#include <QByteArray>
#include <cstdint>
#include <string>
#include <vector>

#include "engines/raw/raw_item.h"

// Appends v as 8 little-endian bytes, as every number of a trailer is kept.
void scan_put64(QByteArray &out, uint64_t v);

// The trailer for pieces, magic first; empty for no joined find.
QByteArray scan_pieces_trailer(const raw_pieces_t &pieces);

// Reads a trailer (from its magic to the end of the file) against the
// entries it belongs to. False, with the reason in why, for a trailer cut
// short or running on, an unknown or repeated entry, a count that does not
// fit, or pieces that are not that entry's bytes in order.
bool parse_scan_pieces(const uint8_t *data, size_t size, const std::vector<raw_item_s> &items, raw_pieces_t &pieces,
                       std::string &why);

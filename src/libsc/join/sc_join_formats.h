// The formats the join search knows, and what they share.
#pragma once

#include <memory>
#include <vector>

#include "sc_join_format.h"

std::unique_ptr<sc_join_format_c> sc_png_join();
std::unique_ptr<sc_join_format_c> sc_zip_join();
std::unique_ptr<sc_join_format_c> sc_jpeg_join(const sc_join_place_s &place);

// The seams from first_seam to last_seam (sector steps, none past to) at
// which the CRC-32 of [from, to), with the bytes from the seam on taken gap
// bytes further on, is stored. CRCs of the first piece's part grow sector
// by sector and those of the second piece's part are put together from the
// end with crc32_combine, so both are read once whatever their size.
// Latest first.
std::vector<uint64_t> sc_join_crc_seams(sc_cursor_c &device, uint64_t from, uint64_t to, uint64_t gap,
                                        uint32_t stored, uint64_t first_seam, uint64_t last_seam);

// CRC-32 (as zlib computes it) of [pos, pos + len); false when the bytes end early.
bool sc_join_crc32(sc_cursor_c &c, uint64_t pos, uint64_t len, uint32_t &crc);

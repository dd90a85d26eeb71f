// The formats the join search knows, and what they share.
#pragma once

#include <memory>

#include "sc_join_format.h"

std::unique_ptr<sc_join_format_c> sc_png_join();
std::unique_ptr<sc_join_format_c> sc_zip_join();
std::unique_ptr<sc_join_format_c> sc_jpeg_join();

// CRC-32 (as zlib computes it) of [pos, pos + len); false when the bytes end early.
bool sc_join_crc32(sc_cursor_c &c, uint64_t pos, uint64_t len, uint32_t &crc);

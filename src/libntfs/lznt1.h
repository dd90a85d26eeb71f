// LZNT1, the compression of NTFS compressed streams.
#pragma once

#include <cstddef>
#include <cstdint>

// Decompresses one compression unit of in into out. Every chunk but the last
// stands for 4,096 bytes, so a short chunk is padded with zeros. Returns the
// number of bytes produced, or -1 when the data is damaged (a chunk running
// past the input, a back-reference before the chunk's start).
int64_t lznt1_decompress(const uint8_t *in, size_t in_len, uint8_t *out, size_t out_len);

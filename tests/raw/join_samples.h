// Real JPEG, PNG and ZIP files made at test time, and images holding one
// cut in two with noise between the pieces.
#pragma once

#include <cstdint>
#include <string>

// Raw deflate (window_bits < 0) or zlib data of in, and the CRC-32 of s.
std::string deflate_raw(const std::string &in, int window_bits);
uint32_t crc_of(const std::string &s);

std::string make_test_jpeg(int width, int height, bool progressive = false, unsigned restart_interval = 0);
// Image data in chunks of at most idat bytes.
std::string make_test_png(int width, int height, size_t idat);
// A deflated text entry and a stored one of noise from seed; with
// sizes_after, the deflated entry's CRC and sizes follow its data.
std::string make_test_zip(unsigned seed = 3, bool sizes_after = false);

struct split_image_s {
    std::string bytes;
    uint64_t offset = 0; // the file's first byte
    uint64_t seam = 0;   // length of the first piece
    uint64_t gap = 0;    // noise between the pieces
};

// Noise, the file's first seam bytes, gap bytes of noise (then in_gap, up
// to a sector boundary), the rest, noise up to a sector boundary. offset,
// seam and gap are multiples of 512.
split_image_s split_with_gap(const std::string &file, uint64_t seam, uint64_t gap, unsigned seed,
                             const std::string &in_gap = {});

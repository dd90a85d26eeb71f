#include "raw/join_samples.h"

#include <zlib.h>

#include <cstdio>
#include <random>
#include <vector>

#include <jpeglib.h>

namespace {

std::string be32(uint32_t v)
{
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
std::string le(uint64_t v, int bytes)
{
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s += char(v >> (8 * i));
    return s;
}

// Pixels with detail enough that the files span many sectors.
std::vector<uint8_t> pixels(int width, int height)
{
    std::mt19937 rng(7);
    std::vector<uint8_t> p(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<uint8_t>((i / 3 % width) * 2 + (rng() % 48));
    return p;
}

} // namespace

std::string deflate_raw(const std::string &in, int window_bits)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, in.size()), '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

uint32_t crc_of(const std::string &s)
{
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef *>(s.data()), static_cast<uInt>(s.size())));
}

std::string make_test_jpeg(int width, int height, bool progressive, unsigned restart_interval)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &mem, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    info.restart_interval = restart_interval;
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> p = pixels(width, height);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = p.data() + static_cast<size_t>(info.next_scanline) * width * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string out(reinterpret_cast<char *>(mem), size);
    free(mem);
    return out;
}

std::string make_test_png(int width, int height, size_t idat)
{
    auto chunk = [](const std::string &type, const std::string &data) {
        return be32(static_cast<uint32_t>(data.size())) + type + data + be32(crc_of(type + data));
    };
    std::string raw;
    std::vector<uint8_t> p = pixels(width, height);
    for (int y = 0; y < height; ++y)
        raw += '\0' +
            std::string(reinterpret_cast<char *>(p.data()) + static_cast<size_t>(y) * width * 3,
                        static_cast<size_t>(width) * 3);
    const std::string packed = deflate_raw(raw, MAX_WBITS);
    std::string png = "\x89PNG\r\n\x1a\n";
    png += chunk("IHDR", be32(width) + be32(height) + std::string("\x08\x02\x00\x00\x00", 5));
    for (size_t at = 0; at < packed.size(); at += idat)
        png += chunk("IDAT", packed.substr(at, idat));
    return png + chunk("IEND", "");
}

std::string make_test_zip(unsigned seed, bool sizes_after)
{
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "Line " + std::to_string(i * 7919 % 10007) + " of the report, kept for the audit.\n";
    std::mt19937 rng(seed);
    std::string noise(9000, '\0');
    for (char &c : noise)
        c = static_cast<char>(rng());
    struct entry_s {
        std::string name, data, packed;
        uint16_t method;
        uint32_t offset = 0;
    };
    std::vector<entry_s> entries = {{"report.txt", text, deflate_raw(text, -MAX_WBITS), 8},
                                    {"noise.bin", noise, noise, 0}};
    std::string zip, dir;
    for (entry_s &e : entries) {
        e.offset = static_cast<uint32_t>(zip.size());
        // As a writer that streams does: the deflated entry's CRC and sizes after its data.
        const bool after = sizes_after && e.method == 8;
        const std::string sizes = le(crc_of(e.data), 4) + le(e.packed.size(), 4) + le(e.data.size(), 4);
        const std::string head = le(20, 2) + le(after ? 8 : 0, 2) + le(e.method, 2) + le(0, 4);
        const std::string names = le(e.name.size(), 2) + le(0, 2);
        zip += "PK\x03\x04" + head + (after ? std::string(12, '\0') : sizes) + names + e.name + e.packed;
        if (after)
            zip += "PK\x07\x08" + sizes;
        dir += "PK\x01\x02" + le(20, 2) + head + sizes + names + le(0, 2) + le(0, 2) + le(0, 2) + le(0, 4) +
            le(e.offset, 4) + e.name;
    }
    const size_t dir_at = zip.size();
    return zip + dir + "PK\x05\x06" + le(0, 4) + le(entries.size(), 2) + le(entries.size(), 2) + le(dir.size(), 4) +
        le(dir_at, 4) + le(0, 2);
}

split_image_s split_with_gap(const std::string &file, uint64_t seam, uint64_t gap, unsigned seed,
                             const std::string &in_gap)
{
    std::mt19937 rng(seed);
    auto noise = [&](uint64_t n) {
        std::string s(static_cast<size_t>(n), '\0');
        for (char &c : s)
            c = static_cast<char>(rng());
        return s;
    };
    split_image_s img;
    img.offset = 4096;
    img.seam = seam;
    const std::string between = noise(gap) + in_gap + std::string((512 - in_gap.size() % 512) % 512, '\0');
    img.gap = between.size();
    // Ends on a sector boundary, so images can be put one after another.
    img.bytes = noise(img.offset) + file.substr(0, seam) + between + file.substr(seam) +
        noise(8192 + (512 - file.size() % 512) % 512);
    return img;
}

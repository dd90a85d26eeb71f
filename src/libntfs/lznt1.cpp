#include "lznt1.h"

#include <cstring>

#include "platform/le_bytes.h"

namespace {

constexpr size_t chunk_size = 4096;

// Decompresses one compressed chunk into out[0, limit). Returns bytes
// produced or -1.
int64_t decompress_chunk(const uint8_t *in, size_t in_len, uint8_t *out, size_t limit)
{
    size_t ip = 0, op = 0;
    while (ip < in_len && op < limit) {
        uint8_t tags = in[ip++];
        for (int bit = 0; bit < 8 && ip < in_len && op < limit; ++bit) {
            if (!(tags & (1u << bit))) {
                out[op++] = in[ip++];
                continue;
            }
            if (ip + 2 > in_len || op == 0)
                return -1;
            uint16_t token = le16_at(in + ip);
            ip += 2;
            // The split between offset and length bits moves with the position.
            unsigned length_bits = 12;
            for (size_t p = op - 1; p >= 0x10; p >>= 1)
                --length_bits;
            size_t offset = (token >> length_bits) + 1u;
            size_t length = (token & ((1u << length_bits) - 1)) + 3u;
            if (offset > op)
                return -1;
            for (size_t i = 0; i < length && op < limit; ++i, ++op)
                out[op] = out[op - offset];
        }
    }
    return static_cast<int64_t>(op);
}

} // namespace

int64_t lznt1_decompress(const uint8_t *in, size_t in_len, uint8_t *out, size_t out_len)
{
    size_t ip = 0, op = 0;
    while (ip + 2 <= in_len && op < out_len) {
        uint16_t header = le16_at(in + ip);
        if (header == 0)
            break;
        size_t data_len = (header & 0x0FFFu) + 1u;
        ip += 2;
        if (data_len > in_len - ip)
            return -1;
        size_t limit = out_len - op < chunk_size ? out_len - op : chunk_size;
        if (header & 0x8000) {
            int64_t n = decompress_chunk(in + ip, data_len, out + op, limit);
            if (n < 0)
                return -1;
            memset(out + op + n, 0, limit - static_cast<size_t>(n));
        } else {
            size_t n = data_len < limit ? data_len : limit;
            memcpy(out + op, in + ip, n);
            memset(out + op + n, 0, limit - n);
        }
        ip += data_len;
        op += limit;
    }
    return static_cast<int64_t>(op);
}

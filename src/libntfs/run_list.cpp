#include "run_list.h"

#include <algorithm>

namespace {

// Reads a little-endian integer of width bytes, sign-extended when asked.
int64_t read_varint(const uint8_t *p, unsigned width, bool is_signed)
{
    uint64_t v = 0;
    for (unsigned i = 0; i < width; ++i)
        v |= static_cast<uint64_t>(p[i]) << (8 * i);
    if (is_signed && width < 8 && (p[width - 1] & 0x80))
        v |= ~0ull << (8 * width);
    return static_cast<int64_t>(v);
}

} // namespace

bool decode_run_list(byte_view_s bytes, uint64_t first_vcn, std::vector<run_s> &out)
{
    size_t pos = 0;
    uint64_t vcn = first_vcn;
    int64_t lcn = 0;
    while (pos < bytes.size) {
        uint8_t header = bytes.data[pos++];
        if (header == 0)
            return true;
        unsigned length_width = header & 0x0F;
        unsigned offset_width = header >> 4;
        if (length_width == 0 || length_width > 8 || offset_width > 8)
            return false;
        if (!bytes.covers(pos, length_width + offset_width))
            return false;
        int64_t length = read_varint(bytes.data + pos, length_width, true);
        pos += length_width;
        if (length <= 0 || static_cast<uint64_t>(length) > ~0ull - vcn)
            return false;
        run_s run;
        run.vcn = vcn;
        run.length = static_cast<uint64_t>(length);
        if (offset_width == 0) {
            run.lcn = sparse_lcn;
        } else {
            int64_t delta = read_varint(bytes.data + pos, offset_width, true);
            pos += offset_width;
            if ((delta > 0 && lcn > INT64_MAX - delta) || lcn + delta < 0)
                return false;
            lcn += delta;
            run.lcn = lcn;
        }
        out.push_back(run);
        vcn += run.length;
    }
    return true; // a list that fills its space exactly has no terminator
}

long find_run(const std::vector<run_s> &runs, uint64_t vcn)
{
    auto it = std::upper_bound(runs.begin(), runs.end(), vcn, [](uint64_t v, const run_s &r) { return v < r.vcn; });
    if (it == runs.begin())
        return -1;
    --it;
    if (vcn - it->vcn >= it->length)
        return -1;
    return static_cast<long>(it - runs.begin());
}

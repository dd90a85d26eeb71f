#include "scan_pieces.h"

#include <cstring>

#include "core/scanfile/scan_file.h"

namespace {

uint64_t get64(const uint8_t *p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

// Whether pieces are exactly the entry's bytes: from its offset on, each
// after the one before, adding up to its length.
const char *pieces_fault(const raw_item_s &item, const std::vector<raw_piece_s> &pieces)
{
    if (pieces.front().offset != item.offset)
        return "the first piece is not at the entry's offset";
    uint64_t total = 0, end = 0;
    for (const raw_piece_s &p : pieces) {
        if (p.length == 0 || p.offset > UINT64_MAX - p.length)
            return "a piece is empty or runs past the end of any volume";
        if (&p != &pieces.front() && p.offset < end)
            return "a piece overlaps or comes before the one it follows";
        end = p.offset + p.length;
        total += p.length;
    }
    return total == item.length ? nullptr : "the pieces do not add up to the entry's length";
}

} // namespace

void scan_put64(QByteArray &out, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out.append(static_cast<char>(v >> (8 * i)));
}

QByteArray scan_pieces_trailer(const raw_pieces_t &pieces)
{
    if (pieces.empty())
        return {};
    QByteArray body;
    for (const auto &[index, list] : pieces) {
        scan_put64(body, index);
        scan_put64(body, list.size());
        for (const raw_piece_s &p : list) {
            scan_put64(body, p.offset);
            scan_put64(body, p.length);
        }
    }
    QByteArray out(scan_file_pieces_magic, sizeof scan_file_pieces_magic);
    scan_put64(out, static_cast<uint64_t>(body.size()));
    return out + body;
}

bool parse_scan_pieces(const uint8_t *data, size_t size, const std::vector<raw_item_s> &items, raw_pieces_t &pieces,
                       std::string &why)
{
    const size_t head = sizeof scan_file_pieces_magic + 8;
    if (size < head || memcmp(data, scan_file_pieces_magic, sizeof scan_file_pieces_magic) != 0) {
        why = "the trailer after the entries is cut short";
        return false;
    }
    if (get64(data + 8) != size - head) {
        why = "the trailer's length does not match the file";
        return false;
    }
    raw_pieces_t read;
    for (size_t at = head; at < size;) {
        if (size - at < 16) {
            why = "the trailer is cut short";
            return false;
        }
        const uint64_t index = get64(data + at), count = get64(data + at + 8);
        at += 16;
        if (index >= items.size() || (!read.empty() && index <= read.rbegin()->first)) {
            why = "the trailer names an entry that is not there, or one twice";
            return false;
        }
        if (count < 2 || count > (size - at) / 16) {
            why = "the trailer's piece count does not fit";
            return false;
        }
        std::vector<raw_piece_s> list(static_cast<size_t>(count));
        for (raw_piece_s &p : list) {
            p = {get64(data + at), get64(data + at + 8)};
            at += 16;
        }
        if (const char *fault = pieces_fault(items[index], list)) {
            why = fault;
            return false;
        }
        read[index] = std::move(list);
    }
    pieces = std::move(read);
    return true;
}

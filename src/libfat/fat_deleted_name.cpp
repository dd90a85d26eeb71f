#include "fat_deleted_name.h"

#include <cstring>

#include "fat_codepage.h"
#include "fat_entry_check.h"
#include "platform/le_bytes.h"

using namespace fat_layout;

static constexpr size_t max_name_length = 255;

void fat_deleted_pieces_c::add(const uint8_t *e)
{
    if (count_ == max_pieces) {
        memmove(pieces_, pieces_ + 1, (max_pieces - 1) * sizeof(piece_s));
        --count_;
    }
    piece_s &p = pieces_[count_++];
    p.checksum = e[long_entry::checksum];
    for (size_t k = 0; k < long_entry::chars_per_entry; ++k)
        p.chars[k] = le16_at(e + long_entry::char_offsets[k]);
}

// The first byte a short name must have had for its checksum to be sum.
static uint8_t first_byte_for_checksum(uint8_t sum, const uint8_t *name11)
{
    // Each step added a byte to the rotated sum; undo them from the last one.
    for (size_t i = entry::name_length - 1; i > 0; --i) {
        const uint8_t s = static_cast<uint8_t>(sum - name11[i]);
        sum = static_cast<uint8_t>((s << 1) | (s >> 7));
    }
    return sum; // the sum after the first byte is that byte
}

// Whether b, the short entry's first byte, is what the long name's first
// character c turns into in a short name.
static bool first_character_agrees(char16_t c, uint8_t b, const uint8_t *e)
{
    if (c == 0 || c == 0xFFFF)
        return false;
    uint16_t code = fat_short_name_code(c);
    if (code > 0xFF)
        return b == code >> 8 && e[1] == (code & 0xFF);
    if (code == entry::deleted_marker)
        code = entry::kanji_e5;
    return b == code;
}

// A name that fills its furthest piece exactly carries no end mark, and
// neither does one whose furthest piece was overwritten; the extension, at
// the name's end, tells them apart.
static bool extension_agrees(const uint8_t *e, const char16_t *name, size_t len)
{
    if (e[8] == ' ')
        return true;
    size_t dot = len;
    while (dot > 0 && name[dot - 1] != u'.')
        --dot;
    if (dot == 0)
        return false;
    size_t n = 8;
    for (size_t i = dot; i < len && n < entry::name_length; ++i) {
        if (name[i] == u' ')
            continue;
        if (name[i] >= 0x80)
            return true; // code pages differ beyond ASCII; what came before agreed
        if (e[n++] != fat_short_name_code(name[i]))
            return false;
    }
    return true;
}

size_t fat_deleted_pieces_c::assemble(const uint8_t *e, char16_t *out) const
{
    const uint8_t sum = pieces_[count_ - 1].checksum;
    size_t len = 0;
    size_t k = 0;
    for (; k < count_ && pieces_[count_ - 1 - k].checksum == sum; ++k) {
        const piece_s &p = pieces_[count_ - 1 - k];
        for (size_t j = 0; j < long_entry::chars_per_entry; ++j) {
            if (p.chars[j] == 0) {
                // The furthest piece: the name ends, the rest is padding.
                if (j == 0)
                    return 0;
                for (size_t r = j + 1; r < long_entry::chars_per_entry; ++r)
                    if (p.chars[r] != 0xFFFF && p.chars[r] != 0)
                        return 0;
                out[len] = 0;
                return k + 1;
            }
            if (p.chars[j] == 0xFFFF || len == max_name_length)
                return 0;
            out[len++] = p.chars[j];
        }
    }
    if (!extension_agrees(e, out, len))
        return 0;
    out[len] = 0;
    return k;
}

fat_deleted_pieces_c::found_s fat_deleted_pieces_c::recover(const uint8_t *e, char16_t *long_name) const
{
    found_s found;
    if (count_ == 0)
        return found;
    const uint8_t first = first_byte_for_checksum(pieces_[count_ - 1].checksum, e);
    if (!fat_short_name_first_byte_ok(first))
        return found;
    found.pieces = assemble(e, long_name);
    if (found.pieces || first_character_agrees(pieces_[count_ - 1].chars[0], first, e))
        found.first_byte = first;
    return found;
}

// Code page 936 (GBK) for FAT names: OEM bytes to UTF-16 and back, and the
// upper-case mapping used to compare long names without regard to case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct fat_code_pair_s {
    uint16_t from;
    uint16_t to;
};

// Generated tables (fat_cp936_table.cpp), each sorted by `from`.
extern const fat_code_pair_s cp936_oem_to_unicode[];
extern const size_t cp936_oem_to_unicode_count;
extern const fat_code_pair_s cp936_unicode_to_oem[];
extern const size_t cp936_unicode_to_oem_count;
extern const fat_code_pair_s unicode_upper_case[];
extern const size_t unicode_upper_case_count;

// One OEM code (a byte below 0x80, a single byte above, or lead << 8 | trail)
// to UTF-16; '?' when the code page has no character for it.
char16_t fat_oem_to_unicode(uint16_t code);
// UTF-16 to an OEM code; 0 when the code page cannot express the character.
uint16_t fat_unicode_to_oem(char16_t c);
char16_t fat_upper(char16_t c);
// The OEM code a character of a long name takes in the short name made from
// it: upper case, '_' for what a short name cannot hold.
uint16_t fat_short_name_code(char16_t c);

inline bool fat_is_lead_byte(uint8_t b)
{
    return b >= 0x81 && b <= 0xFE;
}
inline bool fat_is_trail_byte(uint8_t b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// Decodes OEM bytes; a lead byte without a valid trail byte becomes '?'.
std::u16string fat_decode_oem(const uint8_t *bytes, size_t len);

// Windows executables: the section table says how far the image reaches.
#include <algorithm>

#include "sc_check_list.h"

sc_result_s check_pe(sc_cursor_c &c)
{
    uint32_t pe = 0;
    uint16_t sections = 0, optional_size = 0, characteristics = 0, magic = 0;
    if (!c.equals(0, "MZ") || !c.le32(0x3c, pe) || pe < 0x40 || pe > 0x10000 ||
        !c.equals(pe, std::string_view("PE\0\0", 4)) || !c.le16(pe + 6, sections) || !c.le16(pe + 20, optional_size) ||
        !c.le16(pe + 22, characteristics) || !c.le16(pe + 24, magic))
        return sc_reject();
    if (sections == 0 || sections > 96 || (magic != 0x10b && magic != 0x20b))
        return sc_reject();
    const char *subtype = (characteristics & 0x2000) ? "dll" : "exe";
    uint64_t opt = pe + 24ull;
    uint32_t headers = 0, rva_count = 0;
    if (!c.le32(opt + 60, headers) || !c.le32(opt + (magic == 0x10b ? 92 : 108), rva_count))
        return sc_broken(0, subtype);
    uint64_t end = headers;
    // The certificate table (directory 4) is the one addressed by file offset.
    uint32_t cert_at = 0, cert_size = 0;
    uint64_t dirs = opt + (magic == 0x10b ? 96 : 112);
    if (rva_count > 4 && dirs + 40 <= opt + optional_size && c.le32(dirs + 32, cert_at) &&
        c.le32(dirs + 36, cert_size) && cert_at && cert_size)
        end = std::max(end, uint64_t(cert_at) + cert_size);
    uint64_t table = opt + optional_size;
    for (uint16_t s = 0; s < sections; ++s) {
        uint32_t raw_size = 0, raw_at = 0;
        if (!c.le32(table + 40ull * s + 16, raw_size) || !c.le32(table + 40ull * s + 20, raw_at))
            return sc_broken(0, subtype);
        if (raw_size && raw_at)
            end = std::max(end, uint64_t(raw_at) + raw_size);
    }
    return sc_sized(c, end, subtype);
}

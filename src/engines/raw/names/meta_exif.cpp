// EXIF: a TIFF structure, inside a JPEG's APP1 segment or as the file itself.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "carved_dates.h"
#include "carved_meta.h"

namespace {

// A TIFF structure at base, no larger than size, read through file.
struct tiff_s {
    carved_bytes_c &file;
    uint64_t base;
    uint64_t size;
    bool big = false;

    std::string bytes(uint64_t pos, size_t len)
    {
        if (pos > size || len > size - pos)
            return {};
        std::string out = bytes_at(file, base + pos, len);
        return out.size() == len ? out : std::string();
    }
    uint16_t u16(const char *p) const { return big ? get_be16(p) : get_le16(p); }
    uint32_t u32(const char *p) const { return big ? get_be32(p) : get_le32(p); }
};

struct exif_fields_s {
    std::string make, model, date_taken, date_digitized, date_written;
    std::string offset_taken, offset_digitized, offset_written; // "+HH:MM" of the date of the same name
    uint32_t exif_ifd = 0;
};

std::string trimmed(std::string s)
{
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

// An ASCII entry's text, up to its first zero byte.
std::string ascii_value(tiff_s &t, const char *entry)
{
    const uint16_t type = t.u16(entry + 2);
    const uint32_t count = t.u32(entry + 4);
    if (type != 2 || count == 0 || count > 256)
        return {};
    std::string text = count <= 4 ? std::string(entry + 8, count) : t.bytes(t.u32(entry + 8), count);
    return trimmed(latin1_to_utf8(text));
}

// Reads the entries of one IFD that the name uses.
void read_ifd(tiff_s &t, uint32_t at, exif_fields_s &f)
{
    const std::string head = t.bytes(at, 2);
    if (head.empty())
        return;
    const uint16_t count = t.u16(head.data());
    const std::string entries = t.bytes(at + 2ull, 12ull * count);
    for (size_t i = 0; i + 12 <= entries.size(); i += 12) {
        const char *e = entries.data() + i;
        static const struct {
            uint16_t tag;
            std::string exif_fields_s::*field;
        } texts[] = {{0x010f, &exif_fields_s::make},           {0x0110, &exif_fields_s::model},
                     {0x0132, &exif_fields_s::date_written},   {0x9003, &exif_fields_s::date_taken},
                     {0x9004, &exif_fields_s::date_digitized}, {0x9010, &exif_fields_s::offset_written},
                     {0x9011, &exif_fields_s::offset_taken},   {0x9012, &exif_fields_s::offset_digitized}};
        const uint16_t tag = t.u16(e);
        for (const auto &text : texts)
            if (tag == text.tag)
                f.*text.field = ascii_value(t, e);
        if (tag == 0x8769)
            f.exif_ifd = t.u32(e + 8);
    }
}

// "YYYY:MM:DD HH:MM:SS" as "YYYY-MM-DD HH-MM-SS", the clock as it read;
// empty when not a date.
std::string name_date(const std::string &d)
{
    civil_time_s t;
    if (!exif_civil_time(d, &t))
        return {};
    char out[40];
    snprintf(out, sizeof out, "%04d-%02d-%02d %02d-%02d-%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return out;
}

// The first of the dates taken, digitized and written that is a date, at
// its own offset tag, else at OffsetTime (the zone the camera's clock kept).
int64_t file_date(const exif_fields_s &f)
{
    const std::string &fallback = f.offset_written;
    for (const auto &[date, offset] :
         {std::pair(&f.date_taken, &f.offset_taken), std::pair(&f.date_digitized, &f.offset_digitized),
          std::pair(&f.date_written, &f.offset_written)})
        if (const int64_t s = exif_date(*date, offset->empty() ? fallback : *offset))
            return s;
    return 0;
}

bool starts_with_nocase(const std::string &s, const std::string &prefix)
{
    if (prefix.empty() || s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (tolower(static_cast<unsigned char>(s[i])) != tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// The camera: the model alone when it already names the maker ("NIKON D750"
// from "NIKON CORPORATION"), else maker and model.
std::string camera(const std::string &make, const std::string &model)
{
    const std::string make_word = make.substr(0, make.find(' '));
    if (model.empty() || starts_with_nocase(model, make_word))
        return model.empty() ? make : model;
    return make.empty() ? model : make + " " + model;
}

carved_meta_s tiff_meta(carved_bytes_c &file, uint64_t base, uint64_t size)
{
    tiff_s t{file, base, size};
    const std::string header = t.bytes(0, 8);
    if (header.size() < 8)
        return {};
    if (header.compare(0, 4, "II*\0", 4) == 0)
        t.big = false;
    else if (header.compare(0, 4, "MM\0*", 4) == 0)
        t.big = true;
    else
        return {};
    exif_fields_s f;
    read_ifd(t, t.u32(header.data() + 4), f);
    if (f.exif_ifd)
        read_ifd(t, f.exif_ifd, f);
    std::string date = name_date(f.date_taken);
    if (date.empty())
        date = name_date(f.date_written);
    const std::string cam = camera(f.make, f.model);
    return {date.empty() || cam.empty() ? date + cam : date + " " + cam, file_date(f)};
}

} // namespace

carved_meta_s exif_meta(carved_bytes_c &file)
{
    const std::string magic = bytes_at(file, 0, 4);
    if (magic.size() == 4 && (magic == std::string("II*\0", 4) || magic == std::string("MM\0*", 4)))
        return tiff_meta(file, 0, file.limit());
    if (magic.size() < 2 || magic.compare(0, 2, "\xff\xd8") != 0)
        return {};
    // Segments up to the image data; EXIF is in the first few.
    uint64_t pos = 2;
    for (int segments = 0; segments < 32; ++segments) {
        const std::string marker = bytes_at(file, pos, 10);
        if (marker.size() < 4 || static_cast<uint8_t>(marker[0]) != 0xff)
            return {};
        const uint8_t kind = static_cast<uint8_t>(marker[1]);
        const uint16_t length = get_be16(marker.data() + 2);
        if (kind == 0xda || kind == 0xd9 || length < 2)
            return {};
        if (kind == 0xe1 && length >= 8 && marker.size() == 10 && marker.compare(4, 6, "Exif\0\0", 6) == 0)
            return tiff_meta(file, pos + 10, length - 8u);
        pos += 2ull + length;
    }
    return {};
}

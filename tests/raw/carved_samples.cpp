#include "raw/carved_samples.h"

#include <zlib.h>

#include <cstdio>

#include "raw/join_samples.h"

std::string bytes_of(uint64_t v, int n, bool big)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s.push_back(static_cast<char>(v >> 8 * (big ? n - 1 - i : i)));
    return s;
}

std::string tiff(bool big, const tiff_tags_t &ifd0, const tiff_tags_t &exif)
{
    const bool sub = !exif.empty();
    const uint32_t ifd0_size = 2 + 12 * uint32_t(ifd0.size() + sub) + 4, exif_at = 8 + ifd0_size;
    uint32_t data_at = exif_at + (sub ? 2 + 12 * uint32_t(exif.size()) + 4 : 0);
    std::string ifd, data;
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        ifd += bytes_of(tag, 2, big) + bytes_of(type, 2, big) + bytes_of(count, 4, big) + bytes_of(value, 4, big);
    };
    auto ascii = [&](uint16_t tag, const std::string &text) {
        entry(tag, 2, uint32_t(text.size() + 1), data_at + uint32_t(data.size()));
        data += text + '\0';
    };
    ifd += bytes_of(ifd0.size() + sub, 2, big);
    for (const auto &[tag, text] : ifd0)
        ascii(tag, text);
    if (sub)
        entry(0x8769, 4, 1, exif_at);
    ifd += bytes_of(0, 4, big);
    if (sub) {
        ifd += bytes_of(exif.size(), 2, big);
        for (const auto &[tag, text] : exif)
            ascii(tag, text);
        ifd += bytes_of(0, 4, big);
    }
    return std::string(big ? "MM\0*" : "II*\0", 4) + bytes_of(8, 4, big) + ifd + data;
}

std::string jpeg_with_exif(const std::string &tiff_bytes, const std::string &jpeg)
{
    const std::string file = !jpeg.empty()
        ? jpeg
        : "\xff\xd8\xff\xe0" + bytes_of(4, 2, true) + "JF" + "\xff\xda" + bytes_of(8, 2, true) + "......\xff\xd9";
    size_t at = 2;
    if (file.compare(2, 2, "\xff\xe0") == 0)
        at += 2 + (static_cast<uint8_t>(file[4]) << 8 | static_cast<uint8_t>(file[5]));
    const std::string app1 = std::string("Exif\0\0", 6) + tiff_bytes;
    return file.substr(0, at) + "\xff\xe1" + bytes_of(app1.size() + 2, 2, true) + app1 + file.substr(at);
}

std::string pdf(const std::string &info, bool table)
{
    std::string s = "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\n";
    const size_t two = s.size();
    s += "2 0 obj\n<< " + info + " >>\nendobj\n";
    const size_t xref = s.size();
    char entry[24];
    snprintf(entry, sizeof entry, "%010zu 00000 n \n", table ? two : size_t(0));
    s += std::string("xref\n0 3\n0000000000 65535 f \n0000000009 00000 n \n") + entry;
    s += "trailer\n<< /Root 1 0 R /Info 2 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return s;
}

std::string docx(const std::string &core)
{
    std::string zip, dir;
    int count = 0;
    auto add = [&](const std::string &name, uint16_t method, const std::string &content) {
        const std::string data = method ? deflate_raw(content, -MAX_WBITS) : content;
        const std::string sizes =
            bytes_of(crc_of(content), 4, false) + bytes_of(data.size(), 4, false) + bytes_of(content.size(), 4, false);
        const std::string common = bytes_of(20, 2, false) + bytes_of(0, 2, false) + bytes_of(method, 2, false) +
            bytes_of(0, 4, false) + sizes + bytes_of(name.size(), 2, false);
        dir += "PK\x01\x02" + bytes_of(20, 2, false) + common + std::string(12, '\0') + bytes_of(zip.size(), 4, false) +
            name;
        zip += "PK\x03\x04" + common + bytes_of(0, 2, false) + name + data;
        ++count;
    };
    add("word/document.xml", 0, "<w:document/>");
    add("docProps/core.xml", 8, core);
    return zip + dir + "PK\x05\x06" + std::string(4, '\0') + bytes_of(count, 2, false) + bytes_of(count, 2, false) +
        bytes_of(dir.size(), 4, false) + bytes_of(zip.size(), 4, false) + std::string(2, '\0');
}

std::string ole2_with_summary(const std::string &title, uint64_t created, uint64_t saved)
{
    auto le = [](uint64_t v, int n) { return bytes_of(v, n, false); };
    std::string text = title + '\0';
    text.resize((text.size() + 3) / 4 * 4, '\0');
    std::vector<std::pair<uint32_t, std::string>> properties = {{1, le(2, 4) + le(1252, 2) + le(0, 2)},
                                                                {2, le(0x1e, 4) + le(text.size(), 4) + text}};
    if (created)
        properties.push_back({12, le(0x40, 4) + le(created, 8)});
    if (saved)
        properties.push_back({13, le(0x40, 4) + le(saved, 8)});
    const size_t head = 8 + 8 * properties.size();
    std::string ids, values;
    for (const auto &[id, value] : properties) {
        ids += le(id, 4) + le(head + values.size(), 4);
        values += value;
    }
    const std::string section = le(head + values.size(), 4) + le(properties.size(), 4) + ids + values;
    std::string set = le(0xfffe, 2) + le(0, 2) + le(0x20006, 4) + std::string(16, '\0') + le(1, 4) +
        std::string(16, 'F') + le(48, 4) + section;
    const size_t set_size = set.size(); // at most three mini sectors
    set.resize(192, '\0');
    const uint32_t end = 0xfffffffe, free_ = 0xffffffff;
    std::string header = "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + std::string(16, '\0') + le(0x3e, 2) + le(3, 2) +
        le(0xfffe, 2) + le(9, 2) + le(6, 2) + std::string(10, '\0') + le(1, 4) + le(1, 4) + le(0, 4) + le(4096, 4) +
        le(2, 4) + le(1, 4) + le(end, 4) + le(0, 4) + le(0, 4);
    for (int i = 1; i < 109; ++i)
        header += le(free_, 4);
    std::string fat = le(0xfffffffd, 4) + le(end, 4) + le(end, 4) + le(end, 4);
    // The stream's mini sectors 2, 0, 3 in that order, 1 between them unused.
    std::string mini_fat = le(3, 4) + le(free_, 4) + le(0, 4) + le(end, 4);
    fat.resize(512, '\xff');
    mini_fat.resize(512, '\xff');
    std::string dir(512, '\0');
    auto entry = [&](int i, const std::u16string &name, char kind, uint32_t start, uint32_t size) {
        for (size_t k = 0; k < name.size(); ++k)
            dir.replace(128 * i + 2 * k, 2, le(name[k], 2));
        dir.replace(128 * i + 64, 3, le(2 * name.size() + 2, 2) + kind);
        dir.replace(128 * i + 116, 8, le(start, 4) + le(size, 4));
    };
    entry(0, u"Root Entry", 5, 3, 256);
    entry(1, u"\u0005SummaryInformation", 2, 2, static_cast<uint32_t>(set_size));
    std::string mini = set.substr(64, 64) + std::string(64, 'j') + set.substr(0, 64) + set.substr(128, 64);
    mini.resize(512, '\0');
    return header + fat + dir + mini_fat + mini;
}

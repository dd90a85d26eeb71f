// MP3 titles: the ID3v2 TIT2 frame at the start (versions 2.3 and 2.4),
// else the ID3v1 tag in the last 128 bytes.
#include <algorithm>

#include "carved_meta.h"

namespace {

const size_t most_tag = 256 * 1024;

uint32_t syncsafe(const char *p)
{
    auto b = reinterpret_cast<const uint8_t *>(p);
    return uint32_t(b[0] & 0x7f) << 21 | uint32_t(b[1] & 0x7f) << 14 | uint32_t(b[2] & 0x7f) << 7 | (b[3] & 0x7f);
}

// Undoes unsynchronisation: every 0xff 0x00 stands for 0xff.
std::string resynchronised(const std::string &s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        out.push_back(s[i]);
        if (static_cast<uint8_t>(s[i]) == 0xff && i + 1 < s.size() && s[i + 1] == 0)
            ++i;
    }
    return out;
}

// A text frame's first string in its declared encoding.
std::string frame_text(std::string_view body)
{
    if (body.empty())
        return {};
    const std::string_view text = body.substr(1);
    switch (body[0]) {
    case 0:
        return latin1_to_utf8(text);
    case 1:
        return utf16_bom_to_utf8(text);
    case 2:
        return utf16_to_utf8(text, true);
    case 3:
        return std::string(text.substr(0, text.find('\0')));
    default:
        return {};
    }
}

// The bytes after the tag header: read whole only when the tag is unsynchronised,
// else frame by frame (a cover picture before the title is skipped, not read).
class id3_tag_c {
public:
    id3_tag_c(carved_bytes_c &file, uint32_t size, bool unsynchronised) : file_(file), size_(size)
    {
        if (unsynchronised) {
            whole_ = resynchronised(bytes_at(file, 10, std::min<size_t>(size, most_tag)));
            size_ = static_cast<uint32_t>(whole_.size());
            read_whole_ = true;
        }
    }
    uint32_t size() const { return size_; }
    std::string at(uint64_t pos, size_t len)
    {
        if (pos >= size_)
            return {};
        len = static_cast<size_t>(std::min<uint64_t>(len, size_ - pos));
        return read_whole_ ? whole_.substr(static_cast<size_t>(pos), len) : bytes_at(file_, 10 + pos, len);
    }

private:
    carved_bytes_c &file_;
    uint32_t size_;
    std::string whole_;
    bool read_whole_ = false;
};

std::string id3v2_title(carved_bytes_c &file)
{
    const std::string h = bytes_at(file, 0, 10);
    if (h.size() < 10 || h.compare(0, 3, "ID3") != 0)
        return {};
    const uint8_t version = static_cast<uint8_t>(h[3]), flags = static_cast<uint8_t>(h[5]);
    if (version != 3 && version != 4)
        return {};
    id3_tag_c tag(file, syncsafe(h.data() + 6), flags & 0x80);
    uint64_t pos = 0;
    if (flags & 0x40) { // extended header; v2.3 does not count its size field
        const std::string ext = tag.at(0, 4);
        if (ext.size() < 4)
            return {};
        pos = version == 3 ? 4ull + get_be32(ext.data()) : syncsafe(ext.data());
    }
    for (int frames = 0; frames < 4096; ++frames) {
        const std::string f = tag.at(pos, 10);
        if (f.size() < 10 || f[0] == 0)
            return {};
        const uint32_t size = version == 3 ? get_be32(f.data() + 4) : syncsafe(f.data() + 4);
        if (size > tag.size() - pos - 10)
            return {};
        // Compressed or encrypted frames are not read.
        const uint8_t format = static_cast<uint8_t>(f[9]);
        const bool plain = version == 3 ? (format & 0xc0) == 0 : (format & 0x0c) == 0;
        if (f.compare(0, 4, "TIT2") == 0 && plain) {
            std::string body = tag.at(pos + 10, std::min<size_t>(size, 4096));
            if (version == 4 && (format & 0x01)) // data length indicator
                body = body.size() >= 4 ? body.substr(4) : std::string();
            if (version == 4 && (format & 0x02))
                body = resynchronised(body);
            return frame_text(body);
        }
        pos += 10ull + size;
    }
    return {};
}

// ID3v1 has no structure to check but its "TAG": a title is taken only
// when it is printable Latin-1 text padded with zeros or blanks.
std::string id3v1_title(carved_bytes_c &file)
{
    uint64_t at = 0;
    const std::string t = tail_of(file, 128, &at);
    if (t.size() < 128 || t.compare(0, 3, "TAG") != 0)
        return {};
    std::string title = t.substr(3, 30);
    title = title.substr(0, title.find('\0'));
    for (char c : title) {
        const uint8_t v = static_cast<uint8_t>(c);
        if (v < 0x20 || (v >= 0x7f && v < 0xa0))
            return {};
    }
    if (t.find_first_not_of(std::string(" \0", 2), 3 + title.size()) < 33)
        return {};
    return latin1_to_utf8(title);
}

} // namespace

carved_meta_s id3_meta(carved_bytes_c &file)
{
    std::string title = id3v2_title(file);
    return {title.empty() ? id3v1_title(file) : title};
}

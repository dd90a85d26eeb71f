#include "scan_rebuilt.h"

#include <cstring>

#include "core/scanfile/scan_file.h"
#include "core/scanfile/scan_pieces.h"
#include "platform/le_bytes.h"

namespace {

constexpr uint64_t max_name_units = 255; // no FAT or NTFS name is longer

void put_name(QByteArray &out, const std::u16string &name)
{
    scan_put64(out, name.size());
    out.append(reinterpret_cast<const char *>(name.data()), static_cast<qsizetype>(name.size() * 2));
}

// Reads the trailer's numbers and names in order; once a read runs past the
// end every later one fails too.
class reader_c {
public:
    reader_c(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    bool u64(uint64_t &v)
    {
        if (size_ - at_ < 8)
            return false;
        v = le64_at(data_ + at_);
        at_ += 8;
        return true;
    }
    bool i64(int64_t &v)
    {
        uint64_t u;
        if (!u64(u))
            return false;
        v = static_cast<int64_t>(u);
        return true;
    }
    bool name(std::u16string &out)
    {
        uint64_t units;
        if (!u64(units) || units > max_name_units || size_ - at_ < units * 2)
            return false;
        out.resize(static_cast<size_t>(units));
        memcpy(out.data(), data_ + at_, static_cast<size_t>(units * 2));
        at_ += static_cast<size_t>(units * 2);
        return true;
    }
    // How many more items of at least item_bytes each can follow.
    uint64_t room(size_t item_bytes) const { return (size_ - at_) / item_bytes; }
    bool at_end() const { return at_ == size_; }

private:
    const uint8_t *data_;
    size_t size_;
    size_t at_ = 0;
};

} // namespace

QByteArray scan_rebuilt_trailer(const rebuilt_tree_s &tree)
{
    if (tree.empty())
        return {};
    QByteArray body;
    scan_put64(body, tree.folders.size());
    for (size_t i = 1; i < tree.folders.size(); ++i) {
        scan_put64(body, tree.folders[i].parent);
        scan_put64(body, static_cast<uint64_t>(tree.folders[i].modified));
        put_name(body, tree.folders[i].name);
    }
    scan_put64(body, tree.files.size());
    for (const rebuilt_file_s &file : tree.files) {
        scan_put64(body, file.folder);
        put_name(body, file.name);
        for (uint64_t v : {file.size, static_cast<uint64_t>(file.modified), static_cast<uint64_t>(file.created),
                           file.held, file.in_use, static_cast<uint64_t>(file.stretches.size())})
            scan_put64(body, v);
        for (const rebuilt_stretch_s &s : file.stretches) {
            scan_put64(body, s.offset);
            scan_put64(body, s.length);
        }
    }
    QByteArray out(scan_file_rebuilt_magic, sizeof scan_file_rebuilt_magic);
    scan_put64(out, static_cast<uint64_t>(body.size()));
    return out + body;
}

bool parse_scan_rebuilt(const uint8_t *data, size_t size, rebuilt_tree_s &tree, std::string &why)
{
    const size_t head = sizeof scan_file_rebuilt_magic + 8;
    if (size < head || memcmp(data, scan_file_rebuilt_magic, sizeof scan_file_rebuilt_magic) != 0 ||
        le64_at(data + 8) != size - head) {
        why = "the trailer of rebuilt folders is cut short or runs on";
        return false;
    }
    auto refuse = [&](const char *text) {
        why = text;
        return false;
    };
    reader_c in(data + head, size - head);
    rebuilt_tree_s read;
    uint64_t folders = 0, files = 0;
    if (!in.u64(folders) || folders == 0 || folders - 1 > in.room(24))
        return refuse("the count of rebuilt folders does not fit");
    read.folders.resize(static_cast<size_t>(folders));
    for (size_t i = 1; i < folders; ++i) {
        uint64_t parent;
        if (!in.u64(parent) || !in.i64(read.folders[i].modified) || !in.name(read.folders[i].name))
            return refuse("a rebuilt folder is cut short");
        if (parent >= folders)
            return refuse("a rebuilt folder lies in a folder that is not there");
        read.folders[i].parent = static_cast<uint32_t>(parent);
    }
    if (!in.u64(files) || files > in.room(64))
        return refuse("the count of rebuilt files does not fit");
    read.files.resize(static_cast<size_t>(files));
    for (rebuilt_file_s &file : read.files) {
        uint64_t folder, stretches;
        if (!in.u64(folder) || !in.name(file.name) || !in.u64(file.size) || !in.i64(file.modified) ||
            !in.i64(file.created) || !in.u64(file.held) || !in.u64(file.in_use) || !in.u64(stretches))
            return refuse("a rebuilt file is cut short");
        if (folder >= folders)
            return refuse("a rebuilt file lies in a folder that is not there");
        file.folder = static_cast<uint32_t>(folder);
        if (stretches > in.room(16))
            return refuse("a rebuilt file's stretch count does not fit");
        file.stretches.resize(static_cast<size_t>(stretches));
        uint64_t total = 0;
        for (rebuilt_stretch_s &s : file.stretches) {
            in.u64(s.offset);
            in.u64(s.length);
            if (s.length > UINT64_MAX - total)
                return refuse("a rebuilt file's stretches run past any volume");
            total += s.length;
        }
        if (total != file.held || file.held > file.size || file.in_use > file.held)
            return refuse("a rebuilt file's stretches do not add up to what it holds");
    }
    if (!in.at_end())
        return refuse("the trailer of rebuilt folders runs on");
    tree = std::move(read);
    return true;
}

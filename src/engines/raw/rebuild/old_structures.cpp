#include "old_structures.h"

void old_structures_c::look_at(uint64_t start, const uint8_t *data, size_t len)
{
    constexpr size_t sector = 512;
    for (size_t at = 0; at + sector <= len; at += sector) {
        const uint8_t *p = data + at;
        old_fat_folder_s folder;
        if (p[0] == '.' && old_fat_folder_at(p, start + at, folder))
            fat_folders_.push_back(folder);
        else if (p[0] == 'F' || p[0] == 'I')
            mft_.look_at(start + at, p, len - at);
    }
}

rebuilt_tree_s old_structures_c::rebuild(std::shared_ptr<block_device_c> device) const
{
    rebuilt_tree_s tree = rebuild_old_fat(device, fat_folders_);
    merge_rebuilt(tree, mft_.rebuild(device));
    drop_empty_folders(tree);
    return tree;
}

void merge_rebuilt(rebuilt_tree_s &into, rebuilt_tree_s from)
{
    const uint32_t shift = static_cast<uint32_t>(into.folders.size() - 1);
    auto moved = [&](uint32_t folder) { return folder == 0 ? 0 : folder + shift; };
    for (size_t i = 1; i < from.folders.size(); ++i) {
        from.folders[i].parent = moved(from.folders[i].parent);
        into.folders.push_back(std::move(from.folders[i]));
    }
    for (rebuilt_file_s &file : from.files) {
        file.folder = moved(file.folder);
        into.files.push_back(std::move(file));
    }
}

void drop_empty_folders(rebuilt_tree_s &tree)
{
    std::vector<uint32_t> kept_as(tree.folders.size(), UINT32_MAX);
    std::vector<bool> holds(tree.folders.size(), false);
    holds[0] = true;
    for (const rebuilt_file_s &file : tree.files)
        for (uint32_t at = file.folder; !holds[at]; at = tree.folders[at].parent)
            holds[at] = true;
    std::vector<rebuilt_folder_s> folders;
    for (size_t i = 0; i < tree.folders.size(); ++i)
        if (holds[i]) {
            kept_as[i] = static_cast<uint32_t>(folders.size());
            folders.push_back(std::move(tree.folders[i]));
        }
    for (size_t i = 1; i < folders.size(); ++i)
        folders[i].parent = kept_as[folders[i].parent];
    for (rebuilt_file_s &file : tree.files)
        file.folder = kept_as[file.folder];
    tree.folders = std::move(folders);
}

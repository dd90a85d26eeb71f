// Old MFT records found anywhere on a volume. While the deep scan reads the
// volume block by block, every sector that starts a sound file record (its
// fix-ups check in every sector, its sizes and offsets agree) or an index
// block is kept in short form; afterwards the records rebuild the folders
// and files of the file system they belonged to, even when a format wrote
// a new one over its start.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engines/raw/rebuild/rebuilt_tree.h"
#include "libntfs/ntfs_volume.h"
#include "libntfs/run_list.h"
#include "platform/block_device.h"

// What rebuilding needs of one file record.
struct old_mft_record_s {
    uint64_t offset = 0;   // of the record on the device
    uint64_t mft_base = 0; // offset - number x record size: the same for every record of one MFT
    uint64_t number = 0;
    uint32_t record_size = 0; // bytes of the record
    bool numbered = false; // the record says its number (the fields of older versions do not)
    uint16_t sequence = 0;
    bool directory = false;
    uint64_t parent = 0;
    uint16_t parent_sequence = 0;
    std::u16string name;
    int64_t modified = 0, created = 0;
    uint64_t size = 0;
    bool resident = false;
    bool readable = false; // its data can be read: resident, or runs neither damaged, compressed nor encrypted
    std::vector<rebuilt_stretch_s> resident_bytes; // where the resident value lies, fix-ups undone
    std::vector<run_s> runs;
};

// A folder's name and parent as an index entry in its parent's index block gives them.
struct old_index_name_s {
    uint16_t sequence = 0;
    uint64_t parent = 0;
    uint16_t parent_sequence = 0;
    std::u16string name;
};

// The record at bytes (len bytes from offset on the device); false when
// they start no sound base record in use.
bool old_mft_record_at(const uint8_t *bytes, size_t len, uint64_t offset, old_mft_record_s &out);

// Appends the folders an index block at bytes names (fix-ups are checked
// on a copy); false when the bytes start no sound index block.
bool old_index_names_at(const uint8_t *bytes, size_t len, std::unordered_map<uint64_t, old_index_name_s> &names);

class old_mft_c {
public:
    // Opens the file system the volume holds now, if any: the records of
    // its MFT are its own, not old, and passed over, and its cluster bitmap
    // says which old data it uses now.
    explicit old_mft_c(std::shared_ptr<block_device_c> device);
    // Looks at the sector at offset: len bytes from there are in memory.
    void look_at(uint64_t offset, const uint8_t *bytes, size_t len);
    // Folders and files from the records, with the data of non-resident
    // files placed by the cluster size the volume's boot sector gives (or
    // the one its old $MFT record implies).
    rebuilt_tree_s rebuild(std::shared_ptr<block_device_c> device) const;

private:
    // Whether the record lies where the current MFT keeps its number.
    bool current(const old_mft_record_s &r) const;

    std::unique_ptr<ntfs_volume_c> now_; // the file system the volume holds now; null: none
    // (MFT base, record number) -> the copy with the newest sequence number.
    struct key_hash_s {
        size_t operator()(const std::pair<uint64_t, uint64_t> &k) const
        {
            return std::hash<uint64_t>()(k.first * 0x9E3779B97F4A7C15ull ^ k.second);
        }
    };
    std::unordered_map<std::pair<uint64_t, uint64_t>, old_mft_record_s, key_hash_s> records_;
    // Records that do not say their number: placed at rebuild in the MFT
    // whose start lies closest before them.
    std::vector<old_mft_record_s> unnumbered_;
    std::unordered_map<uint64_t, old_index_name_s> index_names_; // by folder record number
};

// Names of carved files: the find's number first (unique and stable), then
// what the file says about itself, then the type's extension:
// "00000040 2023-12-31 19-01-02 Canon EOS.jpg", or "00000040.jpg".
#pragma once

#include <cstdint>
#include <string>

#include "carved_meta.h"

// Whether files of this type carry anything read_carved_meta reads.
bool carved_type_has_meta(const std::string &type);

// What the file's own metadata says: a label (date and camera, title) and
// its dates; empty for other types or when nothing is found.
carved_meta_s read_carved_meta(const std::string &type, carved_bytes_c &file);

// The label as one safe part of a file name on any file system the user
// may restore to: no separators, control, format or reserved characters,
// no blanks or dots at either end, at most carved_label_chars characters.
constexpr size_t carved_label_chars = 80;
std::string safe_label(const std::string &label);

// "%08llu", then " " and the safe label when there is one, then "." type.
std::string carved_file_name(uint64_t number, const std::string &label, const std::string &type);

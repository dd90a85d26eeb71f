// The scan file's trailer of rebuilt folders and named files (layout in
// scan_file.h).
#pragma once

#include <QByteArray>
#include <cstdint>
#include <string>

#include "engines/raw/rebuild/rebuilt_tree.h"

// The trailer, magic first; empty for an empty tree.
QByteArray scan_rebuilt_trailer(const rebuilt_tree_s &tree);

// Reads a trailer (size bytes from its magic). False, with the reason in
// why, for one cut short or running on, a folder or file in a folder that
// is not there, a name longer than a file system allows, or stretches that
// do not add up to what the file says it holds. A parent cycle is no error
// here: the tree leaves out what does not lead to the root.
bool parse_scan_rebuilt(const uint8_t *data, size_t size, rebuilt_tree_s &tree, std::string &why);

// The rows and folders the tree shows for a rebuilt file system.
#pragma once

#include "engines/raw/rebuild/rebuilt_tree.h"
#include "records/found_folder.h"

// What a rebuilt file's bytes allow: no data, cut by the volume's end,
// partly or wholly in use by the new file system, or intact.
recovery_state_e rebuilt_state(const rebuilt_file_s &file);

// "/" holding the rebuilt folders and files, file k as row id first_id + k.
// Folders that do not lead to the root (a parent cycle in a damaged scan
// file) are left out; built without recursion, however deep the folders.
found_folder_s build_rebuilt_tree(const rebuilt_tree_s &rebuilt, quint64 first_id);

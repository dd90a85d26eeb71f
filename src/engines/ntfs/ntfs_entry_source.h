// Where the data of a listed NTFS entry comes from when it is restored.
#pragma once

#include <QtGlobal>
#include <string>

class recovery_base_c;

enum class ntfs_entry_source_e {
    library,   // extracted from its file record through the engine
    live_copy, // copied from its path on the mounted volume
};

// A deleted entry always comes through the engine. A live entry is copied
// from its source path only when that path opens as a regular file, which
// needs the volume mounted (an unmounted volume's row carries its device
// name where a mount path would be); otherwise (an unmounted partition, an
// image, a path that no longer opens) it is extracted through the engine
// too, so that every listed entry can be restored. *source receives the
// path for a copy.
ntfs_entry_source_e choose_ntfs_entry_source(recovery_base_c &engine, quint64 id, quint32 flags, std::wstring *source);

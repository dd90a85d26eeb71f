// Where the data of a listed NTFS entry comes from when it is restored.
#pragma once

#include <QtGlobal>
#include <string>

class ntfs_recovery_c;

enum class ntfs_entry_source_e {
    library,    // extracted from its file record through libntfs
    live_copy,  // copied from its path on the mounted volume
};

// A deleted entry always comes through the library. A live entry is copied
// from its source path only when its volume is mounted and that path opens
// as a regular file; otherwise (an unmounted partition, an image, a path
// that no longer opens) it is extracted through the library too, so that
// every listed entry can be restored. *source receives the path for a copy.
ntfs_entry_source_e choose_ntfs_entry_source(ntfs_recovery_c &engine, quint64 id, quint32 flags,
                                             std::wstring *source);

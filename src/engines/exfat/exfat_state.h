// Where the exFAT engine's deleted files are restored from, and what that is
// worth: each file's runs (see exfat_volume_c::extent), cut at the heap's
// end, judged against the allocation bitmap and against the runs of deleted
// files written later.
#pragma once

#include "exfat_item.h"
#include "libexfat/exfat_volume.h"

// Over a finished scan: sets the runs, size and state of every deleted file.
void mark_exfat_states(exfat_volume_c &vol, exfat_store_t &store);

// The found-folder tree of a finished scan: a "/" folder holding the
// engine's root files and, below it, every folder the engine's rules show.
#pragma once

#include <QList>
#include <QStringList>

#include "engines/recovery_base.h"
#include "recovery_item.h"

// Read only after the engine's thread has finished.
found_folder_s build_found_tree(engine_kind_e kind, const recovery_base_c &engine);

// A file row with the names of the folders above it, "/" left out.
struct found_row_s {
    QStringList folders;
    recovery_item_s row;

    // "/" + folder names + name, joined with "/".
    QString path() const;
};

// Every file row of every folder, "/" included, depth first.
QList<found_row_s> found_rows(const found_folder_s &root);

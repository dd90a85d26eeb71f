// A found file with the names of the folders above it, and the flat list of
// every found file of a tree.
#pragma once

#include <QList>
#include <QStringList>
#include <functional>

#include "found_folder.h"
#include "recovery_item.h"

struct found_row_s {
    QStringList folders; // from the top, "/" left out
    recovery_item_s row;
    QList<qint64> folder_times; // modified time of each of folders; 0 or missing: unknown

    // "/" + folder names + name, joined with "/".
    QString path() const;
    // "/" + folder names, joined with "/".
    QString folder_path() const;
};

// Every file row of every folder, "/" included, depth first. Rows of one
// folder share one folder list, so the cost grows with the rows, not with
// the depth of the folders above them.
QList<found_row_s> found_rows(const found_folder_s &root);

// Calls visit(folder, names of the folders above it and of itself, "/" left
// out) for every folder, depth first, "/" first, without recursion.
void walk_found_folders(const found_folder_s &root,
                        const std::function<void(const found_folder_s &, const QStringList &)> &visit);

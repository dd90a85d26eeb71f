// A found folder as the tree shows it: its own files and its subfolders.
#pragma once

#include <QList>
#include <QString>
#include <utility>
#include <vector>

#include "recovery_item.h"

struct found_folder_s {
    QString name;
    qint64 modified = 0; // seconds since 1970 UTC; 0 when unknown
    QList<recovery_item_s> files;
    QList<found_folder_s> folders;

    found_folder_s() = default;
    explicit found_folder_s(const QString &folder_name) : name(folder_name) {}
    found_folder_s(const found_folder_s &) = default;
    found_folder_s(found_folder_s &&) = default;
    found_folder_s &operator=(const found_folder_s &) = default;
    found_folder_s &operator=(found_folder_s &&) = default;

    // Files here and in every folder below, counted without recursion.
    qsizetype row_count() const
    {
        qsizetype rows = 0;
        std::vector<const found_folder_s *> todo{this};
        while (!todo.empty()) {
            const found_folder_s *folder = todo.back();
            todo.pop_back();
            rows += folder->files.size();
            for (const found_folder_s &sub : folder->folders)
                todo.push_back(&sub);
        }
        return rows;
    }
    // A damaged volume can nest folders tens of thousands deep; taking the
    // subtree apart level by level keeps destruction off the call stack.
    ~found_folder_s()
    {
        if (!folders.isDetached())
            return; // empty, or another copy still holds the subtree
        QList<found_folder_s> pending = std::move(folders);
        while (!pending.isEmpty()) {
            found_folder_s last = pending.takeLast();
            if (last.folders.isDetached())
                pending.append(std::move(last.folders));
        }
    }
};

// One entry set kept by the exFAT engine; the store's value type.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <vector>

#include "libexfat/exfat_volume.h"
#include "records/recovery_state.h"

enum : quint16 {
    exfat_attr_directory = 0x10,
    exfat_attr_deleted = 0x40, // our own bit: the set or a folder above it was deleted
};

struct exfat_item_s {
    quint64 id = 0;          // byte offset of its file entry; 0 only for the root
    quint64 parent = 0;      // id of the folder it was found in
    quint64 size = 0;        // what a restore writes
    quint64 stated_size = 0; // the stream's data length
    quint64 valid_size = 0;  // bytes written before the rest reads as zeros
    qint64 modified = 0;     // seconds since 1970 UTC, 0 when unknown
    qint64 created = 0;
    quint32 first_cluster = 0;
    quint16 attributes = 0;
    quint8 size_capped = 0;  // the data length ran past the heap; size is what can be read
    quint8 no_fat_chain = 0; // the stream's data is one run from its first cluster
    QString name;
    std::vector<exfat_run_s> runs; // where a deleted file is restored from, set with its state

    quint8 has_files = 0; // some file record lies below this folder
    recovery_state_e state = recovery_state_e::intact;
    QList<exfat_item_s *> children;

    QString name_string() const { return name; }
    bool is_folder() const { return attributes & exfat_attr_directory; }
    bool is_deleted() const { return attributes & exfat_attr_deleted; }
};

using exfat_store_t = QHash<quint64, exfat_item_s>;

// Children linking and leads-to-file marking over a finished store.
void link_exfat_store(exfat_store_t &store);

// Source path of an item: mount path, then one separated name per level.
int exfat_item_path(const exfat_store_t &store, quint64 id, const QString &mount_path, std::wstring *out);

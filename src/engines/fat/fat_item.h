// One directory entry kept by the FAT engine; the store's value type.
#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>

#include "records/recovery_state.h"

enum : quint8 {
    fat_attr_read_only = 0x01,
    fat_attr_hidden = 0x02,
    fat_attr_system = 0x04,
    fat_attr_volume = 0x08,
    fat_attr_directory = 0x10,
    fat_attr_archive = 0x20,
    fat_attr_deleted = 0x40, // our own bit: the entry or a folder above it was deleted
};

struct fat_item_s {
    // This block is zero-filled before a record is built.
    quint32 cluster;     // first data cluster, also the id; 0 only for the root
    quint32 parent;      // id of the directory the entry was found in; 0 at the root
    quint32 size;        // what a restore writes
    quint32 stated_size; // what the entry says
    qint64 modified;     // seconds since 1970, 0 when not representable
    qint64 created;
    quint8 attributes;
    quint8 in_deleted;  // reached through a deleted directory
    quint8 size_capped; // the entry's size ran past its data; size is what can be read
    char16_t name[260]; // long name, else short name; zero-terminated

    quint8 has_files = 0;                              // some file record lies below this directory
    recovery_state_e state = recovery_state_e::intact; // set once the scan is over
    QList<fat_item_s *> children;

    fat_item_s() { clear(); }
    void clear();
    QString name_string() const;
    void set_name(const QString &text);
};

using fat_store_t = QHash<quint32, fat_item_s>;

// Children linking and leads-to-file marking over a finished FAT store.
void link_fat_store(fat_store_t &store);

// Source path of an item: mount path, then one separated name per level.
int fat_item_path(const fat_store_t &store, quint64 id, const QString &mount_path, std::wstring *out);

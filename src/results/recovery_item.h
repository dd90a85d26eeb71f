// One row of a found folder's file table, and the size text every list uses.
#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QtGlobal>

struct recovery_item_s {
    QString name;
    quint64 size = 0;
    qint64 date1 = 0;     // seconds since 1970-01-01 UTC (FAT: modified; NTFS: first time)
    qint64 date2 = 0;     // (FAT: created; NTFS: second time)
    quint64 id = 0;       // the engine's item id
    quint32 flags = 0;    // FAT attributes, NTFS flags byte; 0 for carved finds
    quint8 checked = 0;
};

Q_DECLARE_METATYPE(recovery_item_s)

// A found folder as the tree shows it: its own files and its subfolders.
struct found_folder_s {
    QString name;
    QList<recovery_item_s> files;
    QList<found_folder_s> folders;
};

// Which engine a result came from; decides how its store is read.
enum engine_kind_e { engine_fat = 0, engine_ntfs = 1, engine_raw = 2 };

// "%dB", "%.2fK", "%.2fM", "%.2fG" in binary units.
QString format_size(quint64 bytes);

// One row of a found folder's file table, as an engine describes a found file.
#pragma once

#include <QMetaType>
#include <QString>
#include <QtGlobal>

#include "recovery_state.h"

struct recovery_item_s {
    QString name;
    quint64 size = 0;
    qint64 date1 = 0;  // seconds since 1970-01-01 UTC, 0: unknown (FAT: modified; NTFS: first time;
                       // carved: the date the file states it was last changed)
    qint64 date2 = 0;  // (FAT: created; NTFS: second time; carved: the creation date the file states)
    quint64 id = 0;    // the engine's item id
    quint32 flags = 0; // FAT attributes, NTFS flags byte; 0 for carved finds
    quint8 deleted = 0;                                // the file system no longer lists the file
    quint8 size_capped = 0;                            // the stored size ran past its data; size is what can be read
    recovery_state_e state = recovery_state_e::intact; // set by the engine that found it

    qint64 modified() const { return date1; }
    qint64 created() const { return date2; }
    quint32 attributes() const { return flags; }
};

Q_DECLARE_METATYPE(recovery_item_s)

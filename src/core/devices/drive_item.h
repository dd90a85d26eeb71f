// The row that describes one physical disk (an entry of the disk table).
#pragma once

#include <QMetaType>
#include <QString>
#include <QtGlobal>
#include <optional>

#include "platform/disks.h"

struct drive_item_s {
    QString name;                            // device path; empty in the header row
    quint64 size = 0;                        // bytes, from the geometry
    std::optional<disk_geometry_s> geometry; // present exactly in disk rows

    bool is_header() const { return !geometry.has_value(); }
};

Q_DECLARE_METATYPE(drive_item_s)

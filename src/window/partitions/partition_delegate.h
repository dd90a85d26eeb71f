// Paints a found partition: number, file system, kind (primary or logical
// in the table a repair would write), start and end sector, size; a row
// without a file system as the column titles.
#pragma once

#include <QHash>

#include "window/devices/row_painting.h"

class partition_delegate_c : public row_delegate_c {
public:
    using row_delegate_c::row_delegate_c;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // The kind of each find, by its first sector; none shown for the rest.
    void set_kinds(const QHash<quint64, QString> &kinds) { kinds_ = kinds; }

private:
    QHash<quint64, QString> kinds_;
};

// Paints a found partition: number, file system, start and end sector,
// size; a row without a file system as the column titles.
#pragma once

#include "window/devices/row_painting.h"

class partition_delegate_c : public row_delegate_c {
public:
    using row_delegate_c::row_delegate_c;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

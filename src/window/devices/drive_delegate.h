// Paints a drive row: device path, size and the drive's number; the first
// row as column titles.
#pragma once

#include "window/devices/row_painting.h"

class drive_delegate_c : public row_delegate_c {
public:
    using row_delegate_c::row_delegate_c;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// Paints a volume row: icon, name and mount path, capacity bar with the free
// and total space, file system; the first row as column titles.
#pragma once

#include "window/devices/row_painting.h"

class volume_delegate_c : public row_delegate_c {
public:
    using row_delegate_c::row_delegate_c;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// "KEY (/media/key)": the label, or the "local_disk" text when it has none,
// and the mount path without one trailing separator.
QString volume_display_name(const struct volume_item_s &row);

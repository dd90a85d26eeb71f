#include "drive_delegate.h"

#include <QPainter>

#include "core/devices/drive_item.h"
#include "window/devices/drive_model.h"
#include "window/devices/row_painting.h"
#include "records/format_size.h"
#include "window/text/translation.h"

QString row_text(const drive_item_s &row)
{
    return row.name;
}

void drive_delegate_c::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const drive_item_s row = index.data().value<drive_item_s>();
    // The size and number columns keep their width; the name takes the rest.
    const int w = option.rect.width();
    const int size_left = w - 200;
    const int number_left = w - 75;
    painter->save();
    paint_row_background(*painter, option, index.row());
    if (row.is_header()) {
        paint_title_row(*painter, option, {size_left - 10, number_left - 10});
        painter->setFont(QFont(QStringLiteral("Verdana"), 10));
        paint_row_text(*painter, option, 60, size_left - 20, lookup_text("drive_physical_drives"));
        paint_row_text(*painter, option, size_left, number_left - 15, lookup_text("drive_size"));
        paint_row_text(*painter, option, number_left, w - 5, lookup_text("partition_number"));
    } else {
        painter->setFont(QFont(QStringLiteral("Verdana"), 8));
        paint_row_text(*painter, option, 60, size_left - 20, row.name);
        paint_row_text(*painter, option, size_left, number_left - 15, format_size(row.size));
        paint_row_text(*painter, option, number_left, w - 5, QString::number(index.row()));
    }
    painter->restore();
}

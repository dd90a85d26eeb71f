#include "drive_delegate.h"

#include <QCoreApplication>
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
    const QRect &r = option.rect;
    const int w = r.width();
    painter->save();
    paint_row_background(*painter, option, index.row());
    if (row.is_header()) {
        paint_title_row(*painter, r, {0.5, 0.85});
        painter->setFont(QFont(QStringLiteral("Verdana"), 10));
        paint_row_text(*painter, r, 60, lookup_text("drive_physical_drives"));
        paint_row_text(*painter, r, int(0.5 * w) + 70, QCoreApplication::translate("drive_delegate_c", "Size"));
        paint_row_text(*painter, r, int(0.85 * w) + 15, QCoreApplication::translate("drive_delegate_c", "Number"));
    } else {
        painter->setFont(QFont(QStringLiteral("Verdana"), 8));
        const QFontMetrics metrics(painter->font());
        paint_row_text(*painter, r, 60, metrics.elidedText(row.name, Qt::ElideMiddle, int(0.5 * w) - 70));
        paint_row_text(*painter, r, int(0.5 * w) + 70, format_size(row.size));
        paint_row_text(*painter, r, int(0.85 * w) + 15, QString::number(index.row()));
    }
    painter->restore();
}

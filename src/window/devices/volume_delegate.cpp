#include "volume_delegate.h"

#include <QPainter>

#include "window/devices/row_painting.h"
#include "records/volume_item.h"
#include "window/devices/volume_model.h"
#include "records/format_size.h"
#include "window/text/translation.h"

namespace {

const QColor k_bar_frame(139, 184, 241);

void paint_capacity(QPainter &painter, const QRect &r, const volume_item_s &row)
{
    const int w = r.width();
    const int bar_width = int(0.53 * w) - 170;
    const int bar_left = r.left() + int(0.32 * w) + 10;
    painter.save();
    painter.setPen(k_bar_frame);
    painter.drawRect(bar_left, r.top() + 5, bar_width, 20);
    if (row.total_bytes != 0 && row.free_known) {
        const double free_share = double(row.free_bytes) / double(row.total_bytes);
        const QPixmap texture(free_share <= 0.2 ? QStringLiteral(":/images/partition_search/red.png")
                                                : QStringLiteral(":/images/partition_search/green.png"));
        const int used = int((1.0 - free_share) * bar_width) - 2;
        if (used > 0)
            painter.fillRect(QRect(bar_left + 1, r.top() + 6, used, 19), QBrush(texture));
    }
    painter.restore();
}

} // namespace

QString row_text(const volume_item_s &row)
{
    return row.is_header() ? QString() : volume_display_name(row) + QLatin1Char(' ') + row.file_system;
}

QString volume_display_name(const volume_item_s &row)
{
    QString path = row.mount_path;
    if (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const QString name = row.label.isEmpty() ? lookup_text("local_disk") : row.label;
    return name + QStringLiteral(" (") + path + QLatin1Char(')');
}

void volume_delegate_c::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const volume_item_s row = index.data().value<volume_item_s>();
    const QRect &r = option.rect;
    const int w = r.width();
    painter->save();
    paint_row_background(*painter, option, index.row());
    if (row.mount_path.isEmpty()) {
        paint_title_row(*painter, r, {0.32, 0.85});
        painter->setFont(QFont(QStringLiteral("Arial"), 10));
        paint_row_text(*painter, r, 60, lookup_text("volume_logical_drives"));
        paint_row_text(*painter, r, int(0.32 * w) + 165, lookup_text("drive_size"));
        paint_row_text(*painter, r, int(0.85 * w) + 15, lookup_text("partition_fs"));
    } else {
        paint_column_lines(*painter, r, {0.32, 0.85});
        painter->drawPixmap(r.left() + 20, r.top() + 5,
                            QPixmap(QStringLiteral(":/images/partition_search/drives.png")));
        painter->setFont(QFont(QStringLiteral("Arial"), 8));
        const QFontMetrics metrics(painter->font());
        paint_row_text(*painter, r, 45,
                       metrics.elidedText(volume_display_name(row), Qt::ElideMiddle, int(0.32 * w) - 50));
        paint_capacity(*painter, r, row);
        const QString free_text = row.free_known ? format_size(row.free_bytes) : QStringLiteral("-");
        const QString space = free_text + QLatin1Char(' ') + lookup_text("recovery_free") + QLatin1Char(' ') +
            format_size(row.total_bytes);
        paint_row_text(*painter, r, int(0.32 * w) + (int(0.53 * w) - 170) + 20, space);
        paint_row_text(*painter, r, int(0.85 * w) + 20, row.file_system);
    }
    painter->restore();
}

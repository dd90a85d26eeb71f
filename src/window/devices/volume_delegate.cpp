#include "volume_delegate.h"

#include <QPainter>

#include "window/devices/row_painting.h"
#include "records/volume_item.h"
#include "window/devices/volume_model.h"
#include "records/format_size.h"
#include "window/text/translation.h"

namespace {

const QColor k_bar_frame(139, 184, 241);

// Columns as on a left-to-right page: the name takes what the capacity bar,
// its text and the file system leave.
struct volume_columns_s {
    explicit volume_columns_s(int width)
        : bar_left(width - 420), text_left(width - 290), fs_left(width - 110), right(width - 5)
    {
    }
    int bar_left;
    int text_left;
    int fs_left;
    int right;
};

// A size kept whole in a right-to-left sentence ("5.00M", not "M5.00").
QString isolated(const QString &text)
{
    return QChar(0x2066) + text + QChar(0x2069);
}

void paint_capacity(QPainter &painter, const QStyleOptionViewItem &option, const volume_columns_s &columns,
                    const volume_item_s &row)
{
    const int bar_width = columns.text_left - 10 - columns.bar_left;
    painter.save();
    painter.setPen(k_bar_frame);
    painter.drawRect(row_place(option, QRect(columns.bar_left, 5, bar_width, 20)));
    if (row.total_bytes != 0 && row.free_known) {
        const double free_share = double(row.free_bytes) / double(row.total_bytes);
        const QPixmap texture(free_share <= 0.2 ? QStringLiteral(":/images/partition_search/red.png")
                                                : QStringLiteral(":/images/partition_search/green.png"));
        const int used = int((1.0 - free_share) * bar_width) - 2;
        if (used > 0)
            painter.fillRect(row_place(option, QRect(columns.bar_left + 1, 6, used, 19)), QBrush(texture));
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
    const volume_columns_s columns(option.rect.width());
    painter->save();
    paint_row_background(*painter, option, index.row());
    if (row.mount_path.isEmpty()) {
        paint_title_row(*painter, option, {columns.bar_left - 10, columns.fs_left - 10});
        painter->setFont(QFont(QStringLiteral("Arial"), 10));
        paint_row_text(*painter, option, 60, columns.bar_left - 20, lookup_text("volume_logical_drives"));
        paint_row_text(*painter, option, columns.bar_left, columns.fs_left - 15, lookup_text("drive_size"));
        paint_row_text(*painter, option, columns.fs_left, columns.right, lookup_text("partition_fs"));
    } else {
        paint_column_lines(*painter, option, {columns.bar_left - 10, columns.fs_left - 10});
        const QPixmap icon(QStringLiteral(":/images/partition_search/drives.png"));
        painter->drawPixmap(row_place(option, QRect(QPoint(20, 5), icon.size())), icon);
        painter->setFont(QFont(QStringLiteral("Arial"), 8));
        paint_row_text(*painter, option, 45, columns.bar_left - 20, volume_display_name(row));
        paint_capacity(*painter, option, columns, row);
        const QString free_text = row.free_known ? format_size(row.free_bytes) : QStringLiteral("-");
        const QString space = isolated(free_text) + QLatin1Char(' ') + lookup_text("recovery_free") +
            QLatin1Char(' ') + isolated(format_size(row.total_bytes));
        paint_row_text(*painter, option, columns.text_left, columns.fs_left - 15, space);
        paint_row_text(*painter, option, columns.fs_left, columns.right, row.file_system);
    }
    painter->restore();
}

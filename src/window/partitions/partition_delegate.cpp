#include "partition_delegate.h"

#include <QPainter>

#include "window/devices/row_painting.h"
#include "window/partitions/partition_model.h"
#include "records/format_size.h"
#include "window/text/translation.h"

partition_model_c *make_partition_model(const QList<partition_item_s> &found, QObject *parent)
{
    QList<partition_item_s> rows;
    rows.append(partition_item_s{});
    rows.append(found);
    return new partition_model_c(std::move(rows), parent);
}

QString row_text(const partition_item_s &row)
{
    return row.file_system.isEmpty()
        ? QString()
        : QStringLiteral("%1 %2-%3").arg(row.file_system).arg(row.start_sector).arg(row.end_sector);
}

void partition_delegate_c::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const partition_item_s row = index.data().value<partition_item_s>();
    const int w = option.rect.width();
    constexpr int count = 6;
    const int lines[] = {int(0.08 * w), int(0.26 * w), int(0.44 * w), int(0.62 * w), int(0.8 * w)};
    const int columns[] = {15, lines[0] + 15, lines[1] + 15, lines[2] + 15, lines[3] + 15, lines[4] + 15, w + 15};
    painter->save();
    if (row.file_system.isEmpty()) {
        paint_title_row(*painter, option, {lines[0], lines[1], lines[2], lines[3], lines[4]});
        painter->setFont(QFont(QStringLiteral("Verdana"), 10));
        const char *keys[] = {"partition_number", "partition_fs", "partition_kind",
                              "partition_ss",     "partition_es", "drive_size"};
        for (int c = 0; c < count; ++c)
            paint_row_text(*painter, option, columns[c], columns[c + 1] - 25, lookup_text(keys[c]));
    } else {
        // The title row takes row 0: the first partition is number 0.
        paint_row_background(*painter, option, index.row() - 1);
        painter->setFont(QFont(QStringLiteral("Verdana"), 8));
        const quint64 bytes = (row.end_sector - row.start_sector + 1) * 512;
        const QString texts[] = {QString::number(index.row() - 1),    row.file_system,
                                 kinds_.value(row.start_sector),      QString::number(row.start_sector),
                                 QString::number(row.end_sector),     format_size(bytes)};
        for (int c = 0; c < count; ++c)
            paint_row_text(*painter, option, columns[c], columns[c + 1] - 25, texts[c]);
    }
    painter->restore();
}

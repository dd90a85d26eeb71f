// Paints a row of the file table: banded rows, the check mark image, the
// name (deleted files in their own colour), size, dates and a coloured mark
// of the recovery state.
#pragma once

#include <QPixmap>
#include <QStyledItemDelegate>

#include "records/recovery_item.h"

class recovery_delegate_c : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit recovery_delegate_c(QObject *parent = nullptr);
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QPixmap unchecked_;
    QPixmap checked_;
};

// The colour that marks a recovery state, and the mark centred in a cell.
QColor state_colour(recovery_state_e state);
void paint_state_mark(QPainter *painter, const QRect &cell, recovery_state_e state);

// The text of a row's cell in columns 1 to 4.
QString row_cell_text(const recovery_item_s &row, int column);

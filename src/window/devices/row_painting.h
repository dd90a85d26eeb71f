// What the list delegates of the device and partition pages paint alike:
// striped rows, the selection, the title row with its separator lines.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QStyledItemDelegate>
#include <initializer_list>

class QPainter;
class QStyleOptionViewItem;

inline const QColor k_row_stripe(241, 250, 255);
inline const QColor k_row_selected(81, 149, 206);
inline const QColor k_title_fill(232, 246, 255);
inline const QColor k_column_line(211, 231, 255);

// Every row is 30 pixels high and as wide as the view.
constexpr int k_row_height = 30;

// The delegates of the list pages: rows of that size, painted by each.
class row_delegate_c : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

// Even rows striped, the selected row filled; pen black (white when selected).
void paint_row_background(QPainter &painter, const QStyleOptionViewItem &option, int row);

// Places and lines are given as on a left-to-right page, in pixels from the
// row's left edge; on a right-to-left page the row is drawn mirrored.

// The place of a part of the row as drawn on its page.
QRect row_place(const QStyleOptionViewItem &option, const QRect &place);

// The title row's fill and its vertical lines.
void paint_title_row(QPainter &painter, const QStyleOptionViewItem &option, std::initializer_list<int> lines);

// Vertical separator lines.
void paint_column_lines(QPainter &painter, const QStyleOptionViewItem &option, std::initializer_list<int> lines);

// Text in the cell from left to right, elided in the middle when longer.
void paint_row_text(QPainter &painter, const QStyleOptionViewItem &option, int left, int right, const QString &text);

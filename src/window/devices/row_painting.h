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

// The title row's fill and its vertical lines at the given fractions of the width.
void paint_title_row(QPainter &painter, const QRect &r, std::initializer_list<double> lines);

// Vertical separator lines at the given fractions of the width.
void paint_column_lines(QPainter &painter, const QRect &r, std::initializer_list<double> lines);

// Text with its baseline 20 pixels below the row top.
void paint_row_text(QPainter &painter, const QRect &r, int x, const QString &text);

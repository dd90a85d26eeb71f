// Text in a cell of a table, a list row or a header, on pages that may read
// right to left.
#pragma once

#include <QRect>
#include <QString>
#include <Qt>

class QPainter;

// After a margin at the cell's leading edge (the right on a right-to-left
// page), laid out in the text's own direction so that Latin names, paths and
// numbers read as they are.
void draw_cell_text(QPainter *painter, const QRect &cell, int margin, Qt::LayoutDirection page, const QString &text);

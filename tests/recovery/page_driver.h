#pragma once
// Clicks on the recovery page's tree, table and header the way a user does,
// for tests that drive the page alone or inside the main window.

#include <QList>
#include <QModelIndex>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include "window/recovery/recovery_header.h"
#include "window/recovery/recovery_page.h"

inline void click_tree(recovery_window_c &page, const QModelIndex &index)
{
    QTreeView *tree = page.tv_dirtree;
    tree->scrollTo(index);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(index).center());
}

inline void click_row(recovery_window_c &page, int row, int column)
{
    QTableView *table = page.table();
    const QModelIndex index = table->model()->index(row, column);
    table->scrollTo(index);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(index).center());
}

// A click on a folder's check box in the tree.
inline void click_tree_check(recovery_window_c &page, const QModelIndex &index)
{
    QTreeView *tree = page.tv_dirtree;
    tree->scrollTo(index);
    const QRect item = tree->visualRect(index);
    const int box = tree->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, tree);
    const int margin = tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1;
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(item.left() + margin + box / 2, item.center().y()));
}

inline void press_check_all(recovery_window_c &page)
{
    MyHeaderView *header = page.table_header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
}

// Every folder of the tree, "/" first, parents before their children.
inline QList<QModelIndex> all_folders(const QAbstractItemModel *model)
{
    QList<QModelIndex> out;
    QList<QModelIndex> pending = {model->index(0, 0)};
    while (!pending.isEmpty()) {
        const QModelIndex index = pending.takeFirst();
        out.append(index);
        for (int r = 0; r < model->rowCount(index); ++r)
            pending.append(model->index(r, 0, index));
    }
    return out;
}

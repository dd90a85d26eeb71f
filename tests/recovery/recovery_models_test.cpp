// The recovery page's models and views on rows built here: the tree and
// table models under Qt's model tester, sorting in each column's own
// direction with check marks travelling along, the header's check-all and
// sort presses, the choice of rows and folders, preview text decoding; the
// filter bar's core (type groups, "deleted only", the search over every
// folder) and the hex dump.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "window/recovery/file_preview.h"
#include "window/recovery/found_tree_model.h"
#include "records/hex_dump.h"
#include "records/local_date.h"
#include "window/recovery/recovery_delegate.h"
#include "window/recovery/recovery_header.h"
#include "window/recovery/recovery_model.h"
#include "window/recovery/row_view_proxy.h"
#include "core/session/row_choice.h"
#include <QTableView>
#include "records/row_filter.h"
#include "skin/gui_app.h"

namespace {

recovery_item_s file_row(const QString &name, quint64 size, qint64 modified)
{
    recovery_item_s row;
    row.name = name;
    row.size = size;
    row.date1 = modified;
    row.date2 = -modified;
    return row;
}

QStringList names(const QList<recovery_item_s> &rows)
{
    QStringList out;
    for (const recovery_item_s &row : rows)
        out << row.name;
    return out;
}

// The names the proxy shows, in its order.
QStringList names(const QAbstractItemModel &model)
{
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r)
        out << model.index(r, recovery_model_c::column_name).data().value<recovery_item_s>().name;
    return out;
}

} // namespace

// Catches: parent() and index() disagreeing, folders of the wrong level,
// "/" counted as a folder when only files lie in it.
TEST(recovery_models, tree_model_follows_the_found_folders)
{
    gui_app();
    found_folder_s top(QStringLiteral("/"));
    top.files.append(file_row(QStringLiteral("root.txt"), 1, 0));
    TreeModel only_files;
    QAbstractItemModelTester files_tester(&only_files, QAbstractItemModelTester::FailureReportingMode::Fatal);
    only_files.build(top);
    EXPECT_FALSE(only_files.has_folders());

    found_folder_s docs(QStringLiteral("docs"));
    docs.folders.append(found_folder_s(QStringLiteral("old")));
    docs.folders.first().files.append(file_row(QStringLiteral("a.txt"), 3, 0));
    top.folders.append(docs);
    top.folders.append(found_folder_s(QStringLiteral("pics")));
    TreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.build(top);
    ASSERT_TRUE(model.has_folders());
    const QModelIndex slash = model.index(0, 0);
    EXPECT_EQ(slash.data().toString(), QStringLiteral("/"));
    EXPECT_EQ(model.rowCount(slash), 2);
    const QModelIndex old = model.index(0, 0, model.index(0, 0, slash));
    EXPECT_EQ(old.data().toString(), QStringLiteral("old"));
    EXPECT_EQ(model.parent(model.parent(old)), slash);
    EXPECT_EQ(model.rowCount(model.index(1, 0, slash)), 0);
    ASSERT_NE(model.folder_at(old), nullptr);
    EXPECT_EQ(model.folder_at(old)->files.first().name, QStringLiteral("a.txt"));
}

// Catches: one direction flag shared by all columns, check marks left
// behind by a sort, names compared code unit by code unit ("file10" before
// "file2"), dates before 1970 shown as nonsense; a folder's tick not
// reaching its subfolders or its parent not partly chosen.
TEST(recovery_models, table_model_sorts_each_column_and_keeps_check_marks)
{
    gui_app();
    found_folder_s top(QStringLiteral("/"));
    top.files = {file_row(QStringLiteral("file10.txt"), 300, 30), file_row(QStringLiteral("file2.txt"), 100, 10),
                 file_row(QStringLiteral("File1.txt"), 200, 20)};
    found_folder_s sub(QStringLiteral("sub"));
    sub.files = {file_row(QStringLiteral("deep.txt"), 1000, 5)};
    top.folders.append(sub);
    row_choice_c choice;
    choice.reset(top);
    const QList<found_row_s> rows = found_rows(top);
    recovery_model_c model(&rows, &choice);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    row_view_proxy_c proxy;
    proxy.setSourceModel(&model);
    proxy.show(0, 3, QString(), row_filter_c());
    EXPECT_EQ(proxy.columnCount(), 6);
    EXPECT_EQ(proxy.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("checkbox"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    proxy.setData(proxy.index(1, 0), Qt::Checked, Qt::CheckStateRole);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed.first().at(0).toModelIndex(), model.index(1, 0));
    EXPECT_EQ(choice.chosen_count(), 1);
    EXPECT_EQ(choice.chosen_bytes(), 100u);

    proxy.sort_by_column(recovery_model_c::column_size);
    EXPECT_EQ(names(proxy), QStringList({"file2.txt", "File1.txt", "file10.txt"}));
    EXPECT_EQ(proxy.index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked) << "the check mark goes with its row";
    proxy.sort_by_column(recovery_model_c::column_size);
    EXPECT_EQ(names(proxy), QStringList({"file10.txt", "File1.txt", "file2.txt"}));
    proxy.sort_by_column(recovery_model_c::column_name);
    EXPECT_EQ(names(proxy), QStringList({"File1.txt", "file2.txt", "file10.txt"})) << "own flag, natural order";
    proxy.sort_by_column(recovery_model_c::column_modified);
    EXPECT_EQ(proxy.index(0, 3).data().value<recovery_item_s>().date1, 10);
    proxy.sort_by_column(recovery_model_c::column_created);
    const recovery_item_s first = proxy.index(0, 3).data().value<recovery_item_s>();
    EXPECT_EQ(first.date2, -30);

    EXPECT_EQ(row_cell_text(first, recovery_model_c::column_created), QString()) << "a date before 1970";
    EXPECT_EQ(format_row_date(0), QString()) << "an unknown date is not shown as 1970-01-01";
    EXPECT_TRUE(format_row_date(86400 * 400).startsWith(QStringLiteral("1971-"))) << "a known date is";
    EXPECT_EQ(row_cell_text(file_row("x", 1025, 0), recovery_model_c::column_size), QStringLiteral("1.00K"));

    TreeModel tree(&choice);
    tree.build(top);
    const QModelIndex slash = tree.index(0, 0), below = tree.index(0, 0, slash);
    EXPECT_EQ(slash.data(Qt::CheckStateRole).toInt(), Qt::PartiallyChecked);
    EXPECT_EQ(below.data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    tree.setData(slash, Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(below.data(Qt::CheckStateRole).toInt(), Qt::Checked) << "a folder's tick takes in its subfolders";
    EXPECT_EQ(choice.chosen_count(), 4);
    tree.setData(below, Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_EQ(slash.data(Qt::CheckStateRole).toInt(), Qt::PartiallyChecked);
    EXPECT_EQ(choice.chosen_bytes(), 600u);
}

// Catches: the check-all box not asking for what its state calls for (all
// rows when none or some are chosen, none when all are), presses on titles
// not asking for their column.
TEST(recovery_models, header_presses)
{
    gui_app();
    found_folder_s top(QStringLiteral("/"));
    top.files = {file_row("a", 1, 0), file_row("b", 2, 0), file_row("c", 3, 0)};
    row_choice_c choice;
    choice.reset(top);
    const QList<found_row_s> rows = found_rows(top);
    recovery_model_c model(&rows, &choice);
    QTableView view;
    auto *header = new MyHeaderView(&view);
    view.setHorizontalHeader(header);
    view.setModel(&model);
    view.resize(600, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(header->sizeHint().height(), 24);

    QSignalSpy all(header, &MyHeaderView::check_all);
    QSignalSpy sort(header, &MyHeaderView::sort_column);
    const int y = header->height() / 2;
    const auto press = [&](Qt::CheckState shown) {
        header->set_check_state(shown);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionPosition(0) + 5, y));
    };
    press(Qt::Unchecked);
    press(Qt::Checked);
    press(Qt::PartiallyChecked);
    ASSERT_EQ(all.size(), 3);
    EXPECT_TRUE(all.at(0).at(0).toBool());
    EXPECT_FALSE(all.at(1).at(0).toBool());
    EXPECT_TRUE(all.at(2).at(0).toBool());
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionPosition(2) + 5, y));
    ASSERT_EQ(sort.size(), 1);
    EXPECT_EQ(sort.first().at(0).toInt(), 2);
}

// Catches: a byte-order mark shown as text or ignored, text cut at the
// wrong place, an unreadable image shown as its bytes.
TEST(recovery_models, preview_text_honours_the_byte_order_mark)
{
    EXPECT_EQ(decode_preview_text(QByteArray("\xEF\xBB\xBF\xC3\xA9t\xC3\xA9", 8)), QString::fromUtf8("été"));
    EXPECT_EQ(decode_preview_text(QByteArray("\xFF\xFEh\0i\0", 6)), QStringLiteral("hi"));
    EXPECT_EQ(decode_preview_text(QByteArray("\xFE\xFF\0h\0i", 6)), QStringLiteral("hi"));
    EXPECT_EQ(decode_preview_text(QByteArray("abc\0def", 7)), QStringLiteral("abc"));
    EXPECT_EQ(decode_preview_text(QByteArray("\xFF\xFEh\0\0\0i\0", 8)), QStringLiteral("h"));
}

// Catches: a type group's key taken for an extension, "deleted only"
// letting live files through, a search that misses nested folders or loses
// where a hit lies, and sorting hits without their folders.
TEST(recovery_models, filter_groups_deleted_only_and_search_across_folders)
{
    found_folder_s top(QStringLiteral("/"));
    top.files = {file_row("cover.JPG", 100, 0), file_row("notes.txt", 5, 0)};
    top.files[0].deleted = 1;
    found_folder_s old(QStringLiteral("old"));
    old.files = {file_row("Cover.png", 10, 0), file_row("live.png", 7, 0)};
    old.files[0].deleted = 1;
    old.files[0].state = recovery_state_e::overwritten;
    found_folder_s docs(QStringLiteral("docs"));
    docs.folders.append(old);
    top.folders.append(docs);

    row_filter_texts_s texts;
    texts.types = {QStringLiteral("pictures")};
    texts.deleted_only = true;
    row_filter_c filter;
    ASSERT_TRUE(filter.set(texts, nullptr));
    EXPECT_EQ(names(filter.apply(top.files)), QStringList{"cover.JPG"});
    const QList<found_row_s> hits = filter.search(top, QStringLiteral("cover"));
    ASSERT_EQ(hits.size(), 2);
    EXPECT_EQ(hits[1].row.name, QStringLiteral("Cover.png"));
    EXPECT_EQ(hits[1].folder_path(), QStringLiteral("/docs/old"));
    EXPECT_EQ(filter.search(top, QStringLiteral("*.png")).size(), 1) << "a typed glob is taken as it is";

    // What does not parse filters nothing, and a range the wrong way round
    // neither end, while what does parse still applies.
    row_filter_texts_s typed;
    typed.min_size = QStringLiteral("8");
    typed.max_size = QStringLiteral("lots");
    typed.since = QStringLiteral("2024-02-01");
    typed.until = QStringLiteral("2024-01-31");
    typed.states = {QStringLiteral("intact"), QStringLiteral("shiny")};
    const row_filter_texts_s readable = readable_filter_texts(typed);
    EXPECT_EQ(readable.min_size, typed.min_size);
    EXPECT_TRUE(readable.max_size.isEmpty() && readable.since.isEmpty() && readable.until.isEmpty());
    EXPECT_EQ(readable.states, QStringList{"intact"});
    EXPECT_FALSE(filter.set(typed, nullptr));
    ASSERT_TRUE(filter.set(readable, nullptr));
    EXPECT_EQ(names(filter.apply(top.files)), QStringList{"cover.JPG"}) << "the size bound still applies";
    ASSERT_TRUE(filter.set(texts, nullptr));

    gui_app();
    row_choice_c choice;
    choice.reset(top);
    const QList<found_row_s> rows = found_rows(top);
    recovery_model_c model(&rows, &choice);
    row_view_proxy_c proxy;
    proxy.setSourceModel(&model);
    proxy.show(0, 0, QStringLiteral("cover"), filter);
    ASSERT_EQ(proxy.rowCount(), 2) << "the proxy's search finds what the filter's does";
    proxy.sort_by_column(recovery_model_c::column_state);
    proxy.sort_by_column(recovery_model_c::column_state);
    EXPECT_EQ(names(proxy).first(), QStringLiteral("Cover.png")) << "worst state first when descending";
    EXPECT_EQ(proxy.index(0, recovery_model_c::column_name).data(Qt::ToolTipRole).toString(), "/docs/old");
}

// Catches: a short last line whose text column drifts, bytes above 0x7f
// printed sign-extended, more than the limit dumped.
TEST(recovery_models, hex_dump_lines_up_offsets_bytes_and_text)
{
    const QStringList lines =
        format_hex_dump(QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(10, 'A')).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("00000000  89 50 4e 47 0d 0a 1a 0a  41 41 41 41 41 41 41 41  .PNG....AAAAAAAA"));
    EXPECT_EQ(lines[1].indexOf(QStringLiteral("AA")), lines[0].indexOf(QStringLiteral(".PNG")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("00000010  41 41 ")));
    const QString big = format_hex_dump(QByteArray(k_hex_dump_limit + 100, '\xff'));
    EXPECT_EQ(big.count(QLatin1Char('\n')) + 1, k_hex_dump_limit / 16);
    EXPECT_TRUE(big.endsWith(QStringLiteral("0000fff0  ff ff ff ff ff ff ff ff  ff ff ff ff ff ff ff ff  ................")));
}

// The recovery page's cost for a big result: a found tree with a folder of
// 100,000 files (names as a deep scan or a camera card gives them, in no
// order). Times building the tree model, filling the table with the
// biggest folder's rows and painting it; sorting by name and by size; a
// change of folder, of filter and of order with ticks kept; and the heap
// bytes one row of the table takes. The same for the found tree of
// the NTFS benchmark image (bench/ntfs/make_bench_image.sh, path in
// TARN_NTFS_BENCH_IMAGE) when it is there.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHeaderView>
#include <QTreeView>
#include <algorithm>
#include <malloc.h>
#include <random>
#include <tuple>

#include "core/devices/volume_lookup.h"
#include "window/recovery/found_tree_model.h"
#include "window/recovery/recovery_delegate.h"
#include "window/recovery/recovery_header.h"
#include "window/recovery/recovery_model.h"
#include "window/recovery/row_view_proxy.h"
#include "core/session/row_choice.h"
#include <QTableView>
#include "core/session/scan_session.h"
#include "skin/gui_app.h"

namespace {

constexpr int k_rows = 100000;

// "/" with 200 small folders and one of k_rows files.
const found_folder_s &big_tree()
{
    static const found_folder_s top = [] {
        found_folder_s root(QStringLiteral("/"));
        std::mt19937 random(7);
        for (int f = 0; f < 200; ++f) {
            found_folder_s folder(QStringLiteral("folder %1").arg(f));
            for (int i = 0; i < 20; ++i) {
                recovery_item_s row;
                row.name = QStringLiteral("small%1.txt").arg(i);
                folder.files.append(row);
            }
            root.folders.append(folder);
        }
        found_folder_s big(QStringLiteral("DCIM"));
        big.files.reserve(k_rows);
        for (int i = 0; i < k_rows; ++i) {
            recovery_item_s row;
            row.name = QStringLiteral("IMG_%1.JPG").arg(random() % 1000000);
            row.size = random() % (8u << 20);
            row.date1 = 1600000000 + static_cast<qint64>(random() % 100000000);
            row.date2 = row.date1;
            row.id = static_cast<quint64>(i);
            row.deleted = i % 2;
            big.files.append(row);
        }
        root.folders.append(big);
        return root;
    }();
    return top;
}

// The found tree of the NTFS benchmark image; empty when there is none.
const found_folder_s &ntfs_image_tree()
{
    static const found_folder_s top = [] {
        const QString image = qEnvironmentVariable("TARN_NTFS_BENCH_IMAGE");
        volume_item_s volume;
        QString error;
        scan_session_c session;
        if (image.isEmpty() || !resolve_volume(image, QString(), volume, &error) ||
            !session.start_scan(volume, false) || !session.wait_for_finish(600000))
            return found_folder_s();
        return session.tree();
    }();
    return top;
}

const found_folder_s *biggest_folder(const found_folder_s &top)
{
    const found_folder_s *biggest = &top;
    walk_found_folders(top, [&](const found_folder_s &folder, const QStringList &) {
        if (folder.files.size() > biggest->files.size())
            biggest = &folder;
    });
    return biggest;
}

// The page's views over a found tree: every row in one source model, the
// table showing a proxy of it, a tick on every tenth row of the biggest
// folder (ticks are the choice's, so nothing a view does may lose them).
struct page_views_s {
    explicit page_views_s(const found_folder_s &top) : rows(found_rows(top)), model(&rows, &choice)
    {
        choice.reset(top);
        proxy.setSourceModel(&model);
        table.setHorizontalHeader(new MyHeaderView(&table));
        table.setItemDelegate(new recovery_delegate_c(&table));
        table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        table.verticalHeader()->setDefaultSectionSize(32);
        table.resize(600, 400);
        table.setModel(&proxy);
        std::tie(first, end) = choice.files_of(biggest_folder(top));
        for (qsizetype row = first; row < end; row += 10)
            choice.set_chosen(row, true);
        show(first, end);
    }
    void show(qsizetype from, qsizetype to) { proxy.show(from, to, QString(), filter); }

    QList<found_row_s> rows;
    row_choice_c choice;
    recovery_model_c model;
    row_view_proxy_c proxy;
    QTableView table;
    row_filter_c filter;
    qsizetype first = 0, end = 0;
};

// Tree model built and shown, the table over every row made, the biggest
// folder shown and the visible rows painted.
void show_biggest_folder(benchmark::State &state)
{
    gui_app();
    const found_folder_s &top = state.range(0) ? ntfs_image_tree() : big_tree();
    if (top.name.isEmpty()) {
        state.SkipWithError("TARN_NTFS_BENCH_IMAGE not set or not scanned");
        return;
    }
    QTreeView tree;
    tree.resize(200, 400);
    int shown = 0;
    for (auto _ : state) {
        auto *tree_model = new TreeModel(nullptr, &tree);
        tree_model->build(top);
        QAbstractItemModel *old_tree = tree.model();
        tree.setModel(tree_model);
        delete old_tree;
        tree.expandToDepth(0);
        page_views_s views(top);
        shown = views.proxy.rowCount();
        benchmark::DoNotOptimize(views.table.grab());
        benchmark::DoNotOptimize(tree.grab());
    }
    state.counters["rows"] = static_cast<double>(shown);
}
// 0: the synthetic folder; 1: the NTFS benchmark image.
BENCHMARK(show_biggest_folder)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// What the window does on a click: another folder (a small one and back to
// the big one), a filter ("deleted only" on and off), a sort (by name, by
// size, each way in turn); the ticks are counted after each.
void change_view(benchmark::State &state)
{
    gui_app();
    page_views_s views(big_tree());
    const qsizetype ticked = views.choice.chosen_count();
    // Each column's order is made once per scan, on its first sort.
    for (int column : {recovery_model_c::column_name, recovery_model_c::column_size})
        for (int pass = 0; pass < 2; ++pass)
            views.proxy.sort_by_column(column);
    row_filter_texts_s deleted;
    deleted.deleted_only = true;
    int step = 0;
    for (auto _ : state) {
        switch (state.range(0)) {
        case 0:
            views.show(0, 20);
            views.show(views.first, views.end);
            break;
        case 1:
            deleted.deleted_only = step % 2 == 0;
            views.filter.set(deleted, nullptr);
            views.show(views.first, views.end);
            break;
        default:
            views.proxy.sort_by_column(step % 4 < 2 ? recovery_model_c::column_name : recovery_model_c::column_size);
            break;
        }
        ++step;
        benchmark::DoNotOptimize(views.table.grab());
        if (views.choice.chosen_count() != ticked) {
            state.SkipWithError("ticks lost");
            return;
        }
    }
    state.counters["rows"] = static_cast<double>(views.end - views.first);
    state.counters["ticked"] = static_cast<double>(ticked);
}
// 0: folder switch; 1: filter change; 2: sort.
BENCHMARK(change_view)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Heap bytes per row of the page's own copy of the biggest folder.
void memory_per_row(benchmark::State &state)
{
    const found_folder_s &top = state.range(0) ? ntfs_image_tree() : big_tree();
    if (top.name.isEmpty()) {
        state.SkipWithError("TARN_NTFS_BENCH_IMAGE not set or not scanned");
        return;
    }
    const QList<recovery_item_s> &files = biggest_folder(top)->files;
    double per_row = 0;
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        QList<recovery_item_s> rows;
        rows.reserve(files.size());
        for (const recovery_item_s &row : files) {
            recovery_item_s copy = row;
            copy.name = QString(row.name.constData(), row.name.size()); // its own text, as the engine gives it
            rows.append(copy);
        }
        per_row = static_cast<double>(mallinfo2().uordblks - before) / static_cast<double>(rows.size());
    }
    state.counters["bytes_per_row"] = per_row;
    state.counters["rows"] = static_cast<double>(files.size());
}
BENCHMARK(memory_per_row)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

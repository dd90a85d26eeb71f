#include "found_views.h"

#include <QHeaderView>
#include <QTableView>
#include <QTreeView>
#include <tuple>

#include "core/session/row_choice.h"
#include "core/session/scan_session.h"
#include "found_tree_model.h"
#include "recovery_delegate.h"
#include "recovery_header.h"
#include "recovery_model.h"
#include "row_filter_bar.h"
#include "row_view_proxy.h"

found_views_c::found_views_c(scan_session_c &session, QTreeView *tree, QWidget *page)
    : QObject(page), session_(session), tree_(tree), table_(new QTableView(page)),
      header_(new MyHeaderView(table_)), filter_bar_(new row_filter_bar_c(page)), proxy_(new row_view_proxy_c(this))
{
    table_->setObjectName(QStringLiteral("table_view"));
    table_->setStyleSheet(QStringLiteral("QTableView{border-style: none;border: 1px solid #8bb8fe;}"));
    table_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->setHorizontalHeader(header_);
    header_->setStretchLastSection(true);
    table_->setItemDelegate(new recovery_delegate_c(table_));
    // Every row is as high as the check mark needs; a fixed height also
    // keeps a 100,000-row table from measuring each row.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(32);
    table_->setModel(proxy_);

    tree_->header()->hide();
    tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    clear();

    connect(&session_, &scan_session_c::tree_replaced, this, &found_views_c::clear);
    connect(tree_, &QTreeView::clicked, this, &found_views_c::on_tree_clicked);
    connect(table_, &QTableView::clicked, this, &found_views_c::on_table_clicked);
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &found_views_c::on_current_changed);
    connect(header_, &MyHeaderView::check_all, this, &found_views_c::on_check_all);
    connect(header_, &MyHeaderView::sort_column, this, &found_views_c::on_sort_column);
    connect(filter_bar_, &row_filter_bar_c::changed, this, &found_views_c::on_filter_changed);
}

found_views_c::~found_views_c()
{
    // The views outlive the models that point into the session.
    table_->setModel(nullptr);
    tree_->setModel(nullptr);
}

void found_views_c::clear()
{
    proxy_->setSourceModel(nullptr);
    delete rows_model_;
    rows_model_ = nullptr;
    auto *empty = new TreeModel(nullptr, tree_);
    QAbstractItemModel *old = tree_->model();
    tree_->setModel(empty);
    delete old;
    tree_model_ = empty;
    after_rows_replaced();
}

bool found_views_c::show_tree()
{
    clear();
    filter_bar_->reset(session_.deleted_only_narrows());
    filter_.set(filter_bar_->texts(), nullptr);
    auto *tree = new TreeModel(&session_.choice(), tree_);
    tree->build(session_.tree());
    if (!tree->has_folders()) {
        // Files lying in "/" alone count as an empty result.
        delete tree;
        return false;
    }
    QAbstractItemModel *old = tree_->model();
    tree_->setModel(tree);
    delete old;
    tree_model_ = tree;
    tree_->expandToDepth(0);

    rows_model_ = new recovery_model_c(&session_.rows(), &session_.choice(), this);
    folder_first_ = folder_end_ = 0;
    proxy_->setSourceModel(rows_model_);
    show_rows();
    set_column_widths();
    // A tick in the tree shows in the table and the other way round.
    connect(tree_model_, &TreeModel::chosen_changed, this, [this] {
        rows_model_->choice_changed();
        count_shown_chosen();
        emit chosen_changed();
    });
    connect(rows_model_, &recovery_model_c::chosen_changed, this, [this] {
        tree_model_->choice_changed();
        emit chosen_changed();
    });
    after_rows_replaced();
    return true;
}

void found_views_c::set_column_widths()
{
    header_->resizeSection(recovery_model_c::column_check, 33);
    header_->resizeSection(recovery_model_c::column_name, 200);
    header_->resizeSection(recovery_model_c::column_size, 76);
    header_->resizeSection(recovery_model_c::column_modified, 90);
    header_->resizeSection(recovery_model_c::column_created, 90);
    header_->resizeSection(recovery_model_c::column_state, 60);
}

QList<found_row_s> found_views_c::shown_rows() const
{
    QList<found_row_s> rows;
    if (!rows_model_)
        return rows;
    rows.reserve(proxy_->rowCount());
    for (int row = 0; row < proxy_->rowCount(); ++row)
        rows.append(rows_model_->row_at(proxy_->source_row(row)));
    return rows;
}

bool found_views_c::is_shown_row_chosen(int row) const
{
    return proxy_->index(row, recovery_model_c::column_check).data(Qt::CheckStateRole).toInt() == Qt::Checked;
}

void found_views_c::show_rows()
{
    proxy_->show(folder_first_, folder_end_, filter_bar_->search_text(), filter_);
}

void found_views_c::after_rows_replaced()
{
    count_shown_chosen();
    emit rows_replaced();
}

void found_views_c::count_shown_chosen()
{
    shown_chosen_ = 0;
    if (rows_model_) {
        const row_choice_c &choice = session_.choice();
        for (int row = 0; row < proxy_->rowCount(); ++row)
            shown_chosen_ += choice.is_chosen(rows_model_->number(proxy_->source_row(row))) ? 1 : 0;
    }
    show_check_state();
}

void found_views_c::show_check_state()
{
    const int shown = proxy_->rowCount();
    header_->set_check_state(shown_chosen_ == 0           ? Qt::Unchecked
                                 : shown_chosen_ >= shown ? Qt::Checked
                                                          : Qt::PartiallyChecked);
}

void found_views_c::on_tree_clicked(const QModelIndex &index)
{
    const found_folder_s *folder = tree_model_->folder_at(index);
    if (!folder || !rows_model_)
        return;
    // A folder chosen in the tree ends a search across all of them.
    filter_bar_->clear_search();
    std::tie(folder_first_, folder_end_) = session_.choice().files_of(folder);
    show_rows();
    after_rows_replaced();
}

void found_views_c::on_table_clicked(const QModelIndex &index)
{
    // Only a click ticks: the keyboard moves the current row and nothing else.
    if (!index.isValid() || index.column() != recovery_model_c::column_check)
        return;
    const bool chosen = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    proxy_->setData(index, chosen ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    shown_chosen_ += chosen ? -1 : 1;
    show_check_state();
}

void found_views_c::on_current_changed(const QModelIndex &current)
{
    if (current.isValid() && rows_model_)
        emit current_row_changed(rows_model_->row_at(proxy_->source_row(current.row())));
}

void found_views_c::on_filter_changed()
{
    const row_filter_texts_s texts = filter_bar_->texts();
    QString error;
    if (!filter_.set(texts, &error))
        filter_.set(readable_filter_texts(texts), nullptr);
    filter_bar_->show_error(error);
    show_rows();
    after_rows_replaced();
}

void found_views_c::on_check_all(bool chosen)
{
    if (!rows_model_)
        return;
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(proxy_->rowCount()));
    for (int row = 0; row < proxy_->rowCount(); ++row)
        rows.push_back(proxy_->source_row(row));
    rows_model_->set_chosen(rows, chosen);
    shown_chosen_ = chosen ? proxy_->rowCount() : 0;
    show_check_state();
}

void found_views_c::on_sort_column(int column)
{
    proxy_->sort_by_column(column);
}

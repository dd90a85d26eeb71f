// Every found row of the scan session as one table: the source model the
// file table's proxy narrows to a folder, a filter or a search. It sorts
// itself: each column's order is worked out once, so a sort of 100,000 rows
// only lays them out again. Check marks are the session's choice, so they
// outlive every view.
#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <array>
#include <vector>

#include "records/found_row.h"

class row_choice_c;

class recovery_model_c : public QAbstractTableModel {
    Q_OBJECT
public:
    enum column_e {
        column_check = 0,
        column_name,
        column_size,
        column_modified,
        column_created,
        column_state,
        column_count
    };

    // The folder of a row (a QString), in every column.
    static constexpr int folder_role = Qt::UserRole + 1;

    // rows and choice belong to the scan session and outlive the model.
    recovery_model_c(const QList<found_row_s> *rows, row_choice_c *choice, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    // The display role carries the whole row, for the delegate; the check
    // state is whether the row is chosen; the tooltip of the state is its
    // name, that of the name the row's folder.
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The session's number (the choice's key) of the row at a place.
    int number(int row) const { return order_[static_cast<size_t>(row)]; }
    const found_row_s &row_at(int row) const { return rows_->at(number(row)); }
    // Chooses or leaves the given rows with one change signal.
    void set_chosen(const std::vector<int> &rows, bool chosen);
    // The choice changed elsewhere (a folder of the tree).
    void choice_changed();
    void sort(int column, Qt::SortOrder order) override;

signals:
    // The choice changed through this model.
    void chosen_changed();

private:
    const QList<found_row_s> *rows_;
    row_choice_c *choice_;
    std::vector<int> order_; // place: number
    // Each column's order, ascending and descending, made on first use.
    std::array<std::array<std::vector<int>, 2>, column_count> orders_;
};

// The order of rows by a column's key (names in natural order, states from
// the best to the worst): positions into rows.
std::vector<int> row_order(const QList<found_row_s> &rows, int column, bool ascending);
// A state's name in the current language.
QString recovery_state_text(recovery_state_e state);

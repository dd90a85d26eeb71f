// The file table of the folder shown: the page's rows, with check marks and
// sorting by each column in its own direction.
#pragma once

#include <QAbstractTableModel>
#include <QList>

#include "recovery_item.h"

class recovery_model_c : public QAbstractTableModel {
    Q_OBJECT
public:
    enum column_e { column_check = 0, column_name, column_size, column_modified, column_created, column_count };

    // rows belongs to the page and outlives the model.
    explicit recovery_model_c(QList<recovery_item_s> *rows, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    // The display role carries the whole row, for the delegate.
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void set_checked(int row, bool value);
    // First press on a column sorts ascending, the next descending; each
    // column keeps its own direction. Names sort naturally ("2" before "10").
    void sort_by_column(int column);

private:
    QList<recovery_item_s> *rows_;
    quint8 ascending_[column_count] = {};
};

// Sorts rows by a column's key; names in natural order.
void sort_rows(QList<recovery_item_s> &rows, int column, bool ascending);
